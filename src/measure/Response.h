#pragma once
// A frequency response: the generator steps through logarithmically spaced
// frequencies, and each point records the circuit's current, voltage,
// impedance and phase. The resonance of a series circuit is where the phase
// crosses zero (the impedance is then smallest).

#include <optional>
#include <string>
#include <vector>

namespace measure {

// What a response may span: generator 1's widest frequency range, and a
// sensible number of points.
constexpr int lowestResponseHz = 10, highestResponseHz = 20000;
constexpr int fewestResponsePoints = 2, mostResponsePoints = 200;

// `count` frequencies from `start` to `end` Hz, evenly spaced on a
// logarithmic axis and rounded to whole hertz (the generator's step).
std::vector<int> logarithmicPoints(int start, int end, int count);

struct ResponsePoint {
    double frequency = 0;    // Hz
    double current = 0;      // mA
    double voltage = 0;      // mV
    double impedance = 0;    // ohm; 0 when the current was too small
    double phaseDegrees = 0; // voltage against current
};

struct Resonance {
    double frequency = 0;
    bool fromPhase = false; // found where the phase crosses 0, else at the |Z| extreme
};

// Where the phase changes sign, interpolated on the logarithmic frequency
// axis; without a crossing, the smallest |Z| refined by a parabola through
// it and its neighbours (on the log axis). Nullopt with fewer than 2 points.
std::optional<Resonance> findResonance(const std::vector<ResponsePoint>& points);

// The CSV of a response: a header line, then one line per point; "." as the
// decimal separator, UTF-8.
std::string responseCsv(const std::vector<ResponsePoint>& points);

} // namespace measure
