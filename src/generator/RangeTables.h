#pragma once
// The range boxes of the generator panels: what each item does to its
// slider. The calls are made in the order listed. A slider keeps its position
// inside its range, so a new minimum or maximum may move the position, and
// every moved position runs the slider's change reaction: the order decides
// which reactions run, and with which positions.

#include <array>
#include <cstdint>
#include <optional>

namespace generator {

enum class SliderSetting { minimum, maximum, position };

struct SliderCall {
    SliderSetting setting;
    std::int32_t value;

    bool operator==(const SliderCall&) const = default;
};

using SliderCalls = std::array<SliderCall, 3>;

// Amplitude range box (" 0 až 1 V" ... for generator 1, " 0 až 2000m V" ...
// for generator 2), items 0..6: minimum 0, then the maximum, then the
// position, in slider units (peak sample value). Any other item changes
// nothing (nullopt).
std::optional<SliderCalls> amplitudeRange(int item);

// Items 0 and 1 then take the amplitude from the slider and write the readout
// themselves, so the readout is refreshed even when the position stayed; for
// the others the slider's change reaction does it.
bool amplitudeRangeRefreshesReadout(int item);

// Frequency range box items 0..3 ("20 Hz až 100 Hz", "100 Hz až 1 kHz",
// "1 kHz až 20 kHz", "10 Hz až 20 kHz"), in Hz. Any other item: nullopt.
std::optional<SliderCalls> frequencyRange(int item);

} // namespace generator
