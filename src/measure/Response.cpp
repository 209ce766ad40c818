#include "measure/Response.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace measure {

std::vector<int> logarithmicPoints(int start, int end, int count) {
    std::vector<int> points;
    if (count < 1 || start < 1 || end < 1) return points;
    if (count == 1) return {start};
    const double ratio = std::log(static_cast<double>(end) / start) / (count - 1);
    for (int i = 0; i < count; ++i) {
        const int f = static_cast<int>(std::lround(start * std::exp(ratio * i)));
        // Points closer than a hertz are one point.
        if (points.empty() || points.back() != f) points.push_back(f);
    }
    return points;
}

bool pointsAgree(const ResponsePoint& a, const ResponsePoint& b) {
    if (!a.valid || !b.valid) return a.valid == b.valid;
    double phase = std::abs(a.phaseDegrees - b.phaseDegrees);
    if (phase > 180) phase = 360 - phase;
    // Only the fixed limits: a circuit still ringing leaves a large residual
    // too, and its uncertainty would let it pass for settled.
    return std::abs(a.impedance - b.impedance) <= 0.002 * std::max(a.impedance, b.impedance) &&
           phase <= 0.2;
}

namespace {

// The phase is clear of zero when it is beyond what noise on a settled
// point can move it.
constexpr double phaseResolutionDegrees = 0.05;

bool clearOfZero(const ResponsePoint& p) {
    return p.valid && p.settled && p.frequency > 0 &&
           std::abs(p.phaseDegrees) > std::max(phaseResolutionDegrees, p.phaseUncertainty);
}

} // namespace

std::optional<Resonance> findResonance(const std::vector<ResponsePoint>& points) {
    constexpr double radians = std::numbers::pi / 180;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const ResponsePoint& a = points[i];
        const ResponsePoint& b = points[i + 1];
        if (!clearOfZero(a) || !clearOfZero(b)) continue;
        if ((a.phaseDegrees < 0) == (b.phaseDegrees < 0)) continue;
        // f |Z| sin(phi) is w X up to a constant factor, and f^2 is w^2.
        const double ya = a.frequency * a.impedance * std::sin(a.phaseDegrees * radians);
        const double yb = b.frequency * b.impedance * std::sin(b.phaseDegrees * radians);
        const double fa2 = a.frequency * a.frequency, fb2 = b.frequency * b.frequency;
        const double f2 = fa2 + ya / (ya - yb) * (fb2 - fa2);
        if (!(f2 > 0)) continue;
        return Resonance{std::sqrt(f2)};
    }
    return std::nullopt;
}

std::string pointNote(const ResponsePoint& point) {
    std::string note;
    auto add = [&note](const char* text) {
        if (!note.empty()) note += ", ";
        note += text;
    };
    if (point.overdriven) add("přebuzeno");
    if (!point.settled) add("neustáleno");
    if (point.frequencyMismatch) add("jiný kmitočet");
    return note;
}

std::string responseCsv(const std::vector<ResponsePoint>& points, const CsvStyle& style) {
    const char sep = style.separator;
    std::string csv = csvStart(style) + "f [Hz]" + sep + "IL [mA]" + sep + "UR [mV]" + sep +
                      "|Z| [Ω]" + sep + "φ [°]" + sep + "±|Z| [Ω]" + sep + "±φ [°]" + sep +
                      "poznámka\n";
    for (const ResponsePoint& p : points) {
        csv += csvNumber(p.frequency, style) + sep + csvNumber(p.current, style) + sep +
               csvNumber(p.voltage, style) + sep;
        if (p.valid)
            csv += csvNumber(p.impedance, style) + sep + csvNumber(p.phaseDegrees, style) + sep +
                   csvNumber(p.impedanceUncertainty, style, 2) + sep +
                   csvNumber(p.phaseUncertainty, style, 2);
        else
            csv += std::string(3, sep);
        csv += sep + pointNote(p) + "\n";
    }
    return csv;
}

} // namespace measure
