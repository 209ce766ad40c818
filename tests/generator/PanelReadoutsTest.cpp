// What the generator panels show for slider positions and typed values.
#include "generator/PanelReadouts.h"

#include <gtest/gtest.h>

namespace {

// The readouts of slider positions are checked with the range tables.
TEST(AmplitudeReadout, TypedMillivoltsInSliderUnits) {
    // Typed millivolts x 32.767 / 1.1 (29.788 units a millivolt), rounded:
    // 100 -> 2978.8 -> 2979; 1100 mV is full scale.
    const struct {
        std::int32_t typed;
        std::int64_t amplitude;
    } typed[] = {{100, 2979},   {0, 0},        {250, 7447}, {1000, 29788},
                 {1100, 32767}, {2000, 59576}, {-5, -149},  {1, 30}};
    for (const auto& c : typed)
        EXPECT_EQ(generator::amplitudeForTypedValue(c.typed), c.amplitude) << c.typed;
}

TEST(AmplitudeReadout, EveryTypedMillivoltReadsBackAsTyped) {
    // Typing what the readout shows must not move the amplitude's readout,
    // over the whole range of the slider.
    for (std::int32_t mv = 0; mv <= 1100; ++mv)
        ASSERT_EQ(generator::amplitudeMillivolts(generator::amplitudeForTypedValue(mv)), mv);
}

// A card whose output plays 0.9 of the program's scale, calibrated: the
// readout is what the line output carries, and a typed value plays it.
TEST(AmplitudeReadout, TheOutputFactorActsOnReadoutAndTypedValue) {
    const struct {
        std::int64_t position;
        double output;
        std::int64_t readout; // position / 29.788 x output, rounded
    } cases[] = {{3000, 1.0, 101},
                 {3000, 0.9, 91},
                 {32767, 0.9, 990},
                 {32767, 1.25, 1375},
                 {29788, 0.5, 500}};
    for (const auto& c : cases)
        EXPECT_EQ(generator::amplitudeMillivolts(c.position, c.output), c.readout) << c.output;
    // 100 mV typed on a card that plays 0.9: the program's scale must say
    // 111.1 mV, 3309.8 units.
    EXPECT_EQ(generator::amplitudeForTypedValue(100, 0.9), 3310);
    for (std::int32_t mv = 10; mv <= 990; ++mv)
        ASSERT_EQ(generator::amplitudeMillivolts(generator::amplitudeForTypedValue(mv, 0.9), 0.9),
                  mv);
}

TEST(FrequencySlider, PositionsGiveFrequencyReadoutUnitStepsAndWarning) {
    const struct {
        std::int32_t position, frequency;
        const char* readout;
        const char* unit;
        bool warning;
        std::int32_t large, small;
    } table[] = {
        // clang-format off
        {20,    20,    " 20",   " Hz", false, 10,  1},
        {99,    99,    " 99",   " Hz", false, 10,  1},
        {100,   100,   " 100",  " Hz", false, 10,  1},
        {999,   999,   " 999",  " Hz", false, 10,  1},
        {2500,  2500,  " 2.5",  "kHz", false, 100, 10},
        {2549,  2500,  " 2.6",  "kHz", false, 100, 10}, // 254.9 -> 255 hundredths -> 26 tenths
        {2550,  2600,  " 2.6",  "kHz", true,  100, 10},
        {1250,  1200,  " 1.2",  "kHz", false, 100, 10},
        {1255,  1300,  " 1.3",  "kHz", false, 100, 10},
        {20000, 20000, " 20.0", "kHz", true,  100, 10},
        // clang-format on
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.position);
        const generator::FrequencySlider s = generator::frequencySlider(c.position);
        EXPECT_EQ(s.frequency, c.frequency);
        EXPECT_EQ(s.readout, c.readout);
        EXPECT_EQ(s.unit, c.unit);
        EXPECT_EQ(s.beyondDisplayLimit, c.warning);
        EXPECT_EQ(s.largeChange, c.large);
        EXPECT_EQ(s.smallChange, c.small);
    }
}

} // namespace
