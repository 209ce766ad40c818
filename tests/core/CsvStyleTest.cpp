// Numbers of the program's CSV files: five significant digits without an
// exponent, and the decimal comma of the spreadsheet style.

#include "core/CsvStyle.h"

#include <gtest/gtest.h>

namespace {

TEST(CsvStyle, FiveSignificantDigitsWithoutExponent) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0.00066667, "0.00066667"}, // IL through 150 kOhm
                 {0.001, "0.0010000"},
                 {10.0, "10.000"},
                 {-57.8642, "-57.864"},
                 {150004, "150000"},
                 {99999.6, "100000"},
                 {9.99996, "10.000"},
                 {0, "0"},
                 {20000, "20000"}};
    for (const auto& c : cases)
        EXPECT_EQ(significantText(c.value), c.text) << c.value;
}

TEST(CsvStyle, SpreadsheetNumbersHaveADecimalCommaAndTheFileABom) {
    EXPECT_EQ(csvNumber(-0.5, spreadsheetCsv), "-0,50000");
    EXPECT_EQ(csvNumber(-0.5, plainCsv), "-0.50000");
    EXPECT_EQ(csvStart(spreadsheetCsv), "\xEF\xBB\xBF");
    EXPECT_EQ(csvStart(plainCsv), "");
}

} // namespace
