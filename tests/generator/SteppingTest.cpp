// Automatic frequency stepping: the plan made from the four typed numbers.
#include "generator/Stepping.h"

#include <gtest/gtest.h>
#include <limits>
#include <ostream>

namespace {

struct PlanCase {
    const char* name;
    std::int32_t start, end, size, delay;
    std::int32_t planStart, planEnd, planSize, intervalMs, count;
    bool startRaised, endRaised, sizeRaised, intervalRaised;
};

void PrintTo(const PlanCase& c, std::ostream* out) {
    *out << c.name;
}

class SteppingPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(SteppingPlanTest, FollowsTheTypedNumbers) {
    const PlanCase& c = GetParam();
    const generator::SteppingPlan plan = generator::planStepping(c.start, c.end, c.size, c.delay);
    EXPECT_EQ(plan.start, c.planStart);
    EXPECT_EQ(plan.end, c.planEnd);
    EXPECT_EQ(plan.size, c.planSize);
    EXPECT_EQ(plan.intervalMs, c.intervalMs);
    EXPECT_EQ(plan.count, c.count);
    EXPECT_EQ(plan.startRaised, c.startRaised);
    EXPECT_EQ(plan.endRaised, c.endRaised);
    EXPECT_EQ(plan.sizeRaised, c.sizeRaised);
    EXPECT_EQ(plan.intervalRaised, c.intervalRaised);
}

constexpr std::int32_t longest = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Plans, SteppingPlanTest,
    ::testing::Values(PlanCase{"NoSpanGivesOneStep", 500, 500, 10, 3, 500, 500, 10, 3000, 1, false,
                               false, false, false},
                      PlanCase{"NegativeValues", -5, -7, -3, -1, 20, 21, 1, 1000, 1, true, true,
                               true, true},
                      PlanCase{"DelayBeyondTheTimer", 100, 200, 10, 3000000, 100, 200, 10, longest,
                               10, false, false, false, false},
                      PlanCase{"WidestSpan", 20, longest, 1, 1, 20, longest, 1, 1000, longest - 20,
                               false, false, false, true}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

TEST(SteppedFrequency, StartPlusIndexTimesSizeWithinTheIntegerRange) {
    EXPECT_EQ(generator::steppedFrequency(100, 10, 12), 220);
    EXPECT_EQ(generator::steppedFrequency(20, longest, 2), longest);
}

} // namespace
