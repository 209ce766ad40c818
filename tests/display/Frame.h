#pragma once
// A recorded block of a sine and the periodic pass that draws it: the frame
// tests check its pixels, the drawing benchmark times it.

#include "core/SharedState.h"
#include "display/Canvas.h"
#include "display/Grid.h"
#include "display/Scales.h"
#include "display/TimeAxis.h"
#include "display/Traces.h"

#include <cmath>
#include <cstddef>

namespace display::test {

// A block of 8000 values per channel of a `frequency` Hz sine: the current
// 3000 units (126 pixels) high, the voltage 2500 units (123.5 pixels) and 60
// degrees behind; both times `amplitude`.
inline void sineBlock(SharedState& state, double frequency = 100, double amplitude = 1) {
    for (int i = 0; i < 8000; ++i) {
        const double t = 2 * M_PI * frequency * i / 44100.0;
        state.currentSamples[static_cast<std::size_t>(i)] =
            static_cast<int>(std::lround(amplitude * 3000 * std::sin(t)));
        state.voltageSamples[static_cast<std::size_t>(i)] =
            static_cast<int>(std::lround(amplitude * 2500 * std::sin(t - M_PI / 3)));
    }
}

// The periodic pass: the grid, then the frame (grid, labels, scales, traces).
inline void frame(Canvas& canvas, SharedState& state, int timeBase, int trigger) {
    drawGrid(canvas, state);
    drawGrid(canvas, state);
    drawTimeAxis(canvas, state, timeBase);
    drawScales(canvas, state);
    drawTraces(canvas, state, trigger);
}

} // namespace display::test
