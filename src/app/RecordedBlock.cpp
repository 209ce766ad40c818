#include "app/RecordedBlock.h"

#include <algorithm>

int copyRecordedBlock(SharedState& state, const char* buffer, std::int32_t size) {
    if (buffer == nullptr || size < 2) return 0;
    const std::int32_t values = std::min<std::int32_t>(size / 2, sampleCapacity);
    state.sampleCount = values;
    state.sampleIndex = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
    for (std::int32_t i = 0; i < values; ++i) {
        const auto word = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        state.rawSamples[state.sampleIndex] = static_cast<std::int16_t>(word);
        ++state.sampleIndex;
    }
    return values;
}
