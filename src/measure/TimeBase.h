#pragma once
// The time bases of the screen: how many samples lie between two drawn
// points and how many pixels, and which one the automatic choice takes for
// the frequency of the triggering channel.

#include "core/SharedState.h"
#include "measure/Trigger.h"

#include <optional>

namespace measure {

struct TimeBase {
    double pixelsPerPoint;
    int sampleStep;
};

// Time bases 1..7 (the time-base box's items "   100 msec" .. "      1 msec").
constexpr int timeBaseCount = 7;
TimeBase timeBase(int index);

// The time-base box's item that follows generator 1, and the automatic one.
constexpr int timeBaseAutomaticItem = 0;
constexpr int timeBaseGeneratorItem = 8;

// The automatic time base for the shown frequency of the triggering channel.
// The current and the voltage channel differ only between the 10 ms and the
// 5 ms time base (250 and 300 Hz).
int automaticTimeBase(double frequency, TriggerSource source);

// The time base a frame should have: automatic while autoTimeBase is set,
// else the box's item 1..7 (nullopt: any other item changes nothing).
std::optional<int> chosenTimeBase(const SharedState& state, TriggerSource source, int boxItem);

// Makes time base `index` the one in force: false when it already is (nothing
// changes); else sets pixelsPerPoint, sampleStep and timeBaseShown and
// returns true (the window then clears the screen and draws its labels).
bool applyTimeBase(SharedState& state, int index);

// The time base whose labels are in force (0: none).
int shownTimeBase(const SharedState& state);

} // namespace measure
