// The circuit description and its discrete-time simulation.
#include "platform/bench/Circuit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

using platform::bench::Circuit;
using platform::bench::CircuitSimulation;
using platform::bench::parseCircuit;

struct GoodSpec {
    const char* name;
    const char* text;
    double r;
    double l; // 0: none
    double c; // 0: none
};

// Shown by its name in test listings.
void PrintTo(const GoodSpec& c, std::ostream* os) {
    *os << c.name;
}

class CircuitParser : public ::testing::TestWithParam<GoodSpec> {};

TEST_P(CircuitParser, ReadsSeriesConnections) {
    const auto g = GetParam();
    const auto parsed = parseCircuit(g.text);
    ASSERT_TRUE(parsed.circuit) << parsed.error;
    EXPECT_TRUE(parsed.error.empty());
    EXPECT_DOUBLE_EQ(parsed.circuit->resistance, g.r);
    EXPECT_EQ(parsed.circuit->inductance.has_value(), g.l != 0);
    EXPECT_EQ(parsed.circuit->capacitance.has_value(), g.c != 0);
    EXPECT_DOUBLE_EQ(parsed.circuit->inductance.value_or(0), g.l);
    EXPECT_DOUBLE_EQ(parsed.circuit->capacitance.value_or(0), g.c);
}

