#pragma once
// The mixer layer speaks of levels from 0 to 65535, a linear share of full
// amplitude: 65535 is unity gain, 35535 a little more than half the
// amplitude. ALSA elements have ranges of their own. This is the conversion
// in both directions, for the three kinds of element there are:
//
// - decibel: the element knows the gain of its steps (most hardware). A level
//   is the gain 20 log10(level / 65535) dB, counted from 0 dB, or from the top
//   of the range when the element cannot reach 0 dB. Gains above that point
//   read as 65535; level 0 is the bottom of the range.
// - cubic: the volumes of the PulseAudio and PipeWire mixers, whose raw value
//   is the cube root of the linear gain times the maximum.
// - linear: anything else; the raw range is divided evenly.

#include <cstdint>

namespace platform::alsa {

enum class Taper { decibel, cubic, linear };

struct VolumeRange {
    Taper taper = Taper::linear;
    long minimum = 0; // raw range of the element
    long maximum = 0;
    long minimumDb = 0; // decibel taper: range in hundredths of a dB
    long maximumDb = 0;
};

constexpr std::uint32_t fullLevel = 65535;

// The bottom of a decibel range at or below this gain (hundredths of a dB)
// stands for silence and reads as level 0; a range that stops higher (a
// capture control that cannot go below -3 dB, say) reads as the gain it is at.
constexpr long silentBottomDb = -6000;

// Decibel taper: the gain to set for a level, in hundredths of a dB, within
// the range. Level 0 gives the bottom of the range.
long levelToDb(std::uint32_t level, const VolumeRange& range);
// Decibel taper: the level an element at this gain reads as.
std::uint32_t dbToLevel(long hundredthsDb, const VolumeRange& range);

// Cubic and linear tapers: the raw value for a level, and back.
long levelToRaw(std::uint32_t level, const VolumeRange& range);
std::uint32_t rawToLevel(long raw, const VolumeRange& range);

} // namespace platform::alsa
