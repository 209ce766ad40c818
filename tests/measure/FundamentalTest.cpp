// The fundamental fit of a block: amplitude and phase of synthetic sines,
// and the impedance, phase and power of a known circuit.

#include "measure/Fundamental.h"

#include "measure/CircuitText.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>
#include <random>

namespace {

using std::numbers::pi;

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

// A block of `frames` frames: U cos(wt + pu) + h U cos(2wt) on the voltage,
// I cos(wt + pI) on the current (sampled `skew` frames late), each with
// Gaussian noise of RMS `noise` from `seed`, clipped to 16 bits.
struct Signal {
    double f, U, pu, I, pI;
    double harmonic = 0, skew = 0, noise = 0;
    unsigned seed = 1;
};

std::unique_ptr<SharedState> noisyBlock(const Signal& g) {
    auto s = std::make_unique<SharedState>();
    std::mt19937 random(g.seed);
    std::normal_distribution<double> gauss(0, g.noise);
    auto sample = [](double v) {
        return static_cast<std::int32_t>(std::clamp(std::lround(v), -32768L, 32767L));
    };
    for (int k = 0; k < 8000; ++k) {
        const double w = 2 * pi * g.f / 44100;
        const double u = g.U * std::cos(w * k + g.pu) + g.harmonic * g.U * std::cos(2 * w * k);
        const double i = g.I * std::cos(w * (k - g.skew) + g.pI);
        s->rawSamples[static_cast<std::size_t>(2 * k)] = sample(u + gauss(random));
        s->rawSamples[static_cast<std::size_t>(2 * k + 1)] = sample(i + gauss(random));
    }
    s->sampleCount = 16000;
    return s;
}

TEST(Fundamental, WholePeriodsKeepASecondHarmonicOutOfSlowSignals) {
    // 10 to 15 Hz: a block holds one or two periods and a bit; a fit over
    // the bit as well would take part of the harmonic for the fundamental.
    for (double f : {10.0, 12.5, 15.0})
        for (double h : {0.1, 0.3}) {
            const auto s = noisyBlock({f, 8000, 0.5, 2000, 0.0, h});
            const auto r = measure::analyseBlock(s->rawSamples, 16000, 0.03, 0.0357, 0);
            ASSERT_TRUE(r.valid) << f << " " << h;
            const double U = 8000 / 2 * 0.0357, I = 2000 / 2 * 0.03;
            EXPECT_NEAR(r.impedance, U / I, 0.002 * U / I) << f << " " << h;
            EXPECT_NEAR(r.phaseDegrees, 0.5 * 180 / pi, 0.1) << f << " " << h;
        }
}

TEST(Fundamental, HalfASampleBetweenTheChannelsIsFourDegreesAtOneKilohertz) {
    // The current sampled half a frame late lags by 360 x 1000 / 88200 =
    // 4.08 degrees more; at 100 Hz by 0.41 degrees.
    const struct {
        double f, skew, degrees;
    } cases[] = {{1000, 0.5, 4.082}, {1000, 0, 0}, {100, 0.5, 0.408}, {100, 0, 0}};
    for (const auto& c : cases) {
        const auto s = noisyBlock({c.f, 6000, 0, 3000, 0, 0, c.skew});
        const auto r = measure::analyseBlock(s->rawSamples, 16000, 0.03, 0.0357, 0);
        EXPECT_NEAR(r.phaseDegrees, c.degrees, 0.05) << c.f << " " << c.skew;
    }
}

TEST(Fundamental, ClippingAndACurrentLostInNoiseAreSaid) {
    const struct {
        Signal signal;
        bool overdriven, tooSmall;
    } cases[] = {
        {{100, 40000, 0, 3000, 0}, true, false},       // the voltage is clipped
        {{100, 5000, 0, 40000, 0}, true, false},       // the current is clipped
        {{100, 32000, 0, 3000, 0}, false, false},      // just below full scale
        {{100, 5000, 0, 8, 0, 0, 0, 5}, false, true},  // 8 units in noise of 5
        {{100, 5000, 0, 8, 0, 0, 0, 1}, false, false}, // the same current, clean
        {{100, 5000, 0, 3, 0}, false, true},           // below the absolute floor
    };
    for (const auto& c : cases) {
        const auto s = noisyBlock(c.signal);
        const auto r = measure::analyseBlock(s->rawSamples, 16000, 0.03, 0.0357, 0);
        ASSERT_TRUE(r.valid) << c.signal.U << " " << c.signal.I;
        EXPECT_EQ(r.overdriven, c.overdriven) << c.signal.U << " " << c.signal.I;
        if (!c.overdriven) {
            EXPECT_EQ(r.currentTooSmall, c.tooSmall) << c.signal.I << " " << c.signal.noise;
        }
    }
    const auto clipped = noisyBlock({100, 40000, 0, 3000, 0});
    EXPECT_EQ(
        measure::circuitLine(measure::analyseBlock(clipped->rawSamples, 16000, 0.03, 0.0357, 0)),
        "|Z|, φ: přebuzeno");
}

TEST(Fundamental, TheStatedUncertaintyCoversTheTrueValue) {
    // Noise that scatters |Z| by about a percent from block to block.
    const struct { double I, noise, degrees; } cases[] = {{30, 8, -40}, {15, 3, 60}, {100, 30, 0}};
    for (const auto& c : cases) {
        const double pu = c.degrees * pi / 180;
        const double U = 6000.0 / 2 * 0.0357, I = c.I / 2 * 0.03;
        int covered = 0, phaseCovered = 0;
        double largest = 0, spread = 0;
        for (unsigned seed = 1; seed <= 10; ++seed) {
            const auto s = noisyBlock({200, 6000, pu, c.I, 0, 0, 0, c.noise, seed});
            const auto r = measure::analyseBlock(s->rawSamples, 16000, 0.03, 0.0357, 0);
            ASSERT_TRUE(r.valid && !r.currentTooSmall) << c.I;
            covered += std::abs(r.impedance - U / I) <= r.impedanceUncertainty;
            phaseCovered += std::abs(r.phaseDegrees - c.degrees) <= r.phaseUncertainty;
            largest = std::max(largest, r.impedanceUncertainty / r.impedance);
            spread = std::max(spread, std::abs(r.impedance - U / I) / (U / I));
        }
        EXPECT_GE(covered, 9) << c.I << " " << c.noise;
        EXPECT_GE(phaseCovered, 9) << c.I << " " << c.noise;
        // The noise does scatter |Z|, and the uncertainty stays of its size.
        EXPECT_GT(spread, 0.002) << c.I;
        EXPECT_LT(largest, 4 * spread + 0.002) << c.I;
    }
}

} // namespace

