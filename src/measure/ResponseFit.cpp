#include "measure/ResponseFit.h"

#include "measure/CircuitFitText.h"

#include <cmath>
#include <numbers>

namespace measure {

std::vector<FitPoint> readoutResolutionStandIn(const std::vector<ResponsePoint>& points) {
    std::vector<FitPoint> fitPoints;
    fitPoints.reserve(points.size());
    for (const ResponsePoint& p : points) {
        FitPoint f;
        f.frequency = p.frequency;
        f.impedance = p.impedance;
        f.phaseDegrees = p.phaseDegrees;
        f.valid = p.valid && !p.overdriven && p.impedance > 0 && p.current > 0 && p.voltage > 0;
        // A point taken before the circuit settled, or while another
        // frequency played, is not fitted.
        f.settled = p.settled && !p.frequencyMismatch;
        if (f.valid) {
            const double relative =
                std::hypot(currentReadoutStep / p.current, voltageReadoutStep / p.voltage);
            f.impedanceSigma = relative * p.impedance;
            f.phaseSigmaDegrees = relative * 180 / std::numbers::pi;
        }
        fitPoints.push_back(f);
    }
    return fitPoints;
}

CircuitFit fitResponse(const std::vector<ResponsePoint>& points) {
    return fitSeriesCircuit(readoutResolutionStandIn(points), impedanceScaleStandIn);
}

std::vector<ResponsePoint> modelCurve(const CircuitFit& fit, double fLow, double fHigh, int count) {
    std::vector<ResponsePoint> curve;
    const ModelFit* chosen = fit.chosenFit();
    if (fit.verdict != FitVerdict::fitted || !chosen || !(fLow > 0) || !(fHigh > fLow) || count < 2)
        return curve;
    for (int i = 0; i < count; ++i) {
        ResponsePoint p;
        p.frequency = fLow * std::pow(fHigh / fLow, i / (count - 1.0));
        const ModelPoint z = modelResponse(*chosen, p.frequency);
        p.impedance = z.impedance;
        p.phaseDegrees = z.phaseDegrees;
        curve.push_back(p);
    }
    return curve;
}

std::string fitComments(const CircuitFit& fit) {
    std::string text = "# nejistoty odhadnuty z rozlišení údajů: IL 0.001 mA, UR 0.01 mV, "
                       "měřítko |Z| 0.1 %\n";
    for (const std::string& line : circuitFitLines(fit, Language::czech))
        text += "# " + line + "\n";
    return text;
}

} // namespace measure
