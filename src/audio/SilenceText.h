#pragma once
// The Czech texts of the red panels that say why no sound is recorded or
// played, and what to do, from the error code the components keep.

#include "platform/SoundCard.h"

#include <string>

enum class StreamKind { recording, playback };

// The panel's text for a silent stream. `code` ok means the device is open
// but delivers nothing, which on a PCM of a sound server (`soundServer`)
// means the server does not answer; `device` is the PCM in use (a hw: device
// that refuses the format is told the plughw: device to use instead).
std::string silenceText(StreamKind kind, platform::MMResult code, const std::string& device,
                        bool soundServer = false);

// The plughw: device for a hw: one ("hw:1,0" -> "plughw:1,0"); empty for any
// other name.
std::string plugDeviceFor(const std::string& device);

// The panel's text when the line input's level cannot be lowered for large
// voltages.
std::string gainNotReducedText();
