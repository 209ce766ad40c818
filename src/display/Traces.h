#pragma once
// The traces of one display frame: the white centre line, then point by
// point across the screen the previous frame's voltage and current traces
// redrawn in black (which erases them), the new current trace in yellow and
// the new voltage trace in aqua; last, what is needed to erase this frame
// next time is remembered.

#include "core/SharedState.h"
#include "display/Canvas.h"

namespace display {

// The largest sampleStep of the time bases: the erase pass reads the
// previous-frame arrays at most at sampleStep x 1000.
constexpr int maxSampleStep = 6;
// Drawn points per trace (999 segments).
constexpr int tracePoints = 1000;

// Point j (1..1000) of the traces stands at x = Round(j x pixelsPerPoint +
// (55 - pixelsPerPoint)) and shows the sample at trigger + sampleStep x j;
// its y is Round(yc + sample x traceFactor x gain + shift). Samples beyond
// the arrays read as 0. The traces use the pen width tracePenWidth; the
// pen width is 1 again afterwards. Then previousCurrentTrace[i] and
// previousVoltageTrace[i] take the samples at trigger + i (i = 1 ..
// sampleCount, as far as the next erase pass can read them) and the drawn
// shifts take the trace shifts.
void drawTraces(Canvas& canvas, SharedState& state, int trigger);

// The white centre line, from the trace origin to 5 pixels before the right edge.
void drawCentreLine(Canvas& canvas);

} // namespace display
