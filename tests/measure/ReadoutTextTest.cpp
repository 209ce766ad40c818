// The texts of the readouts: bands, widths, units and the rounding at the
// band edges.

#include "measure/ReadoutText.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadoutText, BandsWidthsAndUnits) {
    struct Case {
        double value;
        const char* small;
        const char* big;
        const char* text;
        const char* number;
    };
    const Case cases[] = {
        {0.0, "mA", "A", " 0.0mA", " 0.0"}, // silence
        {0.0, "mV", "V", " 0.0mV", " 0.0"},
        {46.54, "mA", "A", "46.5mA", "46.5"},
        {5.0, "mA", "A", " 5.0mA", " 5.0"},
        {0.04, "mV", "V", " 0.0mV", " 0.0"},
        {99.94, "mA", "A", "99.9mA", "99.9"},
        {100.0, "mA", "A", " 100mA", " 100"}, // exactly 100 leaves the decimal
        {532.2, "mV", "V", " 532mV", " 532"},
        {999.4, "mV", "V", " 999mV", " 999"},
        {1000.0, "mA", "A", "1.00A", "1.00"}, // exactly 1000 switches the unit
        {1500.0, "mV", "V", "1.50V", "1.50"},
        {12340.0, "mV", "V", "12.34V", "12.34"}, // the width is a minimum
        {1004.6, "mV", "V", "1.00V", "1.00"},    // 1005 thousandths: half, to even
        {1015.0, "mV", "V", "1.02V", "1.02"},    // half, to even upwards
        {1025.0, "mV", "V", "1.02V", "1.02"},    // half, to even downwards
        {1026.0, "mV", "V", "1.03V", "1.03"},
        {2.25, "mA", "A", " 2.2mA", " 2.2"}, // 22.5 tenths: to even
        {2.75, "mA", "A", " 2.8mA", " 2.8"},
        {250.5, "mV", "V", " 250mV", " 250"},
        {251.5, "mV", "V", " 252mV", " 252"},
    };
    for (const Case& c : cases) {
        const measure::NumberText text = measure::readoutText(c.value, c.small, c.big);
        EXPECT_EQ(text.text, c.text) << c.value;
        EXPECT_EQ(text.number, c.number) << c.value;
    }
}

TEST(ReadoutText, FrequencyWidths) {
    EXPECT_EQ(measure::frequencyText(50, 5).text, "    50Hz"); // four blanks
    EXPECT_EQ(measure::frequencyText(100, 5).text, "   100Hz");
    EXPECT_EQ(measure::frequencyText(1000, 4).text, " 1000Hz");
    EXPECT_EQ(measure::frequencyText(252, 4).text, "  252Hz");
    EXPECT_EQ(measure::frequencyText(252, 4).number, " 252");
}

} // namespace
