#include "measure/Channel.h"

namespace measure {

ChannelView view(SharedState& s, Channel channel) {
    if (channel == Channel::current)
        return {channel,
                s.currentSamples,
                s.currentSmoothed,
                s.currentStartMark,
                s.currentPeak,
                s.currentSquareSums,
                s.currentReading,
                s.currentFrequency,
                s.currentFrequencyMeasured,
                s.currentTriggerIndex,
                s.currentSmoothingDivisor,
                s.currentReadoutFactor,
                s.currentGain};
    return {channel,
            s.voltageSamples,
            s.voltageSmoothed,
            s.voltageStartMark,
            s.voltagePeak,
            s.voltageSquareSums,
            s.voltageReading,
            s.voltageFrequency,
            s.voltageFrequencyMeasured,
            s.voltageTriggerIndex,
            s.voltageSmoothingDivisor,
            s.voltageReadoutFactor,
            s.voltageGain};
}

} // namespace measure
