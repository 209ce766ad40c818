#include "display/XYView.h"

#include "display/Polyline.h"
#include "display/ScreenGeometry.h"
#include "display/Traces.h"

#include <algorithm>

namespace display {

std::vector<QPoint> xyPoints(const SharedState& state, int clientWidth, int clientHeight,
                             int count) {
    const int n = std::clamp(count, 0, sampleCapacity);
    // The middle of the ten time divisions, the fifth vertical grid line.
    const int xc = divisionX(gridUnit(clientWidth), 5, originX);
    const int yc = centreY(clientHeight);
    const double currentScale = state.currentTraceFactor * state.currentGain;
    const double voltageScale = state.voltageTraceFactor * state.voltageGain;
    std::vector<QPoint> points;
    points.reserve(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const auto i = static_cast<std::size_t>(k);
        points.emplace_back(static_cast<int>(Round(xc + state.currentSamples[i] * currentScale)),
                            static_cast<int>(Round(yc - state.voltageSamples[i] * voltageScale)));
    }
    return points;
}

void drawXY(Canvas& canvas, const SharedState& state, int count, XYFigure& figure) {
    std::vector<QPoint> points = xyPoints(state, canvas.width(), canvas.height(), count);
    drawCentreLine(canvas);
    canvas.setPenColor(colour::black);
    polyline(canvas, figure.points);
    canvas.setPenColor(xyColour);
    polyline(canvas, points);
    figure.points = std::move(points);
}

} // namespace display
