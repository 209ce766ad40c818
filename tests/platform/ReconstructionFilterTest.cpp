// The line output's reconstruction filter: between the samples of a sine it
// gives the sine itself (band-limited interpolation), late by half its taps.
#include "platform/bench/ReconstructionFilter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

using platform::bench::ReconstructionFilter;

TEST(ReconstructionFilter, ValuesBetweenTheSamplesLieOnTheSine) {
    // Largest error allowed, relative to the amplitude: the pass band's
    // ripple, and at 20 kHz the edge of the band.
    const struct {
        double frequency, tolerance;
    } cases[] = {{10, 1e-3}, {1000, 1e-3}, {10000, 1e-3}, {15000, 1e-3}, {20000, 5e-3}};
    constexpr double rate = 44100;
    constexpr double lag = ReconstructionFilter::taps / 2;
    for (const auto& c : cases) {
        ReconstructionFilter filter;
        const double w = 2 * std::numbers::pi * c.frequency / rate;
        double worst = 0;
        for (int n = 0; n < 2000; ++n) {
            filter.push(std::sin(w * n));
            if (n < ReconstructionFilter::taps) continue;
            for (int p = 0; p < ReconstructionFilter::factor; ++p) {
                const double t = n - lag + double(p) / ReconstructionFilter::factor;
                worst = std::max(worst, std::abs(filter.value(p) - std::sin(w * t)));
            }
        }
        EXPECT_LT(worst, c.tolerance) << c.frequency << " Hz";
    }
}

TEST(ReconstructionFilter, AConstantStaysConstantAndSilenceIsExact) {
    ReconstructionFilter filter;
    for (int n = 0; n < 100; ++n)
        filter.push(1234);
    for (int p = 0; p < ReconstructionFilter::factor; ++p)
        EXPECT_NEAR(filter.value(p), 1234, 1e-9) << p;
    // A step still echoes in the filter until taps zeros have been pushed.
    for (int n = 0; n < ReconstructionFilter::taps - 1; ++n)
        filter.push(0);
    EXPECT_FALSE(filter.silent());
    EXPECT_NE(filter.value(ReconstructionFilter::factor / 2), 0.0);
    filter.push(0);
    EXPECT_TRUE(filter.silent());
    EXPECT_EQ(filter.value(3), 0.0);
}

// What is recorded as the line output's voltage at a sample is that sample,
// not a value within rounding of it.
TEST(ReconstructionFilter, ValueZeroIsTheSampleHalfTheTapsBackExactly) {
    ReconstructionFilter filter;
    std::vector<double> pushed;
    for (int n = 0; n < 200; ++n) {
        pushed.push_back(std::round(30000 * std::sin(0.7 * n * n)));
        filter.push(pushed.back());
        if (n < ReconstructionFilter::taps / 2) continue;
        ASSERT_EQ(filter.value(0), pushed[pushed.size() - 1 - ReconstructionFilter::taps / 2]) << n;
    }
}

} // namespace
