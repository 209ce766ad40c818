// Fixed-point number texts of the scales, the time axis and the readouts.

#include "core/FixedText.h"

#include <gtest/gtest.h>

namespace {

TEST(FixedText, RoundsToTheDecimalsAndAlignsRight) {
    const struct {
        double value;
        int width;
        int decimals;
        const char* text;
    } cases[] = {
        // Scale numbers: three characters, one decimal below a division value of 1.
        {5, 3, 0, "  5"},
        {50, 3, 0, " 50"},
        {500, 3, 0, "500"},
        {0, 3, 0, "  0"},
        {0, 3, 1, "0.0"},
        {0.2, 3, 1, "0.2"},
        {3 * 0.2, 3, 1, "0.6"}, // 0.6000000000000001
        {10 * 0.2, 3, 1, "2.0"},
        {0.05, 3, 1, "0.1"},
        // Time-axis numbers: width 1.
        {3 * 0.1, 1, 1, "0.3"},
        {9 * 0.5, 1, 1, "4.5"},
        // Exact halves go to the even neighbour.
        {2.5, 1, 0, "2"},
        {3.5, 1, 0, "4"},
        {-2.5, 1, 0, "-2"},
        {0.125, 1, 2, "0.12"},
        {0.375, 1, 2, "0.38"},
        {1234.5, 3, 0, "1234"}, // wider than the width: not cut
        // Readouts: a negative value that rounds to zero shows no sign.
        {-0.04, 5, 1, "  0.0"},
        {-0.4, 2, 0, " 0"},
        {-12.25, 7, 1, "  -12.2"},
        {1e6, 3, 1, "1000000.0"},
        // Meaningless widths and decimals count as 0.
        {3.14159, -2, -1, "3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fixedText(c.value, c.width, c.decimals), c.text)
            << c.value << " width " << c.width << " decimals " << c.decimals;
}

} // namespace
