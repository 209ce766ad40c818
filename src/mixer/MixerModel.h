#pragma once
// The object model of an open mixer device: destination lines, the source
// lines connected to each, the controls of every line and the settable
// values of each control. The mixer component builds it when it opens the
// device and owns every object in it; lines own their controls, controls own
// their values.

#include "platform/SoundCard.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TAudioControl;

// The settable value of one control item.
class TVolume {
public:
    std::int32_t Index = 0; // item number, 0 for a plain control
    // Values of the first and second channel; for an item of a multiple
    // control both hold the item's value. Wide enough for every encoding
    // (signed, boolean, unsigned 32-bit).
    std::int64_t Left = 0;
    std::int64_t Right = 0;
    TAudioControl* Control = nullptr;
};

class TAudioControl {
public:
    bool Valid = false;
    std::uint32_t ControlID = 0;
    std::uint32_t ControlType = 0;
    bool Disabled = false;
    bool Multiple = false;
    bool Uniform = false;
    std::uint32_t ItemCount = 0; // items of a multiple control
    std::int64_t Minimum = 0;
    std::int64_t Maximum = 0;
    std::uint32_t Steps = 0;
    std::string ShortName; // at most 15 characters
    std::string Name;      // at most 63 characters
    // One per item of a multiple control, else exactly one (created when the
    // control list of the line has been read).
    std::vector<std::unique_ptr<TVolume>> Volumes;
    std::uint32_t Channels = 1;             // channel count of its line
    platform::Mixer* MixerHandle = nullptr; // the device it belongs to
};

class TSource {
public:
    virtual ~TSource() = default;

    bool Valid = false;        // the line information could be read
    bool Disconnected = false; // line flag 0x8000
    bool Active = false;       // line flag 0x1
    std::uint32_t ComponentType = 0;
    std::uint32_t Channels = 0;
    std::uint32_t ControlCount = 0;
    std::string ShortName; // at most 15 characters
    std::string Name;      // at most 63 characters
    std::vector<std::unique_ptr<TAudioControl>> Controls;
    std::uint32_t LineID = 0;
    // Indexes into Controls, -1 when the line has no such control.
    std::int32_t MuteIndex = -1;
    std::int32_t LevelIndex = -1;
    std::int32_t SelectorIndex = -1;
    // The source's index within its destination (set for the recording-side slots).
    std::int32_t SourceIndex = -1;
};

class TDestination : public TSource {
public:
    std::uint32_t ConnectionCount = 0; // number of source lines
    std::vector<std::unique_ptr<TSource>> Sources;
};

// How the 4-byte values of a control type are to be read and written.
enum class ValueEncoding { Signed, Boolean, Unsigned };
ValueEncoding encodingOf(std::uint32_t controlType);
// A value of the model as the 4-byte word sent to the device, and back.
std::uint32_t encodeValue(ValueEncoding encoding, std::int64_t value);
std::int64_t decodeValue(ValueEncoding encoding, std::uint32_t word);
