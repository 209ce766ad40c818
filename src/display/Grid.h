#pragma once
// The grey grid of the oscilloscope screen: eleven horizontal lines above and
// eleven below the centre, 20 pixels apart, and ten vertical lines at the ends
// of the time divisions, open around the centre line where the time-axis
// numbers stand.

#include "core/SharedState.h"
#include "display/Canvas.h"

namespace display {

// Sets gridUnitX from the canvas width; draws the grid in the grey of the low
// byte of gridBrightness when gridVisible is 1, and nothing otherwise.
void drawGrid(Canvas& canvas, SharedState& state);

} // namespace display
