#pragma once
// A silicon diode in the bench's series circuit, with the resistor and
// optionally a capacitor. The diode follows Shockley's equation
// I = IS (exp(V / (n VT)) - 1) with the saturation current and ideality
// factor of the 1N4148's published model fitted to its datasheet; its series
// resistance, capacitance and breakdown are left out. Voltages in mV,
// currents in mA, as in the linear circuit.

#include <optional>

namespace platform::bench {

struct DiodeModel {
    double saturationCurrent = 2.52e-6;     // mA (IS = 2.52 nA)
    double emissionVoltage = 1.752 * 25.85; // mV: n VT, n = 1.752, VT at 300 K
};

// The current (mA) through a resistor (ohm) in series with a forward diode
// when `millivolts` lie across both: the root of V + R IS (exp(V / nVT) - 1)
// = E in the diode voltage V, found by Newton's method from above, where it
// converges without overshooting, to the last bits of a double. Negative E
// gives the small reverse current, at most IS.
double diodeSeriesCurrent(double millivolts, double resistance, const DiodeModel& model = {});

class DiodeCircuit {
public:
    // reversed: the cathode toward the generator. capacitance in farad.
    DiodeCircuit(double resistance, std::optional<double> capacitance, bool reversed,
                 double samplePeriod, const DiodeModel& model = {});

    // Applies u (mV) for one sample period and returns the current (mA).
    // With a capacitor, one implicit midpoint step: the capacitor's voltage
    // at the middle of the period is v + i T / 2C, which adds T / 2C to the
    // resistance of the same equation.
    double step(double millivolts);

    // Discharges the capacitor.
    void reset() { capacitorVoltage_ = 0; }

private:
    double resistance_;
    double capacitance_ = 0; // 0: none
    double sign_;            // +1 forward, -1 reversed
    double period_;
    DiodeModel model_;
    double capacitorVoltage_ = 0; // mV
};

} // namespace platform::bench
