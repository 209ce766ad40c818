#pragma once
// The series-circuit fit of a measured frequency response: its points as the
// fit takes them, the model's curve for the plots, and the result as comment
// lines before the saved table.

#include "measure/CircuitFit.h"
#include "measure/Response.h"

#include <string>
#include <vector>

namespace measure {

// What the fit takes of a response's points. Each point's standard
// uncertainty is its own (the |Z| and φ uncertainties a point states are
// uncertaintyCoverage standard deviations) and never less than two floors
// that no residual shows: the readouts' resolution, one step of the last digit
// the table shows (IL 0.001 mA, UR 0.01 mV), acting on |Z| and, in radians,
// on φ; and how well the instrument keeps |Z| and φ across its band,
// `pointFloor` of |Z| and as many radians of φ. A point without an impedance
// (the current was too small) or with a clipped channel is not valid.
constexpr double currentReadoutStep = 0.001; // mA
constexpr double voltageReadoutStep = 0.01;  // mV
constexpr double pointFloor = 0.0005;
std::vector<FitPoint> responseFitPoints(const std::vector<ResponsePoint>& points);
// The impedance scale is taken to be uncertain by one step of the fourth
// significant digit the screen shows of |Z|: 1 in 1000 at worst.
constexpr double impedanceScaleUncertainty = 0.001;

CircuitFit fitResponse(const std::vector<ResponsePoint>& points);

// `count` points of the chosen model's |Z| and φ from fLow to fHigh
// (logarithmic); none unless the fit holds.
std::vector<ResponsePoint> modelCurve(const CircuitFit& fit, double fLow, double fHigh, int count);

// The fit's lines, each after "# ", one per line, after a line that says
// where the points' uncertainties came from.
std::string fitComments(const CircuitFit& fit);

} // namespace measure
