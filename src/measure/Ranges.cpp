#include "measure/Ranges.h"

#include <array>

namespace measure {

namespace {

// Indexed by the range identifier (item of the range box); entry 0 is
// "automaticky" and names no range.
constexpr std::array<RangeSpec, 10> currentRanges = {{
    {0, 0, nullptr, nullptr},
    {50, 0.2, "+mA", "-mA"},  // 500 mA
    {20, 0.5, "+mA", "-mA"},  // 200 mA
    {10, 1, "+mA", "-mA"},    // 100 mA
    {5, 2, "+mA", "-mA"},     // 50 mA
    {2, 5, "+mA", "-mA"},     // 20 mA
    {1, 10, "+mA", "-mA"},    // 10 mA
    {0.5, 20, "+mA", "-mA"},  // 5 mA
    {0.2, 50, "+mA", "-mA"},  // 2 mA
    {0.1, 0.1, "+ A", "- A"}, // 1 A, automatic ranging only
}};

constexpr std::array<RangeSpec, 13> voltageRanges = {{
    {0, 0, nullptr, nullptr},
    {5, 0.002, "+ V", "- V"},  // 50 V
    {2, 0.005, "+ V", "- V"},  // 20 V
    {1, 0.01, "+ V", "- V"},   // 10 V
    {0.5, 0.02, "+ V", "- V"}, // 5 V
    {0.2, 0.05, "+ V", "- V"}, // 2 V
    {0.1, 0.1, "+ V", "- V"},  // 1 V
    {50, 0.2, "+mV", "-mV"},   // 500 mV
    {20, 0.5, "+mV", "-mV"},   // 200 mV
    {10, 1, "+mV", "-mV"},     // 100 mV
    {5, 2, "+mV", "-mV"},      // 50 mV
    {2, 5, "+mV", "-mV"},      // 20 mV
    {1, 10, "+mV", "-mV"},     // 10 mV
}};

// Lower peak bound of each automatic range, from the most sensitive up.
struct Band {
    std::uint16_t from;
    int range;
};
constexpr Band currentBands[] = {{0, 8},    {90, 7},   {225, 6},
                                 {450, 5},  {900, 4},  {2250, 3},
                                 {4500, 2}, {9000, 1}, {22500, range::current1A}};
constexpr Band voltageBands[] = {{0, 12},   {450, 11}, {900, 10}, {2250, 9},
                                 {4500, 8}, {9000, 7}, {22500, 6}};

template <std::size_t Count> int bandOf(const Band (&bands)[Count], std::uint16_t peak) {
    int chosen = bands[0].range;
    for (const Band& band : bands)
        if (peak >= band.from) chosen = band.range;
    return chosen;
}

} // namespace

std::optional<RangeSpec> rangeSpec(Channel channel, int id) {
    if (channel == Channel::current) {
        if (id < 1 || id >= static_cast<int>(currentRanges.size())) return std::nullopt;
        return currentRanges[static_cast<std::size_t>(id)];
    }
    if (id < 1 || id >= static_cast<int>(voltageRanges.size())) return std::nullopt;
    return voltageRanges[static_cast<std::size_t>(id)];
}

int automaticCurrentRange(std::uint16_t currentPeak) {
    return bandOf(currentBands, currentPeak);
}

int automaticVoltageRange(std::uint16_t voltagePeak, std::int32_t reducedGain) {
    if (reducedGain == 1) return range::voltage2V;
    return bandOf(voltageBands, voltagePeak);
}

std::optional<int> chosenRange(const SharedState& state, Channel channel, int boxItem) {
    if (channel == Channel::current) {
        if (state.currentAutoRange == 1) return automaticCurrentRange(state.currentPeak);
        if (boxItem >= range::current500mA && boxItem <= range::current2mA) return boxItem;
        return std::nullopt;
    }
    if (state.voltageAutoRange == 1)
        return automaticVoltageRange(state.voltagePeak, state.reducedGain);
    if (boxItem >= range::voltage50V && boxItem <= range::voltage10mV) return boxItem;
    return std::nullopt;
}

std::optional<RangeSpec> applyRange(SharedState& state, Channel channel, int id) {
    const std::optional<RangeSpec> spec = rangeSpec(channel, id);
    std::int32_t& active =
        channel == Channel::current ? state.activeCurrentRange : state.activeVoltageRange;
    if (!spec || active == id) return std::nullopt;
    if (channel == Channel::current) {
        state.currentDivisionValue = spec->divisionValue;
        state.currentGain = spec->gain;
    } else {
        state.voltageDivisionValue = spec->divisionValue;
        state.voltageGain = spec->gain;
    }
    active = id;
    return spec;
}

} // namespace measure
