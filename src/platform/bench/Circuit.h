#pragma once
// The circuit on the bench: a series connection of a resistor with an
// optional inductor and an optional capacitor, or with a diode and an
// optional capacitor (DiodeCircuit.h), driven by the line output
// (an ideal voltage source). Values are SI: ohm, henry, farad. Voltages are
// handled in mV and currents in mA, so that mA = mV / ohm.

#include "platform/bench/DiodeCircuit.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform::bench {

struct Circuit {
    double resistance = 10.0;          // ohm, > 0
    std::optional<double> inductance;  // henry, > 0 when present
    std::optional<double> capacitance; // farad, > 0 when present
    enum class Diode { none, forward, reversed };
    Diode diode = Diode::none; // forward: anode toward the generator
};

// The circuit the bench starts with: R = 10 ohm in series with C = 100 uF.
// At 100 Hz its current leads the voltage by about 58 degrees.
Circuit defaultCircuit();

struct CircuitParse {
    std::optional<Circuit> circuit; // set on success
    std::string error;              // one line saying what is wrong, else empty
};

// Parses a series connection such as "R=10", "R=10,C=100u", "R=10,L=100m",
// "R=10,L=100m,C=10u", "R=100,D", "R=100,C=10u,Dr". Elements are R, L, C
// (each at most once, R required), values are decimal numbers with an
// optional SI suffix p n u m k M; D is a diode, Dr one reversed, not with L.
CircuitParse parseCircuit(std::string_view spec);

// "R=10, C=100u" style text of a circuit, for titles and messages.
std::string describeCircuit(const Circuit& circuit);

// Exact discrete-time simulation of the circuit driven by a zero-order-hold
// voltage: the state equations are discretised once with the matrix
// exponential, so the simulation is stable for every valid circuit and
// accumulates no time or phase.
class CircuitSimulation {
public:
    // One step of a linear circuit as a linear map of the state x = (inductor
    // current mA, capacitor voltage mV) and the step's voltage u (mV):
    // x' = x + e x + g u, and the step's mean current c x + d u.
    struct LinearStep {
        double e[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
        double g[2] = {0.0, 0.0};
        double c[2] = {0.0, 0.0};
        double d = 0.0;
    };

    CircuitSimulation(const Circuit& circuit, double samplePeriod);

    // Applies the voltage u (mV) for one sample period and returns the mean
    // current (mA) through the circuit over that period.
    double step(double millivolts);

    // Discharges the circuit (capacitor voltage and inductor current 0).
    void reset();

    // What step() does, as a linear map; none for a circuit with a diode.
    std::optional<LinearStep> linearStep() const;

private:
    std::optional<DiodeCircuit> diode_; // set for a circuit with a diode
    enum class Kind { resistor, rc, rl, rlc };
    Kind kind_;
    double resistance_;
    double inductance_ = 0.0;
    double capacitance_ = 0.0;
    double period_;
    // State update x' = a x + b u, for x = (inductor current, capacitor voltage).
    double a_[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
    double b_[2] = {0.0, 0.0};
    double current_ = 0.0;          // inductor current, mA
    double capacitorVoltage_ = 0.0; // mV
};

} // namespace platform::bench
