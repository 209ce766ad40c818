#pragma once
// The horizontal axis of the X-Y view: the current IL, to the scale of the
// current range in force (a pixel to the right is as many mA as a pixel up
// on the current's vertical scale), with its zero at the figure's centre.
// It stands where the time axis stands in the traces view: ticks at the nine
// division lines, their numbers in mA below, "mA" at the end.

#include "core/SharedState.h"
#include "display/Canvas.h"

namespace display {

// mA of IL per time division of the screen in the X-Y view.
double currentPerDivision(const SharedState& state);

// Draws the axis in white along the centre line.
void drawCurrentAxis(Canvas& canvas, SharedState& state);

} // namespace display
