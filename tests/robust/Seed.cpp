#include "Seed.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string_view>

namespace robust {

namespace {

constexpr std::uint64_t fixedSeed = 20240617;

std::uint64_t baseSeed() {
    if (const char* given = std::getenv("ZO_ROBUST_SEED"); given != nullptr && *given != '\0')
        return std::strtoull(given, nullptr, 10);
    return fixedSeed;
}

// FNV-1a: the same on every machine, unlike std::hash.
std::uint64_t mixed(std::uint64_t seed, std::string_view name) {
    std::uint64_t h = 1469598103934665603ull ^ seed;
    for (const char c : name) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace

std::uint64_t testSeed() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name =
        test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : std::string();
    return mixed(baseSeed(), name);
}

std::string seedNote() {
    const std::string seed = std::to_string(baseSeed());
    return "seed " + seed + " (ZO_ROBUST_SEED=" + seed + " repeats this run)";
}

} // namespace robust
