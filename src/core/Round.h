#pragma once
// Rounding as the instrument does it everywhere a value is "rounded": to the
// nearest integer, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4,
// -2.5 -> -2). The result is saturated to the 64-bit range, so that no
// value, however wild, is undefined behaviour to convert.

#include <cmath>
#include <cstdint>
#include <limits>

inline std::int64_t Round(double value) {
    if (std::isnan(value)) return 0;
    constexpr double top = 9223372036854775807.0; // 2^63, the first value past the range
    if (value >= top) return std::numeric_limits<std::int64_t>::max();
    if (value < -top) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::nearbyint(value));
}
