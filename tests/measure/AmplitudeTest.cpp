// The channel split, peaks and RMS readings of a block.

#include "measure/Amplitude.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>

namespace {

using measure::Channel;

struct AmplitudeTest : ::testing::Test {
    std::unique_ptr<SharedState> s = std::make_unique<SharedState>();
    // Frame k: voltage v(k), current c(k).
    template <class V, class C> void frames(int count, V v, C c) {
        for (int k = 0; k < count; ++k) {
            s->rawSamples[static_cast<std::size_t>(2 * k)] = v(k);
            s->rawSamples[static_cast<std::size_t>(2 * k + 1)] = c(k);
        }
        s->sampleCount = 2 * count;
    }
};

TEST_F(AmplitudeTest, ChannelsComeFromTheirPositionsAndTheRestOfTheArrayIsZero) {
    s->currentSamples.fill(77);
    frames(
        8000, [](int k) { return k % 100; }, [](int k) { return -(k % 50); });
    measure::measureChannel(*s, Channel::current);
    measure::measureChannel(*s, Channel::voltage);
    EXPECT_EQ(s->voltageSamples[7999], 99);
    EXPECT_EQ(s->currentSamples[7999], -49);
    // Entries 8000 .. 15999 come from positions beyond the block.
    EXPECT_EQ(s->currentSamples[8000], 0);
    EXPECT_EQ(s->currentSamples[15999], 0);
    EXPECT_EQ(s->currentSamples[16000], 77); // beyond N: not touched
    EXPECT_EQ(s->voltagePeak, 99);
    EXPECT_EQ(s->currentPeak, 49);
}

TEST_F(AmplitudeTest, EntryZeroNeverCounts) {
    frames(
        8000, [](int k) { return k == 0 ? 30000 : 0; }, [](int k) { return k == 0 ? -30000 : 0; });
    measure::measureChannel(*s, Channel::current);
    measure::measureChannel(*s, Channel::voltage);
    EXPECT_EQ(s->currentPeak, 0);
    EXPECT_EQ(s->voltagePeak, 0);
    EXPECT_EQ(measure::rmsReading(s->currentSquareSums, s->sampleCount, 0.03), 0.0);
}

TEST_F(AmplitudeTest, FullScaleNegativePeakFitsTheSixteenBits) {
    frames(
        10, [](int k) { return k == 3 ? -32768 : 0; }, [](int) { return 0; });
    measure::measureChannel(*s, Channel::voltage);
    EXPECT_EQ(s->voltagePeak, 32768);
}

TEST_F(AmplitudeTest, SineReadsHalfItsAmplitudeTimesTheFactor) {
    // The mean square is taken over the values of both channels, so a sine of
    // peak A in one channel reads A / 2 x factor (A / sqrt(2) RMS over half
    // the count). 8000 frames hold 18.14 periods of 100 Hz; the broken
    // period moves the mean square by less than 0.3 %.
    const double A = 10000;
    frames(
        8000,
        [&](int k) {
            return static_cast<int>(
                std::lround(A * std::sin(2 * std::numbers::pi * 100 * k / 44100.0)));
        },
        [](int) { return 0; });
    measure::measureChannel(*s, Channel::voltage);
    EXPECT_NEAR(measure::rmsReading(s->voltageSquareSums, s->sampleCount, 0.0357), A / 2 * 0.0357,
                A / 2 * 0.0357 * 0.003);
}

TEST_F(AmplitudeTest, BeforeTheFirstBlockThePassRunsOver32000ZeroEntries) {
    s->sampleCount = 32000;
    measure::measureChannel(*s, Channel::current);
    EXPECT_EQ(s->currentPeak, 0);
    EXPECT_EQ(measure::rmsReading(s->currentSquareSums, 32000, 0.03), 0.0);
    // After "optimum" only the first 16000 values hold the last block.
    frames(
        8000, [](int) { return 1000; }, [](int) { return 1000; });
    s->sampleCount = 32000;
    measure::measureChannel(*s, Channel::voltage);
    EXPECT_EQ(s->voltagePeak, 1000);
    EXPECT_EQ(s->voltageSamples[7999], 1000);
    EXPECT_EQ(s->voltageSamples[8000], 0); // positions from 16000 on hold no recording
    EXPECT_EQ(s->voltageSamples[15999], 0);
}

TEST(Amplitude, EmptyBlockReadsZeroAndReducedGainScalesThePeak) {
    EXPECT_EQ(measure::rmsReading(12345.0, 0, 0.03), 0.0);
    EXPECT_EQ(measure::reducedGainPeak(20000), 36000);
    EXPECT_EQ(measure::reducedGainPeak(1), 2); // 1.8
    EXPECT_EQ(measure::reducedGainPeak(3), 5); // 5.4
    EXPECT_EQ(measure::reducedGainPeak(32768), 58982);
}

} // namespace