INSTANTIATE_TEST_SUITE_P(
    Specs, CircuitParser,
    ::testing::Values(GoodSpec{"Resistor", "R=10", 10, 0, 0},
                      GoodSpec{"RC", "R=10,C=100u", 10, 0, 100e-6},
                      GoodSpec{"RL", "R=10,L=100m", 10, 0.1, 0},
                      GoodSpec{"RLC", "R=10,L=100m,C=10u", 10, 0.1, 10e-6},
                      GoodSpec{"AnyOrderWithDecimals", "C=4.7n,R=2.2k", 2200, 0, 4.7e-9},
                      GoodSpec{"BlanksAround", " R = 1M , L=3p ", 1e6, 3e-12, 0},
                      GoodSpec{"LowerCaseWithoutSuffixes", "r=0.5,l=2,c=1", 0.5, 2, 1},
                      GoodSpec{"NoLeadingZero", "R=.5", 0.5, 0, 0},
                      GoodSpec{"LargestCapacitor", "R=10,C=1000M", 10, 0, 1e9},
                      GoodSpec{"SmallestResistor", "R=1p", 1e-12, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadSpec {
    const char* name;
    const char* text;
    const char* says; // part of the error text
};

// Shown by its name in test listings.
void PrintTo(const BadSpec& c, std::ostream* os) {
    *os << c.name;
}

class CircuitParserErrors : public ::testing::TestWithParam<BadSpec> {};

TEST_P(CircuitParserErrors, GiveOneClearLine) {
    const auto b = GetParam();
    const auto parsed = parseCircuit(b.text);
    EXPECT_FALSE(parsed.circuit);
    EXPECT_NE(parsed.error.find(b.says), std::string::npos) << parsed.error;
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    EXPECT_NE(parsed.error.find(b.text), std::string::npos) << "quotes what was given";
}

INSTANTIATE_TEST_SUITE_P(
    Specs, CircuitParserErrors,
    ::testing::Values(
        BadSpec{"Empty", "", "empty"},
        BadSpec{"UnknownElement", "R=10,X=5", "unknown element \"X\""},
        BadSpec{"NoResistor", "C=10u", "resistor R is required"},
        BadSpec{"ResistorTwice", "R=10,R=20", "R is given twice"},
        BadSpec{"NoEqualsSign", "R10", "NAME=VALUE"},
        BadSpec{"TrailingComma", "R=10,", "NAME=VALUE"}, BadSpec{"NoValue", "R=", "no value"},
        BadSpec{"Letters", "R=abc", "not a number"},
        BadSpec{"UnknownSuffix", "R=10x", "not a number"},
        BadSpec{"Negative", "R=-10", "not a number"}, BadSpec{"Exponent", "R=1e3", "not a number"},
        BadSpec{"SuffixTwice", "R=10uu", "not a number"}, BadSpec{"Zero", "R=0", "out of range"},
        BadSpec{"ZeroWithSuffix", "R=10,C=0u", "out of range"},
        BadSpec{"TooLarge", "R=2000M", "out of range"},
        BadSpec{"TooSmall", "R=0.1p", "out of range"},
        BadSpec{"BlankInsteadOfComma", "R=10 C=1u", "not a number"},
        BadSpec{"DiodeWithCoil", "R=10,L=1m,D", "diode with L"},
        BadSpec{"ReversedDiodeWithCoil", "Dr,R=10,L=1m,C=1u", "diode with L"},
        BadSpec{"DiodeAlone", "D", "resistor R is required"},
        BadSpec{"DiodeTwice", "R=10,D,Dr", "diode is given twice"},
        BadSpec{"DiodeWithValue", "R=10,D=1", "unknown element \"D\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CircuitText, DescribesWithSuffixes) {
    EXPECT_EQ(describeCircuit(platform::bench::defaultCircuit()), "R=10, C=100u");
    EXPECT_EQ(describeCircuit(*parseCircuit("R=2.2k,L=100m,C=4.7n").circuit),
              "R=2.2k, L=100m, C=4.7n");
}

constexpr double period = 1.0 / 44100;

// A step of 1 V into an RC circuit charges the capacitor exactly as
// exp(-t / RC): the mean current over every sample period matches the
// integral of the exact current.
TEST(CircuitSimulation, RcStepResponseIsExact) {
    Circuit rc{1000.0, std::nullopt, 1e-6}; // tau = 1 ms
    CircuitSimulation sim(rc, period);
    const double tau = 1e-3;
    for (int n = 0; n < 200; ++n) {
        const double mean = sim.step(1000.0); // mV -> mA
        const double t0 = n * period, t1 = t0 + period;
        const double exact = 1.0 * tau * (std::exp(-t0 / tau) - std::exp(-t1 / tau)) / period;
        ASSERT_NEAR(mean, exact, 1e-12) << n;
    }
}

TEST(CircuitSimulation, RlcStepResponseIsExact) {
    // Underdamped: R = 10, L = 10 mH, C = 10 uF: alpha = 500 1/s, w0 = 3162 1/s.
    Circuit rlc{10.0, 0.01, 10e-6};
    CircuitSimulation sim(rlc, period);
    const double alpha = 10.0 / (2 * 0.01);
    const double wd = std::sqrt(1 / (0.01 * 10e-6) - alpha * alpha);
    // i(t) = U / (L wd) exp(-alpha t) sin(wd t); its integral gives the charge.
    auto charge = [&](double t) { // C * v(t) for a 1000 mV step, in mA*s
        const double v = 1000.0 * (1 - std::exp(-alpha * t) *
                                           (std::cos(wd * t) + alpha / wd * std::sin(wd * t)));
        return 10e-6 * v;
    };
    for (int n = 0; n < 2000; ++n) {
        const double mean = sim.step(1000.0);
        const double exact = (charge((n + 1) * period) - charge(n * period)) / period;
        ASSERT_NEAR(mean, exact, 1e-9) << n;
    }
}

// Every valid circuit stays bounded under a full-scale drive, also where
// its time constants are far below or far above one sample period.
TEST(CircuitSimulation, StableForExtremeValues) {
    const double values[] = {1e-12, 1e-6, 1.0, 1e3, 1e9};
    const double u = 1555.0; // full scale, mV
    for (double r : values)
        for (double l : values)
            for (double c : values) {
                for (int kind = 0; kind < 4; ++kind) {
                    Circuit circuit{r, std::nullopt, std::nullopt};
                    if (kind & 1) circuit.inductance = l;
                    if (kind & 2) circuit.capacitance = c;
                    CircuitSimulation sim(circuit, period);
                    double largest = 0;
                    for (int n = 0; n < 20000; ++n) {
                        // A square wave of 441 Hz with the sign flipping every 50 samples.
                        const double i = sim.step((n / 50) % 2 ? u : -u);
                        ASSERT_TRUE(std::isfinite(i)) << r << " " << l << " " << c << " " << kind;
                        largest = std::max(largest, std::abs(i));
                    }
                    // A passive series circuit never carries more than a few
                    // times U / R (the resonant peak of a step is below 2 U / R).
                    EXPECT_LE(largest, 4 * u / r) << r << " " << l << " " << c << " " << kind;
                }
            }
}

// Driven by an exactly periodic signal, the response after ten minutes is
// the same as after one second: nothing accumulates or drifts.
TEST(CircuitSimulation, NoDriftOverLongRuns) {
    Circuit rlc{10.0, 0.1, 10e-6};
    CircuitSimulation sim(rlc, period);
    std::vector<double> drive(441);
    for (std::size_t n = 0; n < drive.size(); ++n)
        drive[n] = 100.0 * std::sin(2 * std::numbers::pi * n / 441.0);
    auto onePeriod = [&] {
        std::vector<double> out;
        for (double u : drive)
            out.push_back(sim.step(u));
        return out;
    };
    for (int k = 0; k < 100; ++k)
        onePeriod(); // one second
    const auto early = onePeriod();
    for (long k = 0; k < 600L * 100; ++k)
        onePeriod(); // ten minutes
    const auto late = onePeriod();
    for (std::size_t n = 0; n < early.size(); ++n)
        ASSERT_NEAR(late[n], early[n], 1e-9) << n;
}

TEST(CircuitSimulation, ResetDischarges) {
    Circuit rc{10.0, std::nullopt, 100e-6};
    CircuitSimulation sim(rc, period);
    for (int n = 0; n < 100; ++n)
        sim.step(500.0);
    sim.reset();
    CircuitSimulation fresh(rc, period);
    EXPECT_DOUBLE_EQ(sim.step(500.0), fresh.step(500.0));
}

} // namespace
