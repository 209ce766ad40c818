#pragma once
// The X-Y view: the voltage UR (up) against the current IL (to the right)
// over a whole number of periods, on the grid and scales of the ranges in
// force, centred where the time axis has its middle. A resistor draws a
// straight line through the centre; a capacitor or a coil an ellipse whose
// width at the centre against its height tells the phase.

#include "core/SharedState.h"
#include "display/Canvas.h"

#include <QPoint>
#include <vector>

namespace display {

// The mix of the two trace colours.
constexpr QRgb xyColour = 0xFF80FF80;

// The points of the figure drawn last, kept to erase it.
struct XYFigure {
    std::vector<QPoint> points;
};

// The figure of channel entries 0 .. count - 1 (count clamped to the
// arrays): pixel positions by the trace factors and gains in force.
std::vector<QPoint> xyPoints(const SharedState& state, int clientWidth, int clientHeight,
                             int count);

// Draws the centre line, erases the previous figure (drawn again in black)
// and draws the new one as one polyline, remembering it for the next frame.
void drawXY(Canvas& canvas, const SharedState& state, int count, XYFigure& figure);

} // namespace display
