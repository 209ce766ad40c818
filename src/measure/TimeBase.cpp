#include "measure/TimeBase.h"

#include <array>

namespace measure {

namespace {

constexpr std::array<TimeBase, timeBaseCount + 1> timeBases = {{
    {0, 0},
    {1.0, 6},  // 100 ms
    {1.0, 3},  // 50 ms
    {0.83, 1}, // 20 ms
    {1.65, 1}, // 10 ms
    {3.3, 1},  // 5 ms
    {8.5, 1},  // 2 ms
    {17.0, 1}, // 1 ms
}};

} // namespace

TimeBase timeBase(int index) {
    if (index < 1 || index > timeBaseCount) return timeBases[0];
    return timeBases[static_cast<std::size_t>(index)];
}

int automaticTimeBase(double f, TriggerSource source) {
    const double tenToFive = source == TriggerSource::voltage ? 300 : 250;
    if (f <= 30) return 1;
    if (f <= 70) return 2;
    if (f <= 150) return 3;
    if (f <= tenToFive) return 4;
    if (f <= 600) return 5;
    if (f <= 1200) return 6;
    return 7;
}

std::optional<int> chosenTimeBase(const SharedState& state, TriggerSource source, int boxItem) {
    if (state.autoTimeBase == 1) {
        const double f =
            source == TriggerSource::voltage ? state.voltageFrequency : state.currentFrequency;
        return automaticTimeBase(f, source);
    }
    if (boxItem >= 1 && boxItem <= timeBaseCount) return boxItem;
    return std::nullopt;
}

bool applyTimeBase(SharedState& state, int index) {
    if (index < 1 || index > timeBaseCount) return false;
    if (state.timeBaseShown[static_cast<std::size_t>(index)] == 1) return false;
    const TimeBase base = timeBase(index);
    state.pixelsPerPoint = base.pixelsPerPoint;
    state.sampleStep = base.sampleStep;
    for (int i = 1; i <= timeBaseCount; ++i)
        state.timeBaseShown[static_cast<std::size_t>(i)] = i == index ? 1 : 0;
    return true;
}

int shownTimeBase(const SharedState& state) {
    for (int i = 1; i <= timeBaseCount; ++i)
        if (state.timeBaseShown[static_cast<std::size_t>(i)] == 1) return i;
    return 0;
}

} // namespace measure
