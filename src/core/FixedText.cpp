#include "core/FixedText.h"

#include <algorithm>
#include <charconv>
#include <utility>

std::string fixedText(double value, int width, int decimals) {
    width = std::clamp(width, 0, 255);
    decimals = std::clamp(decimals, 0, 20);
    // std::to_chars rounds the exact binary value to the decimals, a tie
    // (a value exactly halfway, like 2.5 or 0.125) to the even digit, as
    // Round does; unlike printf it ignores the locale, so the decimal point
    // stays "." on a desktop set to a language that writes a comma. The
    // largest double has 309 digits before the point, so the buffer holds
    // every result.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
    // -0.04 shown with one decimal is "0.0", not "-0.0".
    if (!text.empty() && text.front() == '-' &&
        text.find_first_not_of("0.", 1) == std::string::npos)
        text.erase(0, 1);
    return padLeft(std::move(text), width);
}

std::string padLeft(std::string text, int width) {
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}
