#pragma once
// How the circuit quantities read on the screen: the impedance in mOhm, Ohm
// or kOhm, the phase in degrees, the active power in uW or mW, with four
// significant digits where the instrument's resolution allows.

#include "measure/Fundamental.h"

#include <string>

namespace measure {

std::string impedanceText(double ohms);
std::string phaseText(double degrees);
std::string powerText(double milliwatts);

// The line shown at the top right of the screen: "|Z| = 18.80 Ω  φ = -57.9°
// P = 2.37 mW"; a current too small to divide by, or no signal, says so.
std::string circuitLine(const CircuitReading& reading);

} // namespace measure
