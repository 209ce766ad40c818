#pragma once
// How the simple elements of an ALSA mixer appear as the destinations,
// sources and controls of the sound-card layer. A pure function of the list
// of element descriptions, so that it is tested with the element lists of
// typical cards and no sound card.
//
// - Destination 0, "Playback" (speakers): the master element ("Master",
//   else "Speaker", "Headphone", "PCM" or "Front") gives its level and mute;
//   every other element with a playback volume or switch is a source of it,
//   typed by its name ("PCM" is the wave output, "Line" the line input ...).
// - Destination 1, "Capture" (wave-in recording): its sources are the inputs
//   the card records. With a capture-source enumeration ("Input Source",
//   "Capture Source" ...) they are its items, in item order, and the
//   enumeration is the destination's multiplexer; with per-input capture
//   switches (AC'97 style) they are the elements with those switches, and the
//   switches together form the multiplexer. Each input's capture volume is
//   its level. The "Capture" element gives the destination's level and mute;
//   when it is the card's only capture element (PulseAudio, PipeWire) it is
//   the one input instead.
// - A card that records from one input only records from that input, whatever
//   it is called: it is typed as the line input, so that the program records
//   from it at full level instead of silencing it as a microphone.
// - Capture volumes are uniform: one value for both channels, because the two
//   channels of the line input are one measurement and must be set alike.
//
// Volume controls run from 0 to 65535 (VolumeScale.h); mutes are 1 when the
// element's switch is off. Control IDs are a function of the element's place
// in the list and of the control's role, so they are the same every time the
// same card is opened.

#include "platform/SoundCard.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::alsa {

// One direction (playback or capture) of a simple element.
struct ElementSide {
    bool volume = false;
    bool volumeJoined = false; // one volume for all channels
    bool hasSwitch = false;
    bool switchJoined = false;
    std::uint32_t channels = 0;
    long minimum = 0; // raw volume range
    long maximum = 0;
};

struct ElementDescription {
    std::string name;
    ElementSide playback;
    ElementSide capture;
    bool captureExclusive = false;      // its capture switch is one of an exclusive group
    std::vector<std::string> enumItems; // items of an enumerated element
    bool enumCapture = false;           // an enumeration of the capture side
};

enum class ControlRole {
    playbackVolume,
    playbackMute,
    captureVolume,
    captureMute,
    selectorEnum,     // the multiplexer is an enumerated element
    selectorSwitches, // the multiplexer is the capture switches of the inputs
};

struct LayoutControl {
    MixerControl control;
    ControlRole role = ControlRole::playbackVolume;
    std::ptrdiff_t element = -1; // the element it acts on (-1 for selectorSwitches)
    // selectorSwitches: the element whose capture switch is item i, or -1 for
    // an input without a switch (it is always recorded).
    std::vector<std::ptrdiff_t> itemElements;
    std::uint32_t lineChannels = 1; // channels of the line it belongs to
};

struct LayoutLine {
    MixerLine line;
    std::vector<LayoutControl> controls;
};

struct LayoutDestination {
    LayoutLine line;
    std::vector<LayoutLine> sources;
};

struct MixerLayout {
    std::vector<LayoutDestination> destinations;

    // Lookups by ID; null when there is none.
    const LayoutControl* control(std::uint32_t controlId) const;
    const LayoutLine* line(std::uint32_t lineId) const;
    // The IDs of every control whose value depends on the element.
    std::vector<std::uint32_t> controlsOf(std::size_t element) const;
};

MixerLayout mapElements(const std::vector<ElementDescription>& elements);

// The element whose playback level is the card's master level, if any.
std::optional<std::size_t> playbackMaster(const std::vector<ElementDescription>& elements);

// A boost amplifies an input before the capture path ("Line Boost", "Mic
// Boost"); alsa-lib may report it on either side. It is never an input.
bool isBoostName(const std::string& name);

// The line type an element or input name stands for (sourceUndefined when
// the name says nothing the program knows).
std::uint32_t lineTypeOfName(const std::string& name);

} // namespace platform::alsa
