#include "core/CsvStyle.h"

#include "core/FixedText.h"

#include <algorithm>
#include <cmath>

std::string significantText(double value, int digits) {
    if (value == 0 || !std::isfinite(value)) return fixedText(value, 0, 0);
    const auto decimalsFor = [digits](double v) {
        return digits - 1 - static_cast<int>(std::floor(std::log10(std::abs(v))));
    };
    // Beyond the digits a large number keeps, it is rounded to zeros.
    if (const int decimals = decimalsFor(value); decimals < 0) {
        const double unit = std::pow(10.0, -decimals);
        return fixedText(std::nearbyint(value / unit) * unit, 0, 0);
    }
    int decimals = decimalsFor(value);
    // 9.99996 rounds up to a new decade, which needs one decimal fewer.
    const double rounded = std::stod(fixedText(value, 0, decimals));
    if (rounded != 0) decimals = std::max(0, std::min(decimals, decimalsFor(rounded)));
    return fixedText(value, 0, decimals);
}

std::string csvNumber(double value, const CsvStyle& style, int digits) {
    std::string text = significantText(value, digits);
    std::replace(text.begin(), text.end(), '.', style.decimalPoint);
    return text;
}

std::string csvStart(const CsvStyle& style) {
    return style.byteOrderMark ? std::string("\xEF\xBB\xBF") : std::string();
}
