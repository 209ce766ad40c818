// Frequency readouts: pure sines across the display range, the coarse and
// fine passes, the display limit, the generator's frequency and silence.

#include "measure/Frequency.h"

#include "measure/Amplitude.h"
#include "measure/Ranges.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>
#include <string>

namespace {

using measure::Channel;

// A state as start-up leaves it, with a block of 8000 frames whose two
// channels carry the same sine, measured and ranged as a display frame does.
std::unique_ptr<SharedState> sineBlock(double frequency, double amplitude, double phase) {
    auto s = std::make_unique<SharedState>();
    s->currentSmoothingDivisor = s->voltageSmoothingDivisor = 16;
    s->currentGain = s->voltageGain = 1;
    s->activeCurrentRange = 3;
    s->activeVoltageRange = 9;
    s->currentAutoRange = s->voltageAutoRange = 1;
    s->voltageStartMark = 1;
    for (int k = 0; k < 8000; ++k) {
        const auto v = static_cast<std::int32_t>(std::lround(
            amplitude * std::sin(2 * std::numbers::pi * frequency * k / 44100.0 + phase)));
        s->rawSamples[static_cast<std::size_t>(2 * k)] = v;
        s->rawSamples[static_cast<std::size_t>(2 * k + 1)] = v;
    }
    s->sampleCount = 16000;
    for (Channel channel : {Channel::current, Channel::voltage}) {
        measure::measureChannel(*s, channel);
        measure::applyRange(*s, channel, *measure::chosenRange(*s, channel, 0));
    }
    return s;
}

double shownHertz(const std::string& text) {
    return std::stod(text.substr(0, text.size() - 2));
}

TEST(Frequency, PureSinesReadWithinHalfAPercent) {
    int cases = 0;
    for (double f : {40.0, 99.0, 251.0, 1000.0, 2000.0, 2400.0}) {
        for (double amplitude : {300.0, 3000.0, 30000.0}) {
            for (double phase : {0.0, 1.0, 2.5, 4.0, 5.5}) {
                auto s = sineBlock(f, amplitude, phase);
                for (Channel channel : {Channel::current, Channel::voltage}) {
                    const auto display = measure::showFrequency(*s, channel);
                    ASSERT_NE(display.text, "f > fmax") << f << " " << amplitude << " " << phase;
                    // Half a percent, plus the rounding to (even) hertz.
                    EXPECT_NEAR(shownHertz(display.text), f, 0.005 * f + 1)
                        << f << " Hz, amplitude " << amplitude << ", phase " << phase;
                    ++cases;
                }
            }
        }
    }
    EXPECT_EQ(cases, 180);
}

TEST(Frequency, BeyondTheDisplayLimitAndSilence) {
    for (double phase : {0.0, 2.0, 4.0}) {
        auto s = sineBlock(2600, 10000, phase);
        EXPECT_EQ(measure::showFrequency(*s, Channel::voltage).text, "f > fmax") << phase;
    }
    auto silent = sineBlock(100, 0, 0);
    for (Channel channel : {Channel::current, Channel::voltage}) {
        const auto display = measure::showFrequency(*silent, channel);
        EXPECT_EQ(display.text, "f > fmax");
        EXPECT_FALSE(display.hidesDisplayLimitWarning);
    }
}

TEST(Frequency, TextsOfTheCoarseAndTheFinePass) {
    EXPECT_EQ(measure::coarseFrequencyDisplay(50).text, "    50Hz");
    EXPECT_EQ(measure::coarseFrequencyDisplay(100).text, "   100Hz");
    const struct {
        double f;
        bool generator;
        const char* text;
        bool hides;
    } cases[] = {
        {251, false, "  252Hz", true}, // measured: even hertz
        {251, true, "  251Hz", true},  // generator: as it is
        {1001, false, " 1000Hz", true},    {2500, false, " 2500Hz", true},
        {2500.5, true, "f > fmax", false}, {12760, true, "f > fmax", false},
    };
    for (const auto& c : cases) {
        const auto display = measure::fineFrequencyDisplay(c.f, c.generator);
        EXPECT_EQ(display.text, c.text) << c.f;
        EXPECT_EQ(display.hidesDisplayLimitWarning, c.hides) << c.f;
    }
}

TEST(Frequency, GeneratorTimeBaseShowsGenerator1) {
    // Exactly 100 Hz is shown from the coarse pass in width 5, above it from
    // the fine pass in width 4; the measured signal does not matter.
    const struct {
        std::int32_t generator;
        const char* text;
    } cases[] = {{100, "   100Hz"}, {101, "  101Hz"}, {2500, " 2500Hz"}, {2501, "f > fmax"}};
    for (const auto& c : cases) {
        auto s = sineBlock(1000, 3000, 0);
        s->generatorTimeBase = 1;
        s->generator1Frequency = c.generator;
        EXPECT_EQ(measure::showFrequency(*s, Channel::current).text, c.text);
        EXPECT_DOUBLE_EQ(s->currentFrequency, c.generator);
        // The fine pass ran above 100 Hz and measured the signal all the same.
        if (c.generator > 100) {
            EXPECT_NEAR(s->currentFrequencyMeasured, 1000, 5);
        }
    }
}

TEST(Frequency, StartThresholds) {
    auto s = std::make_unique<SharedState>();
    s->currentGain = 50; // 2 mA
    EXPECT_DOUBLE_EQ(measure::searchThreshold(*s, Channel::current), 0.02);
    const struct {
        int range;
        double gain;
        double threshold;
    } cases[] = {{1, 0.002, 100}, {2, 0.005, 100}, {3, 0.01, 100}, {5, 0.05, 20}, {12, 10, 0.1}};
    for (const auto& c : cases) {
        s->activeVoltageRange = c.range;
        s->voltageGain = c.gain;
        EXPECT_DOUBLE_EQ(measure::searchThreshold(*s, Channel::voltage), c.threshold) << c.range;
    }
}

TEST(Frequency, SearchesStopAtTheEndOfTheArrays) {
    // A full array of positive values: nothing to find, nothing read beyond.
    auto s = std::make_unique<SharedState>();
    s->currentSmoothingDivisor = 16;
    s->currentGain = 1;
    s->currentSamples.fill(5);
    s->sampleCount = sampleCapacity;
    measure::ChannelView c = measure::view(*s, Channel::current);
    ASSERT_EQ(measure::findFirstPositive(c, s->sampleCount), 1);
    const auto half = measure::searchHalfPeriod(c, s->sampleCount, measure::finePass, 1.0);
    EXPECT_EQ(half.start, 19999);
    EXPECT_GT(half.end, half.start);
}

} // namespace
