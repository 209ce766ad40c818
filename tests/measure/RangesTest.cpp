// Automatic and manual ranges of both channels, and applying a range.

#include "measure/Ranges.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using measure::Channel;

TEST(Ranges, AutomaticCurrentRangeAtTheBandEdges) {
    // Range identifiers are the items of the current range box; 9 is 1 A.
    const struct {
        std::uint16_t peak;
        int range;
    } cases[] = {{0, 8},    {89, 8},   {90, 7},   {224, 7},   {225, 6},   {449, 6},
                 {450, 5},  {899, 5},  {900, 4},  {2249, 4},  {2250, 3},  {4499, 3},
                 {4500, 2}, {8999, 2}, {9000, 1}, {22499, 1}, {22500, 9}, {58982, 9}};
    for (const auto& c : cases)
        EXPECT_EQ(measure::automaticCurrentRange(c.peak), c.range) << c.peak;
}

TEST(Ranges, AutomaticVoltageRangeAtTheBandEdgesAndUnderReducedGain) {
    const struct {
        std::uint16_t peak;
        int range;
    } cases[] = {{0, 12},   {449, 12}, {450, 11}, {899, 11}, {900, 10},  {2249, 10}, {2250, 9},
                 {4499, 9}, {4500, 8}, {8999, 8}, {9000, 7}, {22499, 7}, {22500, 6}, {32768, 6}};
    for (const auto& c : cases) {
        EXPECT_EQ(measure::automaticVoltageRange(c.peak, 0), c.range) << c.peak;
        EXPECT_EQ(measure::automaticVoltageRange(c.peak, 1), 5) << c.peak; // 2 V
    }
}

TEST(Ranges, TablesGiveDivisionGainAndUnits) {
    const struct {
        Channel channel;
        int id;
        double division, gain;
        const char *upper, *lower;
    } cases[] = {
        {Channel::current, 1, 50, 0.2, "+mA", "-mA"},   // 500 mA
        {Channel::current, 8, 0.2, 50, "+mA", "-mA"},   // 2 mA
        {Channel::current, 9, 0.1, 0.1, "+ A", "- A"},  // 1 A
        {Channel::voltage, 1, 5, 0.002, "+ V", "- V"},  // 50 V
        {Channel::voltage, 5, 0.2, 0.05, "+ V", "- V"}, // 2 V
        {Channel::voltage, 7, 50, 0.2, "+mV", "-mV"},   // 500 mV
        {Channel::voltage, 12, 1, 10, "+mV", "-mV"},    // 10 mV
    };
    for (const auto& c : cases) {
        const auto spec = measure::rangeSpec(c.channel, c.id);
        ASSERT_TRUE(spec) << c.id;
        EXPECT_DOUBLE_EQ(spec->divisionValue, c.division);
        EXPECT_DOUBLE_EQ(spec->gain, c.gain);
        EXPECT_STREQ(spec->upperUnit, c.upper);
        EXPECT_STREQ(spec->lowerUnit, c.lower);
    }
    EXPECT_FALSE(measure::rangeSpec(Channel::current, 10));
    EXPECT_FALSE(measure::rangeSpec(Channel::voltage, 0));
}

TEST(Ranges, ManualItemsTypedTextAndTheGainState) {
    auto s = std::make_unique<SharedState>();
    s->currentAutoRange = 0;
    s->voltageAutoRange = 0;
    s->reducedGain = 1;
    s->voltagePeak = 100;
    EXPECT_EQ(measure::chosenRange(*s, Channel::current, 4), 4);
    EXPECT_EQ(measure::chosenRange(*s, Channel::voltage, 12), 12); // manual stays in reduced gain
    EXPECT_FALSE(measure::chosenRange(*s, Channel::current, -1));  // typed text: range stays
    EXPECT_FALSE(measure::chosenRange(*s, Channel::current, 9));   // 1 A has no item
    s->voltageAutoRange = 1;
    EXPECT_EQ(measure::chosenRange(*s, Channel::voltage, 12), 5); // automatic: 2 V
}

TEST(Ranges, ApplyingTheActiveRangeChangesNothing) {
    auto s = std::make_unique<SharedState>();
    s->activeCurrentRange = 3;
    s->currentGain = 1;
    s->currentDivisionValue = 10;
    EXPECT_FALSE(measure::applyRange(*s, Channel::current, 3));
    // Straight from 1 A to 2 mA: division and gain change together.
    ASSERT_TRUE(measure::applyRange(*s, Channel::current, 9));
    const auto spec = measure::applyRange(*s, Channel::current, 8);
    ASSERT_TRUE(spec);
    EXPECT_EQ(s->activeCurrentRange, 8);
    EXPECT_DOUBLE_EQ(s->currentGain, 50);
    EXPECT_DOUBLE_EQ(s->currentDivisionValue, 0.2);
    EXPECT_STREQ(spec->upperUnit, "+mA");
}

} // namespace
