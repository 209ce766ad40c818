#pragma once
// The two rules of the idle-driven measurement cycle that need no window:
// how a recorded block enters the shared sample array, and when the overload
// warning is shown.

#include "core/SharedState.h"

#include <cstdint>

// Copies a recorded block of Size bytes (16-bit little-endian signed values)
// into rawSamples from position 0, widening each value to 32 bits, and sets
// sampleCount to the number of values and sampleIndex to the position after
// the last one. At most sampleCapacity values are taken (sampleCount is then
// sampleCapacity, so that no loop over sampleCount reads past the arrays);
// positions beyond the block are left as they are. A block without a single
// whole value (no buffer, Size below 2) changes nothing. Returns the number of
// values copied.
int copyRecordedBlock(SharedState& state, const char* buffer, std::int32_t size);

// The overload warning: shown exactly when the voltage peak reaches 30500
// while the line-input gain is already reduced.
constexpr std::uint16_t overloadPeak = 30500;
constexpr bool overloadPanelVisible(std::uint16_t voltagePeak, std::int32_t reducedGain) {
    return voltagePeak >= overloadPeak && reducedGain == 1;
}
