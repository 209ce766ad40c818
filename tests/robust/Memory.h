#pragma once
// The process's memory, for checks that it stays flat over a long run: the
// bytes the program has allocated and not freed (the sanitizer's count in a
// sanitizer build, the C library's otherwise), and its resident set.

#include <cstddef>

namespace robust {

std::size_t allocatedBytes();
std::size_t residentBytes();

} // namespace robust
