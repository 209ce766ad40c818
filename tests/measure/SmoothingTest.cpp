// The smoothing of one half-wave polarity, worked by hand from
// y[i] = trunc(x[i] / K + y[i-1] - y[i-1] / K), 0 where x has the other sign:
// K = 16 takes the exact integer shortcut, K = 10 the general formula.

#include "measure/Smoothing.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using measure::HalfWave;

TEST(Smoothing, HandWorkedHalfWaves) {
    const struct {
        HalfWave halfWave;
        int divisor;
        std::vector<std::int32_t> x, y; // y[0] is what the find step left there
    } cases[] = {
        {HalfWave::positive, 16, {0, 100, 100, 100, -5, 40}, {0, 6, 11, 16, 0, 2}},
        {HalfWave::positive, 10, {0, 100, 100, 100, -5, 40}, {0, 10, 19, 27, 0, 4}},
        {HalfWave::negative, 16, {0, -100, -100, 3, -40}, {0, -6, -11, 0, -2}},
        {HalfWave::negative, 10, {0, -100, -100, 3, -40}, {0, -10, -19, 0, -4}},
    };
    for (const auto& c : cases) {
        auto x = std::make_unique<SharedState::SampleArray>();
        auto y = std::make_unique<SharedState::SampleArray>();
        std::copy(c.x.begin(), c.x.end(), x->begin());
        const int N = static_cast<int>(c.x.size()) - 1;
        measure::Smoother smoother(*x, *y, 0, N, c.divisor, c.halfWave);
        for (int i = 0; i <= N; ++i)
            EXPECT_EQ(smoother.at(i), c.y[static_cast<std::size_t>(i)]) << c.divisor << " " << i;
        // Beyond the block's last value nothing is read.
        EXPECT_EQ(smoother.at(N + 1), 0);
    }
}

} // namespace
