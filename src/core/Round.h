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

// A 64-bit value saturated to the 32-bit range.
inline std::int32_t saturateToInt32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}
