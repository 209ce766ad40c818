// The diode on the bench: the series circuit's current against an
// independent solution of Shockley's equation, the parsing of D and Dr, the
// reversed diode, and a capacitor charged through the diode.

#include "platform/bench/DiodeCircuit.h"

#include "platform/bench/Circuit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using platform::bench::Circuit;
using platform::bench::CircuitSimulation;
using platform::bench::parseCircuit;

// The 1N4148: IS = 2.52 nA, n = 1.752, VT = 25.85 mV (mA and mV).
constexpr double saturation = 2.52e-6;
constexpr double emission = 1.752 * 25.85;

// I for V = I R + n VT ln(1 + I / IS), by bisection.
double bisected(double V, double R) {
    double low = -saturation, high = std::max(0.0, V / R) + 1e-9;
    for (int k = 0; k < 300; ++k) {
        const double mid = (low + high) / 2;
        (mid * R + emission * std::log1p(mid / saturation) < V ? low : high) = mid;
    }
    return (low + high) / 2;
}

TEST(DiodeCircuit, SeriesCurrentSolvesShockleysEquation) {
    const struct {
        double volts, ohms;
    } cases[] = {{1500, 100}, {700, 100}, {650, 1},     {400, 100}, {100, 100},   {1, 100},
                 {0, 100},    {-1, 100},  {-1500, 100}, {5000, 10}, {30000, 1e6}, {2000, 1e-3}};
    for (const auto& c : cases) {
        const double i = platform::bench::diodeSeriesCurrent(c.volts, c.ohms);
        const double expected = bisected(c.volts, c.ohms);
        EXPECT_NEAR(i, expected, 1e-9 * std::abs(expected) + 1e-15) << c.volts << " " << c.ohms;
    }
    // Datasheet sense: about 0.65 V across the diode at a few mA, and no
    // more than IS backwards.
    const double forward = platform::bench::diodeSeriesCurrent(1000, 100);
    EXPECT_GT(1000 - forward * 100, 600);
    EXPECT_LT(1000 - forward * 100, 700);
    EXPECT_LT(std::abs(platform::bench::diodeSeriesCurrent(-1000, 100)), saturation * 1.0001);
}

TEST(DiodeCircuit, ParsedAndDescribedForwardAndReversed) {
    const struct {
        const char* text;
        Circuit::Diode diode;
        bool capacitor;
        const char* described;
    } cases[] = {{"R=100,D", Circuit::Diode::forward, false, "R=100, D"},
                 {"d,R=100", Circuit::Diode::forward, false, "R=100, D"},
                 {"R=100,C=10u,D", Circuit::Diode::forward, true, "R=100, C=10u, D"},
                 {" Dr , R=1k", Circuit::Diode::reversed, false, "R=1k, Dr"},
                 {"R=10", Circuit::Diode::none, false, "R=10"}};
    for (const auto& c : cases) {
        const auto parsed = parseCircuit(c.text);
        ASSERT_TRUE(parsed.circuit) << parsed.error;
        EXPECT_EQ(parsed.circuit->diode, c.diode) << c.text;
        EXPECT_EQ(parsed.circuit->capacitance.has_value(), c.capacitor) << c.text;
        EXPECT_EQ(describeCircuit(*parsed.circuit), c.described);
    }
}

TEST(DiodeCircuit, TheSimulationConductsOneWayOnly) {
    CircuitSimulation forward(*parseCircuit("R=100,D").circuit, 1.0 / 44100);
    CircuitSimulation reversed(*parseCircuit("R=100,Dr").circuit, 1.0 / 44100);
    for (const double u : {1200.0, 800.0, 300.0, -300.0, -1200.0}) {
        EXPECT_NEAR(forward.step(u), bisected(u, 100), 1e-9) << u;
        EXPECT_NEAR(reversed.step(u), -bisected(-u, 100), 1e-9) << u;
    }
}

TEST(DiodeCircuit, ACapacitorChargesThroughTheDiodeAndHoldsItsCharge) {
    // A 1 V step into R = 100, C = 10 uF and the diode, against an
    // independent integration of dv/dt = I(1000 - v) / C in fine steps.
    constexpr double T = 1.0 / 44100, C = 10e-6;
    CircuitSimulation simulation(*parseCircuit("R=100,C=10u,D").circuit, T);
    double v = 0; // mV
    constexpr int substeps = 200;
    for (int n = 0; n < 441; ++n) {
        double charge = 0; // mA x s over the period
        for (int k = 0; k < substeps; ++k) {
            const double i = bisected(1000 - v, 100);
            v += i * T / substeps / C;
            charge += i * T / substeps;
        }
        const double mean = charge / T;
        ASSERT_NEAR(simulation.step(1000), mean, 0.002 * bisected(1000, 100)) << n;
    }
    // After 10 ms the diode has all but closed; backwards it stays closed
    // and the capacitor keeps its charge.
    EXPECT_LT(simulation.step(1000), 0.1);
    for (int n = 0; n < 100; ++n)
        EXPECT_GE(simulation.step(-1000), -saturation * 1.0001) << n;
}

} // namespace
