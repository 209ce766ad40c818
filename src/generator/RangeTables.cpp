#include "generator/RangeTables.h"

namespace generator {

namespace {

constexpr SliderCall minimum(std::int32_t value) {
    return {SliderSetting::minimum, value};
}
constexpr SliderCall maximum(std::int32_t value) {
    return {SliderSetting::maximum, value};
}
constexpr SliderCall position(std::int32_t value) {
    return {SliderSetting::position, value};
}

// Full scale and start position of each amplitude range. Full scale 32767 is
// 1100 mV at the output; the smaller ranges start at 164 (6 mV).
constexpr std::array<std::array<std::int32_t, 2>, 7> amplitudeRanges = {{
    {32767, 16384},
    {16384, 8192},
    {8200, 4100},
    {3280, 164},
    {1640, 164},
    {820, 164},
    {328, 164},
}};

// From 20..100 Hz the maximum must grow before the minimum rises past it.
constexpr std::array<SliderCalls, 4> frequencyRanges = {{
    {minimum(20), maximum(100), position(50)},
    {minimum(100), maximum(1000), position(100)},
    {maximum(20000), minimum(1000), position(4000)},
    {minimum(10), maximum(20000), position(100)},
}};

} // namespace

std::optional<SliderCalls> amplitudeRange(int item) {
    if (item < 0 || item >= static_cast<int>(amplitudeRanges.size())) return std::nullopt;
    const auto& [fullScale, start] = amplitudeRanges[static_cast<std::size_t>(item)];
    return SliderCalls{minimum(0), maximum(fullScale), position(start)};
}

bool amplitudeRangeRefreshesReadout(int item) {
    return item == 0 || item == 1;
}

std::optional<SliderCalls> frequencyRange(int item) {
    if (item < 0 || item >= static_cast<int>(frequencyRanges.size())) return std::nullopt;
    return frequencyRanges[static_cast<std::size_t>(item)];
}

} // namespace generator
