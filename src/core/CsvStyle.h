#pragma once
// How the program's tables are written as CSV: plain CSV ("," between
// fields, "." in numbers), or for a spreadsheet with Czech settings (";"
// between fields, a decimal comma, and a UTF-8 byte-order mark so that the
// units' letters arrive as written). Numbers keep five significant digits,
// so that a small current is not rounded away to a few fixed decimals.

#include <string>

struct CsvStyle {
    char separator = ',';
    char decimalPoint = '.';
    bool byteOrderMark = false;
};

constexpr CsvStyle plainCsv{};
constexpr CsvStyle spreadsheetCsv{';', ',', true};

// The value with `digits` significant digits and no exponent ("0.00066667",
// "150000", "-57.860"); zero is "0".
std::string significantText(double value, int digits = 5);

// significantText with the style's decimal point.
std::string csvNumber(double value, const CsvStyle& style, int digits = 5);

// What a file starts with: the byte-order mark, if the style has one.
std::string csvStart(const CsvStyle& style);
