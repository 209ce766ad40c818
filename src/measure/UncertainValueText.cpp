#include "measure/UncertainValueText.h"

#include "core/FixedText.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace measure {

namespace {

struct Prefix {
    int exponent;
    const char* text;
};
constexpr std::array<Prefix, 8> prefixes{
    {{-12, "p"}, {-9, "n"}, {-6, "µ"}, {-3, "m"}, {0, ""}, {3, "k"}, {6, "M"}, {9, "G"}}};

// The prefix that puts the value between 1 and 1000; none for 0.
std::size_t prefixIndex(double value) {
    constexpr std::size_t none = 4;
    const double magnitude = std::abs(value);
    if (!(magnitude > 0) || !std::isfinite(magnitude)) return none;
    for (std::size_t i = prefixes.size(); i-- > 1;)
        if (magnitude >= std::pow(10.0, prefixes[i].exponent) * (1 - 1e-12)) return i;
    return 0;
}

// Decimals that show the uncertainty with one significant digit, or two
// when the first is a 1.
int decimalsFor(double sigma) {
    int exponent = static_cast<int>(std::floor(std::log10(sigma)));
    // 0.0096 rounds to 0.010 at one digit: judge the digit after rounding.
    if (std::round(sigma / std::pow(10.0, exponent)) >= 10) ++exponent;
    const double leading = std::round(sigma / std::pow(10.0, exponent - 1)) / 10;
    const int digits = leading < 2 ? 2 : 1;
    return std::max(0, digits - 1 - exponent);
}

} // namespace

std::string uncertainValueText(double value, double sigma, const std::string& unit) {
    const bool known = sigma > 0 && std::isfinite(sigma);
    std::size_t p = prefixIndex(value);
    for (;;) {
        const Prefix prefix = prefixes[p];
        const double scale = std::pow(10.0, -prefix.exponent);
        const double scaled = value * scale;
        int decimals = 0;
        if (known) {
            decimals = decimalsFor(sigma * scale);
        } else {
            // No uncertainty known: four significant digits.
            const double magnitude = std::abs(scaled);
            decimals = magnitude < 10 ? 3 : magnitude < 100 ? 2 : magnitude < 1000 ? 1 : 0;
        }
        // 999.97 m rounded to one decimal is 1000.0 m: say 1.0 instead.
        const double step = std::pow(10.0, -decimals);
        if (std::abs(std::round(scaled / step) * step) >= 1000 && p + 1 < prefixes.size()) {
            ++p;
            continue;
        }
        const std::string suffix = " " + std::string(prefix.text) + unit;
        if (!known) return fixedText(scaled, 0, decimals) + suffix;
        return fixedText(scaled, 0, decimals) + " ± " + fixedText(sigma * scale, 0, decimals) +
               suffix;
    }
}

} // namespace measure
