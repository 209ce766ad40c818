#include "platform/bench/DiodeCircuit.h"

#include <algorithm>
#include <cmath>

namespace platform::bench {

double diodeSeriesCurrent(double E, double R, const DiodeModel& model) {
    const double is = model.saturationCurrent, nvt = model.emissionVoltage;
    // f(V) = V + R IS expm1(V / nVT) - E rises and is convex in V: Newton's
    // steps from a V with f(V) >= 0 stay above the root and approach it
    // monotonically. Both starting points have f >= 0: for E >= 0 the
    // smaller of E and the diode voltage that alone would carry E / R; for
    // E < 0, V = 0.
    double v = E >= 0 ? std::min(E, nvt * std::log1p(E / (R * is))) : 0.0;
    for (int iteration = 0; iteration < 200; ++iteration) {
        const double e = std::exp(v / nvt);
        const double f = v + R * is * (e - 1) - E;
        const double step = f / (1 + R * is / nvt * e);
        if (!(step > 0)) break; // at the root, to rounding
        v -= step;
        if (step <= 1e-13 * std::max(1.0, std::abs(v))) break;
    }
    // The resistor's share is exact in conduction, Shockley's in reverse.
    return v > 0 ? (E - v) / R : is * std::expm1(v / nvt);
}

DiodeCircuit::DiodeCircuit(double resistance, std::optional<double> capacitance, bool reversed,
                           double samplePeriod, const DiodeModel& model)
    : resistance_(resistance), capacitance_(capacitance.value_or(0.0)),
      sign_(reversed ? -1.0 : 1.0), period_(samplePeriod), model_(model) {}

double DiodeCircuit::step(double u) {
    if (capacitance_ <= 0) return sign_ * diodeSeriesCurrent(sign_ * u, resistance_, model_);
    // mA x s / F = mV.
    const double half = period_ / (2 * capacitance_);
    const double i =
        sign_ * diodeSeriesCurrent(sign_ * (u - capacitorVoltage_), resistance_ + half, model_);
    capacitorVoltage_ += 2 * half * i;
    return i;
}

} // namespace platform::bench
