#pragma once
// Several values as one vector of the compiler's vector extension, which
// the processor works on in one instruction (16 bytes: its baseline width).

#include <cstdint>
#include <cstring>

namespace lanes {

using Doubles2 = double __attribute__((vector_size(2 * sizeof(double))));
using Ints4 = std::int32_t __attribute__((vector_size(4 * sizeof(std::int32_t))));

// The vector of the values from `values` on, wherever they lie in memory.
template <class Vector, class Value> Vector load(const Value* values) {
    Vector vector;
    std::memcpy(&vector, values, sizeof vector);
    return vector;
}

} // namespace lanes
