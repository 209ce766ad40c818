#pragma once
// The two measured channels and the shared-state variables of each. The
// current IL ("L", yellow) is the second 16-bit value of every recorded
// frame, the voltage UR ("R", aqua) the first; every kernel of the
// measurement works on one channel through this view, so the rules are
// written once for both.

#include "core/SharedState.h"

#include <cstdint>

namespace measure {

enum class Channel { current, voltage };

struct ChannelView {
    Channel channel;
    SharedState::SampleArray& samples;  // currentSamples / voltageSamples
    SharedState::SampleArray& smoothed; // currentSmoothed / voltageSmoothed
    std::uint16_t& startMark;
    std::uint16_t& peak;
    double& squareSums;
    double& reading;
    double& frequency;
    double& frequencyMeasured;
    std::uint16_t& triggerIndex;
    const std::int32_t& smoothingDivisor;
    const double& readoutFactor;
    const double& gain;
    // Position of the channel's first value in a recorded frame.
    int frameOffset() const { return channel == Channel::current ? 1 : 0; }
};

ChannelView view(SharedState& state, Channel channel);

} // namespace measure
