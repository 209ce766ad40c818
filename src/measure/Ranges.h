#pragma once
// The measuring ranges of both channels: their tables, the automatic choice
// from the block's peak, and applying a range (division value, gain and the
// unit labels of the vertical scale).
//
// A range is identified by the item of its range box that selects it
// (range:: in the shared state); the 1 A current range has no item and is
// reached by automatic ranging only.

#include "core/SharedState.h"
#include "measure/Channel.h"

#include <cstdint>
#include <optional>

namespace measure {

struct RangeSpec {
    double divisionValue;  // value of one 20-pixel division, in the scale's unit
    double gain;           // 100 / range: trace pixels per unit of trace factor
    const char* upperUnit; // unit label above the scale ("+mV", "+ A" ...)
    const char* lowerUnit; // unit label below the scale ("-mV", "- A" ...)
};

// The range with identifier `id`; nullopt for an identifier the channel lacks.
std::optional<RangeSpec> rangeSpec(Channel channel, int id);

// Automatic current range for the block's current peak.
int automaticCurrentRange(std::uint16_t currentPeak);
// Automatic voltage range: by the peak at full gain, 2 V whatever the peak
// while the line-input gain is reduced.
int automaticVoltageRange(std::uint16_t voltagePeak, std::int32_t reducedGain);

// The range a channel should have now: the automatic one while its automatic
// flag is set, else the one of the range box's item (no range when the box
// shows typed text or an item that names no range).
std::optional<int> chosenRange(const SharedState& state, Channel channel, int boxItem);

// Applies range `id` to the channel: when it is already the active range
// nothing happens and nullopt is returned; otherwise the division value and
// gain are set, the range becomes active, and its spec is returned (the
// window then writes the unit labels and repaints once).
std::optional<RangeSpec> applyRange(SharedState& state, Channel channel, int id);

} // namespace measure
