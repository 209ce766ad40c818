#include "generator/Stepping.h"

#include "core/Round.h"

#include <algorithm>

namespace generator {

SteppingPlan planStepping(std::int32_t start, std::int32_t end, std::int32_t size,
                          std::int32_t delaySeconds) {
    SteppingPlan plan;
    plan.startRaised = start < leastStepFrequency;
    plan.start = plan.startRaised ? leastStepFrequency : start;
    plan.endRaised = end < leastStepFrequency;
    plan.end = plan.endRaised ? raisedEndFrequency : end;
    plan.sizeRaised = size < leastStepSize;
    plan.size = plan.sizeRaised ? leastStepSize : size;
    // A delay of thousands of years would not fit the timer: it waits as
    // long as it can instead of running over into a negative interval.
    const std::int32_t interval = saturateToInt32(std::int64_t{delaySeconds} * 1000);
    plan.intervalRaised = interval <= leastStepIntervalMs;
    plan.intervalMs = plan.intervalRaised ? leastStepIntervalMs : interval;
    const std::int64_t steps =
        Round((static_cast<double>(plan.end) - static_cast<double>(plan.start)) / plan.size);
    plan.count = saturateToInt32(std::max<std::int64_t>(steps, 1));
    return plan;
}

std::int32_t steppedFrequency(std::int32_t start, std::int32_t size, std::int32_t index) {
    return saturateToInt32(std::int64_t{index} * size + start);
}

} // namespace generator
