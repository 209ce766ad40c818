#pragma once
// A frequency response: the generator steps through logarithmically spaced
// frequencies, and each point records the circuit's current, voltage,
// impedance and phase. The resonance of a series circuit is where the phase
// crosses zero (the impedance is then smallest).

#include "core/CsvStyle.h"

#include <optional>
#include <string>
#include <vector>

namespace measure {

// What a response may span: generator 1's widest frequency range, and a
// sensible number of points.
constexpr int lowestResponseHz = 10, highestResponseHz = 20000;
constexpr int fewestResponsePoints = 2, mostResponsePoints = 200;
// The time a new frequency plays before its point is measured, ms: what a
// run starts with, and the longest it may be.
constexpr int defaultSettleMs = 500, longestSettleMs = 10000;

// `count` frequencies from `start` to `end` Hz (either way round), evenly
// spaced on a logarithmic axis and rounded to whole hertz (the generator's
// step); frequencies that round to the same hertz appear once.
std::vector<int> logarithmicPoints(int start, int end, int count);

struct ResponsePoint {
    double frequency = 0;    // Hz
    double current = 0;      // mA
    double voltage = 0;      // mV
    bool valid = false;      // |Z| and phi were measured (a current to divide by)
    double impedance = 0;    // ohm, when valid
    double phaseDegrees = 0; // voltage against current, when valid
    // How far |Z| and phi may be off, from the fit's residual.
    double impedanceUncertainty = 0, phaseUncertainty = 0;
    // A channel reached full scale: no |Z| and phi.
    bool overdriven = false;
    // Two consecutive blocks agreed before the point was taken; false when
    // the circuit had not settled within the longest wait.
    bool settled = true;
    // The block's own frequency was not the one the generator plays.
    bool frequencyMismatch = false;
};

// Two readings of the same point agree when |Z| differs by at most 0.2 %
// and phi by at most 0.2 degrees, or when neither has a |Z| at all.
bool pointsAgree(const ResponsePoint& a, const ResponsePoint& b);

struct Resonance {
    double frequency = 0;
};

// The resonance of a series circuit where the phase changes sign between two
// neighbouring valid, settled points whose phases are both clear of zero.
// Between them the reactance term w X = w |Z| sin(phi) is interpolated
// linearly in w^2: for a series R, L, C it is w^2 L - 1/C, so the zero comes
// out exact on any grid. Without such a pair there is none: an RC, an RL or a
// resistor alone has no resonance, and nothing is guessed at an end.
std::optional<Resonance> findResonance(const std::vector<ResponsePoint>& points);

// What the notes column says of a point: "přebuzeno" (a channel reached
// full scale), "neustáleno" (not settled), "jiný kmitočet" (the block's
// frequency was not the generator's); empty for a clean point.
std::string pointNote(const ResponsePoint& point);

// The CSV of a response: a header line, then one line per point, in the
// given style: f, IL, UR, |Z|, phi, the uncertainties of |Z| and phi, and
// the notes. The fields a point has no value for are empty.
std::string responseCsv(const std::vector<ResponsePoint>& points, const CsvStyle& style = plainCsv);

} // namespace measure
