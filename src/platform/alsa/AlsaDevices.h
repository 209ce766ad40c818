#pragma once
// What the system offers through ALSA: its sound cards, the PCMs it names,
// and the mixer devices of the backend.

#include <optional>
#include <string>
#include <vector>

namespace platform::alsa {

struct CardInfo {
    int index = 0;
    std::string id;   // "PCH", "Device" ...
    std::string name; // "HDA Intel PCH" ...
};

std::vector<CardInfo> soundCards();

// A mixer device of the backend: a control device to open, and its name.
struct MixerDevice {
    std::string device;      // "hw:0", "default"
    std::string productName; // at most 31 characters
    bool server = false;     // the mixer of a sound server (PulseAudio, PipeWire)
    std::optional<int> card; // the card it belongs to; none for a sound server's
};

// The mixer devices of the backend: `mixer` first (the control device behind
// the PCM in use, PcmMixer.h, or the one the user named), then the hardware
// mixers (hw:N) of the other cards. A mixer without a card is a sound
// server's.
std::vector<MixerDevice> mixerDevices(const std::string& mixer);

// The same, on what is known of `mixer`'s control device (PcmMixer.h): a
// device that did not open (or did not answer) belongs to the card its name
// names, if any.
struct ControlProbe;
std::vector<MixerDevice> mixerDevices(const std::string& mixer, const ControlProbe& probe);

// The card a PCM name refers to, when it names one ("hw:1", "plughw:CARD=Device,DEV=0",
// "front:CARD=PCH" ...).
std::optional<int> cardOfDevice(const std::string& pcmName);

// Whether the PCM opens for playback now (it is closed again at once).
bool pcmOpens(const std::string& pcmName);

// The cards and PCMs the program can use, for --list-devices: one line each,
// a PCM's with its card, the channels it records and the mixer that goes
// with it; a PCM that records one channel only is marked unusable.
std::string deviceListing();

} // namespace platform::alsa
