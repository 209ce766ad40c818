#pragma once
// What a circuit fit says, in Czech for the window and the saved table and
// in English for the command line: the chosen model and its values with
// their uncertainties, "model R-L-C: R = 10.02 ± 0.03 Ω, L = 99.6 ± 0.4 mH,
// C = 10.05 ± 0.04 µF, f₀ = 159.15 ± 0.12 Hz", or why the points cannot
// decide.

#include "measure/CircuitFit.h"

#include <string>
#include <vector>

namespace measure {

enum class Language { czech, english };

// "R", "R-C", "R-L", "R-L-C".
std::string modelName(SeriesModel model);

// The first line names the model ("model R-L-C") or says that the points
// cannot decide and why; with a fitted model one line follows per value and
// one for the resonance of an R-L-C.
std::vector<std::string> circuitFitLines(const CircuitFit& fit, Language language);

// The lines in one: "model R-C: R = 10.02 ± 0.03 Ω, C = 100.1 ± 0.4 µF".
std::string circuitFitSummary(const CircuitFit& fit, Language language);

} // namespace measure
