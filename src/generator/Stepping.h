#pragma once
// Automatic frequency stepping of generator 1: from a start to an end
// frequency in equal steps, one step per timer tick. The start frequency
// plays from the start press, then step k (k = 1 .. count) plays
// start + k x size, so count + 1 frequencies are heard.

#include <cstdint>

namespace generator {

// Least values: frequencies of 20 Hz (an end below that becomes 21 Hz), a
// step of 1 Hz and an interval of one second.
constexpr std::int32_t leastStepFrequency = 20;
constexpr std::int32_t raisedEndFrequency = 21;
constexpr std::int32_t leastStepSize = 1;
constexpr std::int32_t leastStepIntervalMs = 1000;

struct SteppingPlan {
    std::int32_t start = 0;      // Hz
    std::int32_t end = 0;        // Hz
    std::int32_t size = 0;       // Hz per step
    std::int32_t intervalMs = 0; // timer interval
    std::int32_t count = 0;      // steps (ticks)
    // The typed value was raised to its least; its box then shows the value
    // used (start, end, size, and the interval in seconds).
    bool startRaised = false;
    bool endRaised = false;
    bool sizeRaised = false;
    bool intervalRaised = false;
};

// The plan for the four typed numbers. The interval is the delay in whole
// seconds, at least one second (and at most what a timer can hold); the count
// is (end - start) / size rounded, at least 1, so an end below the start
// gives one step upwards and a span that is no multiple of the step ends at
// the nearest multiple.
SteppingPlan planStepping(std::int32_t start, std::int32_t end, std::int32_t size,
                          std::int32_t delaySeconds);

// Frequency of step `index`: start + index x size, held within the 32-bit range.
std::int32_t steppedFrequency(std::int32_t start, std::int32_t size, std::int32_t index);

} // namespace generator
