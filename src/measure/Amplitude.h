#pragma once
// Amplitude of one channel of the last recorded block: the channel array,
// the peak that drives ranging and the trigger choice, and the RMS reading.

#include "core/SharedState.h"
#include "measure/Channel.h"

#include <cstdint>

namespace measure {

struct Amplitude {
    std::uint16_t peak = 0; // largest magnitude of entries 1 .. N - 1
    double squareSums = 0;  // sum of squares of entries 1 .. N
};

// Fills entries 0 .. N - 1 of `samples` with the channel whose values sit at
// rawSamples positions 2j + frameOffset (a position at or beyond N, the
// values of the block, gives 0) and measures them. Entry 0 never counts.
// N is clamped to 0 .. sampleCapacity.
Amplitude splitChannel(const SharedState::SampleArray& raw, std::int32_t N, int frameOffset,
                       SharedState::SampleArray& samples);

// Splits and measures one channel of rawSamples (sampleCount values): the
// channel array, its peak and its sum of squares in the shared state.
void measureChannel(SharedState& state, Channel channel);

// sqrt(S / N) x factor: N counts the values of both channels of the block, as
// the readout factors expect. An empty block (N <= 0) reads 0.
double rmsReading(double squareSums, std::int32_t N, double factor);

// Under reduced line-input gain the current peak is scaled to what full gain
// would have recorded: rounded peak x 1.8.
std::uint16_t reducedGainPeak(std::uint16_t peak);

} // namespace measure
