#include "measure/Response.h"

#include "core/FixedText.h"

#include <algorithm>
#include <cmath>

namespace measure {

std::vector<int> logarithmicPoints(int start, int end, int count) {
    std::vector<int> points;
    if (count < 1 || start < 1 || end < 1) return points;
    if (count == 1) return {start};
    const double ratio = std::log(static_cast<double>(end) / start) / (count - 1);
    for (int i = 0; i < count; ++i)
        points.push_back(static_cast<int>(std::lround(start * std::exp(ratio * i))));
    return points;
}

std::optional<Resonance> findResonance(const std::vector<ResponsePoint>& points) {
    if (points.size() < 2) return std::nullopt;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const ResponsePoint& a = points[i];
        const ResponsePoint& b = points[i + 1];
        if (a.impedance <= 0 || b.impedance <= 0) continue;
        const bool crosses = (a.phaseDegrees < 0 && b.phaseDegrees >= 0) ||
                             (a.phaseDegrees > 0 && b.phaseDegrees <= 0);
        if (!crosses) continue;
        const double t = a.phaseDegrees / (a.phaseDegrees - b.phaseDegrees);
        const double la = std::log(a.frequency), lb = std::log(b.frequency);
        return Resonance{std::exp(la + t * (lb - la)), true};
    }
    // No crossing: the extreme of |Z| among the points that have one.
    std::size_t best = points.size();
    for (std::size_t i = 0; i < points.size(); ++i)
        if (points[i].impedance > 0 &&
            (best == points.size() || points[i].impedance < points[best].impedance))
            best = i;
    if (best == points.size()) return std::nullopt;
    if (best == 0 || best + 1 == points.size() || points[best - 1].impedance <= 0 ||
        points[best + 1].impedance <= 0)
        return Resonance{points[best].frequency, false};
    // Parabola through the three points around the smallest |Z|.
    const double x0 = std::log(points[best - 1].frequency), x1 = std::log(points[best].frequency),
                 x2 = std::log(points[best + 1].frequency);
    const double y0 = points[best - 1].impedance, y1 = points[best].impedance,
                 y2 = points[best + 1].impedance;
    const double d1 = (y1 - y0) / (x1 - x0), d2 = (y2 - y1) / (x2 - x1);
    const double curvature = (d2 - d1) / (x2 - x0);
    if (curvature <= 0) return Resonance{points[best].frequency, false};
    const double vertex = (x0 + x1) / 2 - d1 / (2 * curvature);
    return Resonance{std::exp(std::clamp(vertex, x0, x2)), false};
}

std::string responseCsv(const std::vector<ResponsePoint>& points) {
    std::string csv = "f [Hz],IL [mA],UR [mV],|Z| [Ω],φ [°]\n";
    for (const ResponsePoint& p : points)
        csv += fixedText(p.frequency, 0, 1) + "," + fixedText(p.current, 0, 4) + "," +
               fixedText(p.voltage, 0, 3) + "," + fixedText(p.impedance, 0, 4) + "," +
               fixedText(p.phaseDegrees, 0, 2) + "\n";
    return csv;
}

} // namespace measure
