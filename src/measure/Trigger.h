#pragma once
// Where the traces of a frame begin: the channel that triggers, and the
// start of a negative half-wave on it.

#include "core/SharedState.h"
#include "measure/Channel.h"

#include <cstdint>

namespace measure {

enum class TriggerSource { none, current, voltage };

// The trigger source box's items.
constexpr int triggerAutomatic = 0;
constexpr int triggerFromCurrent = 1;
constexpr int triggerFromVoltage = 2;

// Item 2 triggers on the voltage, item 1 on the current; "automaticky" on the
// voltage when its peak exceeds 1.5 x the current peak, else on the current.
// A box showing typed text (no item) triggers on nothing.
TriggerSource chooseTriggerSource(int item, std::uint16_t voltagePeak, std::uint16_t currentPeak);

// Index at which the traces start when nothing triggers.
constexpr std::uint16_t noTriggerIndex = 19998;

// Smooths the negative half-waves of the channel from its start mark (set by
// findFirstNegative) and returns one sample before the first point after the
// mark where the smoothed signal leaves zero downwards, that is where the
// channel first falls to -K or below after a zero; 19998 when there is none
// before index 20000. The result also goes to the channel's trigger index.
std::uint16_t searchTrigger(ChannelView channel, std::int32_t N);

} // namespace measure
