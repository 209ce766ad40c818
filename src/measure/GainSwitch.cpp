#include "measure/GainSwitch.h"

namespace measure {

void writeFactors(SharedState& state, const FactorSet& factors) {
    state.voltageReadoutFactor = factors.voltageReadout;
    state.currentReadoutFactor = factors.currentReadout;
    state.voltageTraceFactor = factors.voltageTrace;
    state.currentTraceFactor = factors.currentTrace;
}

std::optional<GainChange> switchGain(SharedState& state) {
    std::optional<GainChange> change;
    if (state.reducedGain == 1 && state.voltagePeak < restoreBelowPeak) {
        state.reducedGain = 0;
        writeFactors(state, fullGainFactors);
        change = GainChange{fullGainLevel, false};
    }
    if (state.reducedGain == 0 && state.voltagePeak >= reduceAtPeak) {
        state.reducedGain = 1;
        writeFactors(state, reducedGainFactors);
        change = GainChange{reducedGainLevel, true};
    }
    return change;
}

} // namespace measure
