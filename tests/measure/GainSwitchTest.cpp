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
        {0, 30500, 1, 35535, 0.0652},
        {0, 65535, 1, 35535, 0.0652},
        {1, 15000, 1, 0, 0.035},
        {1, 30500, 1, 0, 0.035},
        {1, 14999, 0, 65535, 0.0357}, // back to full: the start-up
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

// One signal read on both sides of the switch: at full gain its samples are
// S, at a reached level L they are S * L / 65535 (the line input's level is a
// share of full amplitude). The corrected reduced readout must match the
// full one within 1 %, whichever step the capture control reached.
TEST(GainSwitch, ReducedReadoutsStayCalibratedAtTheStepReached) {
    const struct {
        const char* what;
        std::int64_t reached;
        bool reduced;
    } cases[] = {
        {"exactly what was asked", 35535, true},
        {"HDA 0.75 dB step above: -5.25 dB", 35770, true},
        {"HDA 0.75 dB step below: -6.0 dB", 32845, true},
        {"USB 1.5 dB step above: -4.5 dB", 39010, true},
        {"a control that stops at -3 dB", 46395, true},
        {"no step below full at all", 65535, false},
        {"half a step below full is none", 65300, false},
        {"nothing read back", 0, false},
    };
    const double samples = 10000.0; // RMS at full gain
    const double fullVoltage = samples * measure::fullGainFactors.voltageReadout;
    const double fullCurrent = samples * measure::fullGainFactors.currentReadout;
    const double fullTrace = samples * measure::fullGainFactors.voltageTrace;
    for (const auto& c : cases) {
        const auto r = measure::reducedGainFor(c.reached);
        EXPECT_EQ(r.reduced, c.reduced) << c.what;
        // Where nothing was reduced the samples are those of full gain.
        const double share = c.reduced ? static_cast<double>(c.reached) / 65535.0 : 1.0;
        EXPECT_NEAR(samples * share * r.factors.voltageReadout / fullVoltage, 1.0, 0.01) << c.what;
        EXPECT_NEAR(samples * share * r.factors.currentReadout / fullCurrent, 1.0, 0.01) << c.what;
        EXPECT_NEAR(samples * share * r.factors.voltageTrace / fullTrace, 1.0, 0.015) << c.what;
    }
}

// A calibrated card: both gain states carry the card's factors, and under
// reduced gain a signal recorded at the share L / 65535 of its full-gain
// amplitude reads exactly what it read at full gain.
TEST(GainSwitch, ACalibratedCardReadsTheSameAtBothGains) {
    const struct {
        double voltage, current;
        std::int64_t reached;
    } cases[] = {{1.25, 0.8, 35535}, {0.5, 2, 32845}, {3, 0.3, 46395}, {1.0001, 1, 39010}};
    for (const auto& c : cases) {
        auto s = std::make_unique<SharedState>();
        measure::applyCalibration(*s, c.voltage, c.current, 1);
        measure::writeFactors(*s, measure::fullGainFactors);
        EXPECT_DOUBLE_EQ(s->voltageReadoutFactor, 0.0357 * c.voltage);
        EXPECT_DOUBLE_EQ(s->currentTraceFactor, 0.042 * c.current);
        const double fullVoltage = s->voltageReadoutFactor;
        const double fullCurrent = s->currentReadoutFactor;
        measure::writeFactors(*s, measure::reducedGainFor(c.reached, true).factors);
        const double share = static_cast<double>(c.reached) / 65535.0;
        EXPECT_NEAR(share * s->voltageReadoutFactor / fullVoltage, 1.0, 1e-12) << c.reached;
        EXPECT_NEAR(share * s->currentReadoutFactor / fullCurrent, 1.0, 1e-12) << c.reached;
    }
}

// A new calibration takes the place of the old one in the factors in force;
// the same factors again change nothing at all.
TEST(GainSwitch, ANewCalibrationReplacesTheOld) {
    auto s = std::make_unique<SharedState>();
    measure::writeFactors(*s, measure::fullGainFactors);
    measure::applyCalibration(*s, 1, 1, 1);
    EXPECT_EQ(s->voltageReadoutFactor, 0.0357) << "bit for bit";
    measure::applyCalibration(*s, 1.25, 0.8, 0.9);
    measure::applyCalibration(*s, 0.5, 2, 1.1);
    EXPECT_DOUBLE_EQ(s->voltageReadoutFactor, 0.0357 * 0.5);
    EXPECT_DOUBLE_EQ(s->voltageTraceFactor, 0.0494 * 0.5);
    EXPECT_DOUBLE_EQ(s->currentReadoutFactor, 0.03 * 2);
    EXPECT_EQ(s->outputCalibration, 1.1);
    measure::applyCalibration(*s, 1, 1, 1);
    EXPECT_DOUBLE_EQ(s->currentTraceFactor, 0.042);
}

} // namespace
