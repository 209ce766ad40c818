// The per-sample update of a linear circuit behind the line output's
// reconstruction filter, against the walk it replaces: the circuit stepped
// over each of the filter's values of every sample period.
#include "platform/bench/FoldedCircuit.h"

#include "platform/bench/Circuit.h"
#include "platform/bench/ReconstructionFilter.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

using platform::bench::Circuit;
using platform::bench::CircuitSimulation;
using platform::bench::FoldedCircuit;
using platform::bench::ReconstructionFilter;

constexpr int factor = ReconstructionFilter::factor;
constexpr double stepPeriod = 1.0 / (44100.0 * factor);

// A 3 kHz tone, a full-scale square wave, then silence long enough for the
// filter to fall silent while a slow circuit still discharges.
std::vector<double> drive() {
    std::vector<double> samples;
    for (int n = 0; n < 600; ++n)
        samples.push_back(std::round(12000 * std::sin(2 * std::numbers::pi * 3000 * n / 44100.0)));
    for (int n = 0; n < 600; ++n)
        samples.push_back((n / 37) % 2 ? 32767.0 : -32768.0);
    samples.resize(samples.size() + 400, 0.0);
    return samples;
}

struct Case {
    const char* name;
    Circuit circuit;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class FoldedCircuits : public ::testing::TestWithParam<Case> {};

// The recorded current (the mean over a period's first step) is the walk's
// at every sample, to rounding, for circuits whose time constants lie far
// below, near and far above one step.
TEST_P(FoldedCircuits, RecordTheCurrentOfTheStepByStepWalk) {
    const Case c = GetParam();
    CircuitSimulation walk(c.circuit, stepPeriod);
    const auto linear = walk.linearStep();
    ASSERT_TRUE(linear);
    ReconstructionFilter dac;
    FoldedCircuit folded(*linear, dac);
    const double scale = 0.0475; // mV per unit, as a full mixer gives
    std::vector<double> expected, got;
    for (double sample : drive()) {
        dac.push(sample);
        const double u0 = dac.value(0) * scale;
        expected.push_back(walk.step(u0));
        for (int p = 1; p < factor; ++p)
            walk.step(dac.value(p) * scale);
        got.push_back(folded.advance(dac, scale, u0));
    }
    double largest = 0;
    for (double i : expected)
        largest = std::max(largest, std::abs(i));
    ASSERT_GT(largest, 0.0);
    for (std::size_t n = 0; n < got.size(); ++n)
        ASSERT_NEAR(got[n], expected[n], 1e-9 * largest) << "sample " << n;
}

INSTANTIATE_TEST_SUITE_P(Circuits, FoldedCircuits,
                         ::testing::Values(Case{"DefaultRC", {10.0, std::nullopt, 100e-6}},
                                           Case{"FastRC", {100.0, std::nullopt, 1e-9}},
                                           Case{"SlowRC", {1e3, std::nullopt, 1.0}},
                                           Case{"RL", {47.0, 1e-3, std::nullopt}},
                                           Case{"SlowRL", {1.0, 1.0, std::nullopt}},
                                           Case{"RLC", {10.0, 0.1, 10e-6}},
                                           Case{"RLCHighQ", {2.0, 1e-3, 1e-6}},
                                           Case{"RLCOverdamped", {1e3, 1e-3, 1e-6}},
                                           Case{"RLCFast", {10.0, 1e-6, 1e-9}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
