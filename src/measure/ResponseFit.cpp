#include "measure/ResponseFit.h"

#include "measure/CircuitFitText.h"
#include "measure/Fundamental.h"

#include <cmath>
#include <numbers>

namespace measure {

std::vector<FitPoint> responseFitPoints(const std::vector<ResponsePoint>& points) {
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
            const double floor = std::hypot(currentReadoutStep / p.current,
                                            voltageReadoutStep / p.voltage, pointFloor);
            f.impedanceSigma =
                std::hypot(p.impedanceUncertainty / uncertaintyCoverage, floor * p.impedance);
            f.phaseSigmaDegrees = std::hypot(p.phaseUncertainty / uncertaintyCoverage,
                                             floor * 180 / std::numbers::pi);
        }
        fitPoints.push_back(f);
    }
    return fitPoints;
}

CircuitFit fitResponse(const std::vector<ResponsePoint>& points) {
    return fitSeriesCircuit(responseFitPoints(points), impedanceScaleUncertainty);
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
    std::string text = "# nejistoty bodů: vlastní, nejméně rozlišení údajů (IL 0.001 mA, "
                       "UR 0.01 mV) a 0.05 % |Z| a 0.03° φ; měřítko |Z| 0.1 %\n";
    for (const std::string& line : circuitFitLines(fit, Language::czech))
        text += "# " + line + "\n";
    return text;
}

} // namespace measure
