#include "core/FixedText.h"

#include <algorithm>
#include <cstdio>

std::string fixedText(double value, int width, int decimals) {
    width = std::clamp(width, 0, 255);
    decimals = std::clamp(decimals, 0, 20);
    // The C library rounds the exact binary value to the decimals; a tie (a
    // value exactly halfway, like 2.5 or 0.125) goes to the even digit in the
    // default rounding mode, as Round does. The largest double has 309 digits
    // before the point, so the buffer holds every result.
    char buffer[400];
    const int length = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text(buffer, static_cast<std::size_t>(std::max(length, 0)));
    // -0.04 shown with one decimal is "0.0", not "-0.0".
    if (!text.empty() && text.front() == '-' &&
        text.find_first_not_of("0.", 1) == std::string::npos)
        text.erase(0, 1);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}
