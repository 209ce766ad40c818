#include "measure/Amplitude.h"

#include "core/Round.h"

#include <algorithm>
#include <cmath>

namespace measure {

Amplitude splitChannel(const SharedState::SampleArray& raw, std::int32_t N, int frameOffset,
                       SharedState::SampleArray& samples) {
    const std::int32_t n = std::clamp<std::int32_t>(N, 0, sampleCapacity);
    // Entries whose source position lies inside the block; the rest are 0.
    const std::int32_t filled = std::clamp<std::int32_t>((n - frameOffset + 1) / 2, 0, n);
    if (filled > 0) samples[0] = raw[static_cast<std::size_t>(frameOffset)];
    std::int32_t peak = 0;
    // Squares of 16-bit values summed over at most 44100 entries stay far
    // below 2^53, so the integer sum is exact and equals the double sum.
    std::int64_t sum = 0;
    for (std::int32_t j = 1; j < filled; ++j) {
        const std::int32_t x = raw[static_cast<std::size_t>(2 * j + frameOffset)];
        samples[static_cast<std::size_t>(j)] = x;
        peak = std::max(peak, x < 0 ? -x : x);
        sum += static_cast<std::int64_t>(x) * x;
    }
    std::fill(samples.begin() + filled, samples.begin() + n, 0);
    // The sum runs one entry past the block's own: entry N, where it exists.
    if (n >= 1 && n < sampleCapacity) {
        const std::int64_t x = samples[static_cast<std::size_t>(n)];
        sum += x * x;
    }
    return {static_cast<std::uint16_t>(std::min<std::int32_t>(peak, 0xFFFF)),
            static_cast<double>(sum)};
}

void measureChannel(SharedState& state, Channel channel) {
    ChannelView c = view(state, channel);
    const Amplitude amplitude =
        splitChannel(state.rawSamples, state.sampleCount, c.frameOffset(), c.samples);
    c.peak = amplitude.peak;
    c.squareSums = amplitude.squareSums;
}

double rmsReading(double squareSums, std::int32_t N, double factor) {
    if (N <= 0) return 0.0;
    return std::sqrt(squareSums / N) * factor;
}

std::uint16_t reducedGainPeak(std::uint16_t peak) {
    return static_cast<std::uint16_t>(std::min<std::int64_t>(Round(peak * 1.8), 0xFFFF));
}

} // namespace measure
