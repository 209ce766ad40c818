#pragma once
// Seeds of the randomised tests. Every run tries the same cases: the seed is
// fixed, and ZO_ROBUST_SEED=<number> tries others. Each test mixes the seed
// with its own name, and a failure names the seed that repeats it.

#include <cstdint>
#include <string>

namespace robust {

// The seed of the running test.
std::uint64_t testSeed();

// "seed N (ZO_ROBUST_SEED=N repeats this run)", for SCOPED_TRACE.
std::string seedNote();

} // namespace robust
