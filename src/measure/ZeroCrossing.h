#pragma once
// Where a signal crosses zero between two of its samples.

#include <cstdint>

namespace measure {

// Position of the zero between the samples at i (value `before`) and i + 1
// (value `after`, of the other sign or zero), by linear interpolation.
inline double zeroCrossing(int i, std::int32_t before, std::int32_t after) {
    return i + static_cast<double>(before) / (static_cast<double>(before) - after);
}

} // namespace measure
