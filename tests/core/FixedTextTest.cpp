// Fixed-point number texts of the scales, the time axis and the readouts:
// rounding, widths, and the decimal point whatever the desktop's language.

#include "core/FixedText.h"

#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

// Makes the Czech locale current for numbers, building it first where the
// system has not: the desktop language of a school in Czechia writes a
// decimal comma.
bool czechNumbers(QTemporaryDir& directory) {
    if (std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8")) return true;
    const std::string path = directory.path().toStdString();
    const std::string command =
        "localedef -i cs_CZ -f UTF-8 '" + path + "/cs_CZ.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    setenv("LOCPATH", path.c_str(), 1);
    return std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8") != nullptr;
}

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

TEST(FixedText, DecimalPointUnderALanguageThatWritesAComma) {
    QTemporaryDir directory;
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_TRUE(czechNumbers(directory)) << "the Czech locale cannot be made here";
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 0.5);
    EXPECT_STREQ(printed, "0,5");           // the C library now writes a comma ...
    EXPECT_EQ(fixedText(0.5, 0, 1), "0.5"); // ... the instrument does not
    std::setlocale(LC_NUMERIC, saved.c_str());
    unsetenv("LOCPATH");
}

} // namespace
