#pragma once
// A polyline through points on the canvas with its current pen; the last
// point is not painted, as the end of any line.

#include "display/Canvas.h"

#include <QPoint>
#include <vector>

namespace display {

inline void polyline(Canvas& canvas, const std::vector<QPoint>& points) {
    if (points.empty()) return;
    canvas.moveTo(points.front().x(), points.front().y());
    for (std::size_t i = 1; i < points.size(); ++i)
        canvas.lineTo(points[i].x(), points[i].y());
}

} // namespace display
