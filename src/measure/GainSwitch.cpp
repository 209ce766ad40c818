#include "measure/GainSwitch.h"

namespace measure {

void writeFactors(SharedState& state, const FactorSet& factors) {
    state.voltageReadoutFactor = factors.voltageReadout * state.voltageCalibration;
    state.currentReadoutFactor = factors.currentReadout * state.currentCalibration;
    state.voltageTraceFactor = factors.voltageTrace * state.voltageCalibration;
    state.currentTraceFactor = factors.currentTrace * state.currentCalibration;
}

void applyCalibration(SharedState& state, double voltage, double current, double output) {
    if (voltage != state.voltageCalibration) {
        state.voltageReadoutFactor =
            state.voltageReadoutFactor / state.voltageCalibration * voltage;
        state.voltageTraceFactor = state.voltageTraceFactor / state.voltageCalibration * voltage;
        state.voltageCalibration = voltage;
    }
    if (current != state.currentCalibration) {
        state.currentReadoutFactor =
            state.currentReadoutFactor / state.currentCalibration * current;
        state.currentTraceFactor = state.currentTraceFactor / state.currentCalibration * current;
        state.currentCalibration = current;
    }
    state.outputCalibration = output;
}

ReducedGain reducedGainFor(std::int64_t reachedLevel, bool calibrated) {
    // A level not even a step below full is no reduction; one read back as 0
    // would make the factors infinite and is taken as full too.
    constexpr std::int64_t noReduction = fullGainLevel * 99 / 100;
    const bool reduced = reachedLevel > 0 && reachedLevel < noReduction;
    const double reached = static_cast<double>(reduced ? reachedLevel : fullGainLevel);
    const double scale =
        static_cast<double>(calibrated ? fullGainLevel : reducedGainLevel) / reached;
    const FactorSet& f = calibrated ? fullGainFactors : reducedGainFactors;
    return {{f.voltageReadout * scale, f.currentReadout * scale, f.voltageTrace * scale,
             f.currentTrace * scale},
            reduced};
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
