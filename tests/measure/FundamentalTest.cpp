// The fundamental fit of a block: amplitude and phase of synthetic sines,
// and the impedance, phase and power of a known circuit.

#include "measure/Fundamental.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;

// 8000 frames: voltage U cos(wt + pu), current I cos(wt + pi_), plus an
// offset and a third harmonic that the fit must ignore.
std::unique_ptr<SharedState> block(double f, double U, double pu, double I, double pI) {
    auto s = std::make_unique<SharedState>();
    for (int k = 0; k < 8000; ++k) {
        const double w = 2 * pi * f * k / 44100;
        s->rawSamples[static_cast<std::size_t>(2 * k)] = static_cast<std::int32_t>(
            std::lround(U * std::cos(w + pu) + 0.05 * U * std::cos(3 * w) + 40));
        s->rawSamples[static_cast<std::size_t>(2 * k + 1)] =
            static_cast<std::int32_t>(std::lround(I * std::cos(w + pI) - 25));
    }
    s->sampleCount = 16000;
    return s;
}

TEST(Fundamental, FitsAmplitudeAndPhaseOverWholePeriods) {
    const struct {
        double f, U, pu, I, pI;
    } cases[] = {{100, 5600, 0.0, 670, 1.01},
                 {40, 20000, 2.0, 3000, -1.0},
                 {1000, 3000, -2.5, 300, 0.4},
                 {2400, 10000, 1.0, 10000, 1.0},
                 {159.15, 8000, 0.3, 50, 0.3}};
    for (const auto& c : cases) {
        const auto s = block(c.f, c.U, c.pu, c.I, c.pI);
        const auto r = measure::analyseBlock(s->rawSamples, s->sampleCount, 0.03, 0.0357, 0);
        ASSERT_TRUE(r.valid) << c.f;
        EXPECT_NEAR(r.frequency, c.f, c.f * 1e-4);
        // A readout is amplitude / 2 x factor.
        EXPECT_NEAR(r.voltageRms, c.U / 2 * 0.0357, c.U / 2 * 0.0357 * 0.002) << c.f;
        EXPECT_NEAR(r.currentRms, c.I / 2 * 0.03, c.I / 2 * 0.03 * 0.01 + 0.01) << c.f;
        double phase = (c.pu - c.pI) * 180 / pi;
        EXPECT_NEAR(r.phaseDegrees, phase, 0.2) << c.f;
        const double U = c.U / 2 * 0.0357, I = c.I / 2 * 0.03;
        EXPECT_NEAR(r.impedance, U / I, U / I * 0.01) << c.f;
        const double P = U * I * std::cos(phase * pi / 180) / 1000;
        EXPECT_NEAR(r.power, P, std::abs(P) * 0.01 + 1e-4) << c.f;
    }
}

TEST(Fundamental, PhaseWrapsIntoOneTurnAndLeadsPositive) {
    // Voltage 90 degrees ahead of the current, as at an inductor; then 170
    // degrees behind, which is -170 and not +190.
    auto lead = block(100, 5000, pi / 2, 5000, 0);
    EXPECT_NEAR(measure::analyseBlock(lead->rawSamples, 16000, 0.03, 0.0357, 0).phaseDegrees, 90,
                0.2);
    auto lag = block(100, 5000, -170 * pi / 180, 5000, 0);
    EXPECT_NEAR(measure::analyseBlock(lag->rawSamples, 16000, 0.03, 0.0357, 0).phaseDegrees, -170,
                0.2);
}

TEST(Fundamental, NoCurrentOrNoSignal) {
    auto open = block(100, 5000, 0, 0, 0);
    const auto r = measure::analyseBlock(open->rawSamples, 16000, 0.03, 0.0357, 0);
    EXPECT_TRUE(r.valid);
    EXPECT_TRUE(r.currentTooSmall);
    auto silent = std::make_unique<SharedState>();
    EXPECT_FALSE(measure::analyseBlock(silent->rawSamples, 16000, 0.03, 0.0357, 0).valid);
    EXPECT_FALSE(measure::analyseBlock(silent->rawSamples, 0, 0.03, 0.0357, 100).valid);
    // Silence with a hint: fitted, and too small.
    EXPECT_TRUE(
        measure::analyseBlock(silent->rawSamples, 16000, 0.03, 0.0357, 100).currentTooSmall);
}

} // namespace
