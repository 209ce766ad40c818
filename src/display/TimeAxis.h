#pragma once
// The labels of the time axis along the centre line: 99 minor ticks, nine
// division ticks with their numbers in milliseconds, and the text at the end
// of the tenth division. One set per time base; the sets differ only in
// their numbers, end texts and offsets.

#include "core/SharedState.h"
#include "display/Canvas.h"

namespace display {

// Time-base indexes, as the items 1..7 of the time-base box number them.
namespace timebase {
constexpr int ms100 = 1;
constexpr int ms50 = 2;
constexpr int ms20 = 3;
constexpr int ms10 = 4;
constexpr int ms5 = 5;
constexpr int ms2 = 6;
constexpr int ms1 = 7;
} // namespace timebase

// Draws the label set of time base `timeBase` (1..7; any other index draws
// nothing) in white with the positions taken from gridUnitX. Numbers with
// decimals pass through numberText.
void drawTimeAxis(Canvas& canvas, SharedState& state, int timeBase);

} // namespace display