// Blocks that take the less usual ways through the analysis: a frequency
// only the current shows (one with fewer than eight samples a period too),
// a clip on one side alone, a length that is no multiple of four frames,
// fitted sample by sample above 1 kHz, and the generator's highest frequency,
// whose crossings alone place it too roughly for a block-long fit.
TEST(Fundamental, CurrentOnlyNegativeClipAndOddLengths) {
    const struct {
        Signal signal;
        double offset; // added to the voltage before the clip to 16 bits
        int sampleCount;
        bool overdriven;
        double voltageRms, currentRms; // with readout factors 1: amplitude / 2
    } cases[] = {
        {{250, 0, 0, 3000, 0}, 0, 16000, false, 0, 1500},     // no voltage
        {{19000, 0, 0, 3000, 0}, 0, 16000, false, 0, 1500},   // 2.3 samples a period
        {{100, 31000, 0, 3000, 0}, -2000, 16000, true, 0, 0}, // clipped at -32768
        {{100, 31000, 0, 3000, 0}, 2000, 16000, true, 0, 0},  // clipped at 32767
        {{100, 30000, 0, 3000, 0}, -2000, 16000, false, 15000, 1500},
        {{1234.5, 8000, 1, 2000, 0.5}, 0, 15994, false, 4000, 1000}, // 7997 frames
        {{97, 8000, 1, 2000, 0.5}, 0, 14002, false, 4000, 1000},     // 7001 frames
        {{20000, 8000, 1, 2000, 0.5}, 0, 16000, false, 4000, 1000},  // 2.2 samples a period
    };
    for (const auto& c : cases) {
        auto s = noisyBlock(c.signal);
        for (int k = 0; k < 8000; ++k) {
            const double u = c.signal.U * std::cos(2 * pi * c.signal.f * k / 44100 + c.signal.pu);
            s->rawSamples[static_cast<std::size_t>(2 * k)] =
                static_cast<std::int32_t>(std::clamp(std::lround(u + c.offset), -32768L, 32767L));
        }
        const auto r = measure::analyseBlock(s->rawSamples, c.sampleCount, 1, 1, 0);
        ASSERT_TRUE(r.valid) << c.signal.f;
        EXPECT_NEAR(r.frequency, c.signal.f, 1e-3 * c.signal.f);
        EXPECT_EQ(r.overdriven, c.overdriven) << c.signal.f << " " << c.offset;
        if (c.overdriven) continue;
        EXPECT_NEAR(r.voltageRms, c.voltageRms, 2e-3 * c.voltageRms + 1);
        EXPECT_NEAR(r.currentRms, c.currentRms, 2e-3 * c.currentRms);
        if (c.voltageRms > 0) {
            EXPECT_NEAR(r.phaseDegrees, (c.signal.pu - c.signal.pI) * 180 / pi, 0.05);
        }
    }
}

// After a change of frequency a slow circuit's current carries an offset
// that dies away with its time constant (L / R of an iron-core coil may be a
// second). Fitted at the drive frequency, the block reads the sine alone:
// a falling offset left in the fit would read about 1 % off at 10 Hz.
TEST(Fundamental, ADyingOffsetDoesNotMoveTheDrivenReading) {
    const struct {
        double f, tau, offset; // Hz, s, of the current's amplitude at the block's start
    } cases[] = {{10, 1.0, 0.3}, {10, 0.5, 0.1}, {20, 0.4, 0.3}, {50, 2.0, 0.8}, {200, 1.0, 0.0}};
    const double U = 8000, pu = 1.3, I = 6000, pI = -0.2;
    for (const auto& c : cases) {
        SharedState s;
        for (int k = 0; k < 8000; ++k) {
            const double t = k / 44100.0, w = 2 * pi * c.f * t;
            s.rawSamples[static_cast<std::size_t>(2 * k)] =
                static_cast<std::int32_t>(std::lround(U * std::cos(w + pu)));
            s.rawSamples[static_cast<std::size_t>(2 * k + 1)] = static_cast<std::int32_t>(
                std::lround(I * std::cos(w + pI) + c.offset * I * std::exp(-t / c.tau)));
        }
        s.sampleCount = 16000;
        const auto r = measure::analyseDrivenBlock(s.rawSamples, s.sampleCount, 1.0, 1.0, c.f);
        ASSERT_TRUE(r.valid) << c.f;
        EXPECT_NEAR(r.impedance, U / I, U / I * 5e-4) << c.f << " Hz, tau " << c.tau;
        EXPECT_NEAR(r.phaseDegrees, (pu - pI) * 180 / pi, 0.05) << c.f << " Hz, tau " << c.tau;
    }
}
