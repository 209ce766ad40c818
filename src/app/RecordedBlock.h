#pragma once
// How a recorded block enters the shared sample array.

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
