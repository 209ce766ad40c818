#pragma once
// The two vertical scales at the left edge: the current scale (yellow
// numbers from x = 34, ticks x = 29..31) and the voltage scale (white numbers
// from x = 0, ticks x = 24..26), one number per 20-pixel division up to ten
// divisions above and below the centre, the unit "ms" of the time axis at
// the centre, and five minor ticks per division between the two.

#include "core/SharedState.h"
#include "display/Canvas.h"

namespace display {

// Draws both scales with the division values in force; the numbers pass
// through numberText (three characters, one decimal for a division value
// below 1). Leaves the pen white, width 1, and the font colour white.
// The centre carries the unit of the horizontal axis: "ms" of the time
// axis, or "mA" of the X-Y view's current axis.
void drawScales(Canvas& canvas, SharedState& state, const char* centreUnit = "ms");

} // namespace display
