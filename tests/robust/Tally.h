#pragma once
// Counts of what a robustness test tried (texts typed, faults injected,
// simulated time), printed with the test's output for the suite's record.

#include <cstdint>
#include <iostream>

namespace robust {

inline void tally(const char* what, std::int64_t count) {
    std::cout << "[  TALLY   ] " << what << ": " << count << std::endl;
}

} // namespace robust
