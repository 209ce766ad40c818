// The range boxes of the generator panels: slider settings per item, their
// order, and the readouts they lead to.
#include "generator/RangeTables.h"

#include "generator/PanelReadouts.h"

#include <gtest/gtest.h>

namespace {

using generator::SliderCall;
using generator::SliderSetting;

SliderCall min(int v) {
    return {SliderSetting::minimum, v};
}
SliderCall max(int v) {
    return {SliderSetting::maximum, v};
}
SliderCall pos(int v) {
    return {SliderSetting::position, v};
}

TEST(AmplitudeRange, EachItemSetsMinimumMaximumAndPositionWithTheirReadouts) {
    const struct {
        int item, maximum, position, readoutAtMaximum, readoutAtPosition;
        bool refreshesReadout;
    } table[] = {
        {0, 32767, 16384, 1100, 550, true}, {1, 16384, 8192, 550, 275, true},
        {2, 8200, 4100, 275, 138, false},   {3, 3280, 164, 110, 6, false},
        {4, 1640, 164, 55, 6, false},       {5, 820, 164, 28, 6, false},
        {6, 328, 164, 11, 6, false},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.item);
        const auto calls = generator::amplitudeRange(c.item);
        ASSERT_TRUE(calls.has_value());
        EXPECT_EQ(*calls, (generator::SliderCalls{min(0), max(c.maximum), pos(c.position)}));
        EXPECT_EQ(generator::amplitudeMillivolts(c.maximum), c.readoutAtMaximum);
        EXPECT_EQ(generator::amplitudeMillivolts(c.position), c.readoutAtPosition);
        EXPECT_EQ(generator::amplitudeRangeRefreshesReadout(c.item), c.refreshesReadout);
    }
    for (int item : {-1, 7, 8, 9}) {
        EXPECT_FALSE(generator::amplitudeRange(item).has_value()) << item;
        EXPECT_FALSE(generator::amplitudeRangeRefreshesReadout(item)) << item;
    }
}

TEST(FrequencyRange, CallsComeInTheOrderThatKeepsEachRangeReachable) {
    const struct {
        int item;
        generator::SliderCalls calls;
    } table[] = {
        {0, {min(20), max(100), pos(50)}},
        {1, {min(100), max(1000), pos(100)}},
        {2, {max(20000), min(1000), pos(4000)}},
        {3, {min(10), max(20000), pos(100)}},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.item);
        const auto calls = generator::frequencyRange(c.item);
        ASSERT_TRUE(calls.has_value());
        EXPECT_EQ(*calls, c.calls);
    }
    for (int item : {-1, 4, 5})
        EXPECT_FALSE(generator::frequencyRange(item).has_value()) << item;
}

} // namespace
