#pragma once
// The control device that belongs to a PCM, and what a PCM offers for
// recording. The mixer the program sets up must be the one of the card it
// records from: on a machine whose card 0 is HDMI, card 0's mixer has no line
// input at all.
//
// - A PCM that sits on a card (hw:, plughw:, dsnoop: ..., or a "default"
//   configured to a card) belongs to the card that snd_pcm_info reports for
//   it, or, when it cannot be opened now, the card its name names.
// - A PCM without a card (pulse, pipewire, any other plug-in) belongs to the
//   control device of the same name when one opens, else to "default".

#include "platform/SoundCard.h"

#include <optional>
#include <string>

namespace platform::alsa {

// What a PCM says of itself when it is opened for recording.
struct PcmProbe {
    MMResult result = error::ok;  // of opening it for capture
    std::optional<int> card;      // the card it sits on
    unsigned minimumChannels = 0; // capture channels it can record
    unsigned maximumChannels = 0;
    bool takesLineFormat = false; // records 44100 frames/s, 16 bits, 2 channels itself
    bool soundServer = false;     // it is PulseAudio's or PipeWire's (their ALSA plug-ins)
};

// Opens the PCM for capture (non-blocking) and closes it again.
PcmProbe probePcm(const std::string& pcm);

// The rule above, on what is known of the PCM.
std::string mixerOfPcm(const std::string& pcm, std::optional<int> card, bool sameNameControlOpens);

// The rule above, on the PCM's probe, asking ALSA whether a control device
// of the same name opens when the PCM has no card.
std::string mixerOfPcm(const std::string& pcm, const PcmProbe& probe);

// Whether a control device of this name opens now.
bool controlOpens(const std::string& name);

// What a control device says of itself when it is opened.
struct ControlProbe {
    bool opens = false;
    std::optional<int> card; // only a kernel card's control device has one
    std::string name;        // the card's name ("HDA Intel PCH", "PulseAudio")
    std::string id;          // and id ("PCH")
};

// Opens the control device (non-blocking) and closes it again.
ControlProbe probeControl(const std::string& name);

// The card a control device belongs to ("hw:1", "hw:CARD=PCH", "default" set
// to a card); none for a sound server's or any other plug-in's.
std::optional<int> cardOfControl(const std::string& name);

} // namespace platform::alsa
