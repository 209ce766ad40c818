#pragma once
// The input-gain switch: a large voltage lowers the line input's recording
// level, a small one raises it again, with hysteresis between 15000 and
// 30499. Each state has its own set of readout and trace factors.

#include "core/SharedState.h"

#include <cstdint>
#include <optional>

namespace measure {

// Line-input recording levels of the two gain states.
constexpr std::int64_t fullGainLevel = 65535;
constexpr std::int64_t reducedGainLevel = 35535;
// Voltage peaks of the switch: reduce at 30500 or more, return below 15000.
constexpr std::uint16_t reduceAtPeak = 30500;
constexpr std::uint16_t restoreBelowPeak = 15000;

struct FactorSet {
    double voltageReadout, currentReadout, voltageTrace, currentTrace;
};
constexpr FactorSet fullGainFactors = {0.0357, 0.03, 0.0494, 0.042};
constexpr FactorSet reducedGainFactors = {0.0652, 0.055, 0.09, 0.07336};

// Writes a factor set into the state, UR's and IL's factors multiplied by
// the calibration of the card in use.
void writeFactors(SharedState& state, const FactorSet& factors);

// A new calibration of the card: the factors in force take the new
// correction in place of the old one, and the state keeps it for the factor
// sets written from now on.
void applyCalibration(SharedState& state, double voltage, double current, double output);

struct GainChange {
    std::int64_t level; // the line-input level to set now
    bool entersReduced; // true: the overload warning is to be hidden
};

// The reduced-gain factors once the mixer has answered: a hardware capture
// control moves in steps (0.75 to 1.5 dB) and reaches a level near the one
// asked for, not that level. Readout and trace factors are scaled by the
// ratio of the reached to the requested attenuation, so that one signal reads
// the same on both sides of the switch. `reachedLevel` is the line input's
// level read back from the mixer (0..65535).
//
// A calibrated card's readouts hold at full gain, where it was compared with
// a meter; its reduced set is then the full set scaled by the level itself
// (the recorded samples are that share of full amplitude), so that the
// calibration holds at both gains.
struct ReducedGain {
    FactorSet factors;
    bool reduced; // false: the mixer could not lower the level at all
};
ReducedGain reducedGainFor(std::int64_t reachedLevel, bool calibrated = false);

// The line input of the card in use is calibrated (UR or IL).
constexpr bool inputCalibrated(const SharedState& state) {
    return state.voltageCalibration != 1.0 || state.currentCalibration != 1.0;
}

// Runs the switch on the voltage peak of the block just measured: updates
// reducedGain and the factor set, and says which level the line input must
// get (nullopt: the gain state stays).
std::optional<GainChange> switchGain(SharedState& state);

// The overload warning: the voltage peak reaches 30500 while the gain is
// already reduced.
constexpr bool overloadPanelVisible(std::uint16_t voltagePeak, std::int32_t reducedGain) {
    return voltagePeak >= reduceAtPeak && reducedGain == 1;
}

} // namespace measure
