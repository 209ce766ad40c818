// The triggering channel and the start of the traces.

#include "measure/Trigger.h"

#include "measure/Frequency.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>

namespace {

using measure::Channel;
using measure::TriggerSource;

TEST(Trigger, SourceByBoxItemAndPeaks) {
    const struct {
        int item;
        std::uint16_t voltagePeak, currentPeak;
        TriggerSource source;
    } cases[] = {
        {0, 150, 100, TriggerSource::current}, // exactly 1.5 x: the current
        {0, 151, 100, TriggerSource::voltage}, {0, 0, 0, TriggerSource::current},
        {1, 30000, 1, TriggerSource::current}, {2, 0, 30000, TriggerSource::voltage},
        {-1, 30000, 1, TriggerSource::none}, // typed text in the box
    };
    for (const auto& c : cases)
        EXPECT_EQ(measure::chooseTriggerSource(c.item, c.voltagePeak, c.currentPeak), c.source)
            << c.item << " " << c.voltagePeak << " " << c.currentPeak;
}

struct TriggerSearch : ::testing::Test {
    std::unique_ptr<SharedState> s = std::make_unique<SharedState>();
    measure::ChannelView c = measure::view(*s, Channel::voltage);
    void SetUp() override {
        s->voltageSmoothingDivisor = 16;
        s->sampleCount = 16000;
    }
    std::uint16_t search() {
        measure::findFirstNegative(c, s->sampleCount);
        return measure::searchTrigger(c, s->sampleCount);
    }
};

TEST_F(TriggerSearch, StartsBeforeTheSmoothedSignalLeavesZeroDownwards) {
    // A negative run at the start, then positive values, then a fall.
    for (int i = 1; i < 10; ++i)
        s->voltageSamples[i] = -50;
    for (int i = 10; i < 100; ++i)
        s->voltageSamples[i] = 50;
    for (int i = 100; i < 200; ++i)
        s->voltageSamples[i] = -1000;
    // The smoothed signal is 0 up to 99 and leaves zero at 100.
    EXPECT_EQ(search(), 98);
    EXPECT_EQ(s->voltageTriggerIndex, 98);
    EXPECT_EQ(s->voltageStartMark, 1);
}

TEST_F(TriggerSearch, AFallSmallerThanTheSmoothingDivisorDoesNotTrigger) {
    s->voltageSamples[1] = -50;
    for (int i = 2; i < 100; ++i)
        s->voltageSamples[i] = 50;
    s->voltageSamples[100] = -15; // trunc(-15 / 16) = 0
    s->voltageSamples[101] = 50;
    s->voltageSamples[300] = -16; // the first value that leaves zero
    EXPECT_EQ(search(), 298);
}

TEST_F(TriggerSearch, WithoutAnEdgeTheTracesStartAt19998) {
    for (int i = 0; i < 8000; ++i) // all positive: no negative value at all
        s->voltageSamples[i] = 100;
    EXPECT_EQ(search(), measure::noTriggerIndex);
    // A sine of amplitude 10 never reaches -16.
    for (int i = 0; i < 8000; ++i)
        s->voltageSamples[i] =
            static_cast<std::int32_t>(std::lround(10 * std::sin(2 * std::numbers::pi * i / 441.0)));
    EXPECT_EQ(search(), measure::noTriggerIndex);
}

TEST_F(TriggerSearch, ASineTriggersAtTheStartOfANegativeHalfWave) {
    // 100 Hz, amplitude 3000, starting at phase 0: the first negative run
    // begins at 221; the next falls through zero at 662 and its first sample
    // below -16 follows at once.
    for (int i = 0; i < 8000; ++i)
        s->voltageSamples[i] = static_cast<std::int32_t>(
            std::lround(3000 * std::sin(2 * std::numbers::pi * 100 * i / 44100.0)));
    const std::uint16_t t = search();
    EXPECT_EQ(s->voltageStartMark, 221);
    EXPECT_GE(t, 659);
    EXPECT_LE(t, 662);
    EXPECT_LT(s->voltageSamples[t + 2], 0);
    EXPECT_GE(s->voltageSamples[t], 0);
}

} // namespace
