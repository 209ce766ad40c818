#pragma once
// The line of the circuit's impedance, phase and power, in the row above the
// grid at its right end, white and opaque on black.

#include "display/Canvas.h"

#include <string>

namespace display {

// Right-aligned at the grid's right end; blanks in front of it cover what a
// longer line drawn before left there.
void drawCircuitLine(Canvas& canvas, const std::string& line);

} // namespace display
