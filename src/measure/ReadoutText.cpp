#include "measure/ReadoutText.h"

#include "core/FixedText.h"
#include "core/Round.h"

#include <cstdio>
#include <string>

namespace measure {

namespace {

// A count of tenths or hundredths as a decimal text: 465 tenths -> "46.5".
std::string scaled(std::int64_t units, int decimals) {
    const bool negative = units < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    std::uint64_t divisor = 1;
    for (int i = 0; i < decimals; ++i)
        divisor *= 10;
    char text[48];
    std::snprintf(text, sizeof text, "%s%llu.%0*llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / divisor), decimals,
                  static_cast<unsigned long long>(magnitude % divisor));
    return text;
}

} // namespace

NumberText readoutText(double X, const char* smallUnit, const char* bigUnit) {
    NumberText result;
    if (X < 100) {
        result.number = padLeft(scaled(Round(X * 10), 1), 4);
        result.text = result.number + smallUnit;
    } else if (X < 1000) {
        result.number = padLeft(std::to_string(Round(X)), 4);
        result.text = result.number + smallUnit;
    } else {
        // Thousandths of the big unit, then hundredths with halves to even.
        const std::int64_t thousandths = Round(X);
        std::int64_t hundredths = thousandths / 10;
        const std::int64_t rest = thousandths % 10;
        if (rest > 5 || (rest == 5 && hundredths % 2 != 0)) ++hundredths;
        result.number = padLeft(scaled(hundredths, 2), 2);
        result.text = result.number + bigUnit;
    }
    return result;
}

NumberText frequencyText(std::int64_t hertz, int width) {
    NumberText result;
    result.number = padLeft(std::to_string(hertz), width);
    result.text = " " + result.number + "Hz";
    return result;
}

} // namespace measure
