// The time bases, their automatic bands and when a new one is applied.

#include "measure/TimeBase.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using measure::TriggerSource;

TEST(TimeBase, AutomaticBandsOfBothChannels) {
    const struct {
        double f;
        int current, voltage;
    } cases[] = {{0, 1, 1},   {30, 1, 1},   {30.01, 2, 2}, {70, 2, 2},   {70.5, 3, 3},  {150, 3, 3},
                 {151, 4, 4}, {250, 4, 4},  {250.5, 5, 4}, {300, 5, 4},  {300.5, 5, 5}, {600, 5, 5},
                 {601, 6, 6}, {1200, 6, 6}, {1201, 7, 7},  {20000, 7, 7}};
    for (const auto& c : cases) {
        EXPECT_EQ(measure::automaticTimeBase(c.f, TriggerSource::current), c.current) << c.f;
        EXPECT_EQ(measure::automaticTimeBase(c.f, TriggerSource::voltage), c.voltage) << c.f;
    }
}

TEST(TimeBase, ManualItemsStayWhateverTheFrequency) {
    auto s = std::make_unique<SharedState>();
    s->currentFrequency = 2000;
    s->autoTimeBase = 0;
    EXPECT_EQ(measure::chosenTimeBase(*s, TriggerSource::current, 3), 3);
    EXPECT_FALSE(measure::chosenTimeBase(*s, TriggerSource::current, -1));
    EXPECT_FALSE(measure::chosenTimeBase(*s, TriggerSource::current, 0));
    s->autoTimeBase = 1; // "automatická" and " generátoru"
    EXPECT_EQ(measure::chosenTimeBase(*s, TriggerSource::current, 8), 7);
}

TEST(TimeBase, AppliedOnlyWhenItDiffers) {
    auto s = std::make_unique<SharedState>();
    const struct {
        int index;
        double pixelsPerPoint;
        int sampleStep;
    } rows[] = {{1, 1.0, 6}, {2, 1.0, 3}, {3, 0.83, 1}, {4, 1.65, 1},
                {5, 3.3, 1}, {6, 8.5, 1}, {7, 17.0, 1}};
    for (const auto& row : rows) {
        EXPECT_TRUE(measure::applyTimeBase(*s, row.index));
        EXPECT_DOUBLE_EQ(s->pixelsPerPoint, row.pixelsPerPoint);
        EXPECT_EQ(s->sampleStep, row.sampleStep);
        EXPECT_EQ(measure::shownTimeBase(*s), row.index);
        EXPECT_FALSE(measure::applyTimeBase(*s, row.index));
    }
    // "optimum" clears every entry, which forces the next frame to switch.
    s->timeBaseShown.fill(0);
    EXPECT_TRUE(measure::applyTimeBase(*s, 7));
}

} // namespace
