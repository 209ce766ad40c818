#pragma once
// What the mixer component raises when it cannot reach a mixer device.

#include "core/Exception.h"

// A device number the machine does not have, or no mixer at all.
class EMixerID : public Exception {
public:
    using Exception::Exception;
};

// The device's capabilities could not be read.
class EMixerCaps : public Exception {
public:
    using Exception::Exception;
};

// The device could not be opened.
class EMixerOpen : public Exception {
public:
    using Exception::Exception;
};
