#pragma once
// The output and auxiliary volumes that the program saves at start and
// gives back at close, on an ALSA mixer. Each is the playback level of one
// element:
//
//   wave-out device 0   "PCM" (the wave output); without one, the master element
//   aux device 1        the master element ("Master" ...), unless device 0 already is it
//   aux device 2        "Line"
//   aux device 3        "CD"
//   aux device 4        "Mic"
//   aux device 5        "Aux"
//
// A device whose element the card lacks has no volume (badDeviceId).

#include "platform/SoundCard.h"
#include "platform/alsa/MixerLayout.h"

#include <optional>
#include <vector>

namespace platform::alsa {

std::optional<std::size_t> volumeElement(VolumeDevice device,
                                         const std::vector<ElementDescription>& elements);

// The 32-bit volume word (low half left, high half right) from two levels, and back.
std::uint32_t volumeWord(std::uint32_t left, std::uint32_t right);
std::uint32_t leftOf(std::uint32_t word);
std::uint32_t rightOf(std::uint32_t word);

} // namespace platform::alsa
