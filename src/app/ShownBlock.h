#pragma once
// The recorded block whose picture is on the screen. In one-shot mode the
// picture stays while new blocks replace the shared sample array for the
// readouts; what is saved or analysed "from the screen" is this copy.

#include "core/SharedState.h"

#include <cstdint>

struct ShownBlock {
    SharedState::SampleArray samples{};
    std::int32_t sampleCount = 0;
    double currentReadoutFactor = 0;
    double voltageReadoutFactor = 0;
    // Generator 1's frequency that goes with the block.
    std::int32_t generatorFrequency = 0;
    // The number of the recorded block (counted from start-up); none yet.
    std::uint64_t block = ~std::uint64_t{0};

    bool empty() const { return block == ~std::uint64_t{0}; }
};

// Keeps the block in `state` as block number `block`, read with the readout
// factors in force while it was recorded: its values are copied once per
// block, its calibration every time.
void keepShownBlock(ShownBlock& shown, const SharedState& state, std::uint64_t block,
                    double currentReadoutFactor, double voltageReadoutFactor);
