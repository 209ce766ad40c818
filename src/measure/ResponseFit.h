#pragma once
// The series-circuit fit of a measured frequency response: its points as the
// fit takes them, the model's curve for the plots, and the result as comment
// lines before the saved table.

#include "measure/CircuitFit.h"
#include "measure/Response.h"

#include <string>
#include <vector>

namespace measure {

// A response point carries no uncertainty of its own. As a stand-in, each
// reading is taken to be uncertain by one step of the last digit the table
// shows of it: IL to 0.001 mA and UR to 0.01 mV. Their relative sum acts on
// |Z| and, in radians, on φ. A point without an impedance (the current was
// too small) is not valid.
constexpr double currentReadoutStep = 0.001; // mA
constexpr double voltageReadoutStep = 0.01;  // mV
std::vector<FitPoint> readoutResolutionStandIn(const std::vector<ResponsePoint>& points);
// The impedance scale is taken to be uncertain by one step of the fourth
// significant digit the screen shows of |Z|: 1 in 1000 at worst.
constexpr double impedanceScaleStandIn = 0.001;

CircuitFit fitResponse(const std::vector<ResponsePoint>& points);

// `count` points of the chosen model's |Z| and φ from fLow to fHigh
// (logarithmic); none unless the fit holds.
std::vector<ResponsePoint> modelCurve(const CircuitFit& fit, double fLow, double fHigh, int count);

// The fit's lines, each after "# ", one per line, after a line that says
// where the points' uncertainties came from.
std::string fitComments(const CircuitFit& fit);

} // namespace measure
