// The input-gain switch with its hysteresis and factor sets.

#include "measure/GainSwitch.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(GainSwitch, HysteresisLevelsAndFactorSets) {
    const struct {
        std::int32_t reducedBefore;
        std::uint16_t peak;
        std::int32_t reducedAfter;
        std::int64_t level; // 0: no change
        double voltageReadoutFactor;
    } cases[] = {
        {0, 30499, 0, 0, 0.035}, // factors untouched ("optimum" set)
        {0, 30500, 1, 35535, 0.0652}, {0, 65535, 1, 35535, 0.0652}, {1, 15000, 1, 0, 0.035},
        {1, 30500, 1, 0, 0.035},      {1, 14999, 0, 65535, 0.0357}, // back to full: the start-up
                                                                    // set
        {1, 0, 0, 65535, 0.0357},
    };
    for (const auto& c : cases) {
        auto s = std::make_unique<SharedState>();
        s->reducedGain = c.reducedBefore;
        s->voltagePeak = c.peak;
        s->voltageReadoutFactor = 0.035;
        const auto change = measure::switchGain(*s);
        EXPECT_EQ(s->reducedGain, c.reducedAfter) << c.peak;
        EXPECT_EQ(change ? change->level : 0, c.level) << c.peak;
        EXPECT_DOUBLE_EQ(s->voltageReadoutFactor, c.voltageReadoutFactor) << c.peak;
        if (c.level == 35535) {
            EXPECT_TRUE(change->entersReduced);
            EXPECT_DOUBLE_EQ(s->currentReadoutFactor, 0.055);
            EXPECT_DOUBLE_EQ(s->voltageTraceFactor, 0.09);
            EXPECT_DOUBLE_EQ(s->currentTraceFactor, 0.07336);
        }
        if (c.level == 65535) {
            EXPECT_DOUBLE_EQ(s->currentReadoutFactor, 0.03);
            EXPECT_DOUBLE_EQ(s->voltageTraceFactor, 0.0494);
            EXPECT_DOUBLE_EQ(s->currentTraceFactor, 0.042);
        }
    }
}

TEST(GainSwitch, OverloadWarningOnlyAtFullScaleUnderReducedGain) {
    EXPECT_FALSE(measure::overloadPanelVisible(30499, 1));
    EXPECT_TRUE(measure::overloadPanelVisible(30500, 1));
    EXPECT_TRUE(measure::overloadPanelVisible(65535, 1));
    EXPECT_FALSE(measure::overloadPanelVisible(30500, 0));
    EXPECT_FALSE(measure::overloadPanelVisible(65535, 0));
}

} // namespace
