#pragma once
// The geometry every drawing routine of the screen shares, computed from the
// client size at each use.

#include "core/Round.h"

namespace display {

// x of the first trace point, of the start of the centre line and of time 0.
constexpr int originX = 55;
// Pixels of one vertical division.
constexpr int divisionHeight = 20;

// The vertical centre: the zero line of both traces and the time axis.
inline int centreY(int clientHeight) {
    return clientHeight / 2;
}

// Horizontal grid unit in pixels; ten time divisions of 19.46 units each.
inline double gridUnit(int clientWidth) {
    return (clientWidth - 40) / 200.0;
}

// Round(gridUnitX x 2 x k x 9.73 + offset): with offset 55 the end of time
// division k, where the grid's vertical line k and the division tick stand.
inline int divisionX(double gridUnitX, int k, double offset) {
    return static_cast<int>(Round(gridUnitX * 2 * k * 9.73 + offset));
}

} // namespace display
