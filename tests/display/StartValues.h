#pragma once
// The display's part of the start values of the shared state, at the time
// base of one pixel per sample (the tests choose others where they need them).

#include "core/SharedState.h"

namespace display::test {

inline void setStartValues(SharedState& state) {
    state.gridVisible = 1;
    state.gridBrightness = 75;
    state.tracePenWidth = 1;
    state.showCurrentTrace = 1;
    state.showVoltageTrace = 1;
    state.sampleStep = 1;
    state.pixelsPerPoint = 1.0;
    state.currentDivisionValue = 10;
    state.voltageDivisionValue = 10;
    state.currentTraceFactor = 0.042;
    state.voltageTraceFactor = 0.0494;
    state.currentGain = 1.0;
    state.voltageGain = 1.0;
    state.sampleCount = 16000;
}

} // namespace display::test
