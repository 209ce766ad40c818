#include "measure/Trigger.h"

#include "measure/Frequency.h"
#include "measure/Smoothing.h"

namespace measure {

TriggerSource chooseTriggerSource(int item, std::uint16_t voltagePeak, std::uint16_t currentPeak) {
    switch (item) {
    case triggerFromVoltage:
        return TriggerSource::voltage;
    case triggerFromCurrent:
        return TriggerSource::current;
    case triggerAutomatic:
        return voltagePeak > 1.5 * currentPeak ? TriggerSource::voltage : TriggerSource::current;
    default:
        return TriggerSource::none;
    }
}

std::uint16_t searchTrigger(ChannelView channel, std::int32_t N) {
    const int s = channel.startMark;
    Smoother y(channel.samples, channel.smoothed, s, N, channel.smoothingDivisor,
               HalfWave::negative);
    std::uint16_t index = noTriggerIndex;
    for (int q = s + 1; q <= lastStartPosition; ++q) {
        if (y.at(q) == 0 && y.at(q + 1) != 0) {
            index = static_cast<std::uint16_t>(q - 1);
            break;
        }
    }
    channel.triggerIndex = index;
    return index;
}

} // namespace measure
