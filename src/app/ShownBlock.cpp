#include "app/ShownBlock.h"

#include <algorithm>

void keepShownBlock(ShownBlock& shown, const SharedState& state, std::uint64_t block,
                    double currentReadoutFactor, double voltageReadoutFactor) {
    if (shown.block != block || shown.sampleCount != state.sampleCount) {
        const auto count =
            static_cast<std::size_t>(std::clamp(state.sampleCount, 0, sampleCapacity));
        std::copy_n(state.rawSamples.begin(), count, shown.samples.begin());
        shown.sampleCount = static_cast<std::int32_t>(count);
        shown.block = block;
    }
    shown.currentReadoutFactor = currentReadoutFactor;
    shown.voltageReadoutFactor = voltageReadoutFactor;
    shown.generatorFrequency = state.blockGeneratorFrequency > 0 ? state.blockGeneratorFrequency
                                                                 : state.generator1Frequency;
}
