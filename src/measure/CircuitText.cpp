#include "measure/CircuitText.h"

#include "core/FixedText.h"

#include <cmath>

namespace measure {

namespace {

// Four significant digits for values from 1 to 9999 of the unit.
std::string significant(double value, const char* unit) {
    const double magnitude = std::abs(value);
    const int decimals = magnitude < 10 ? 3 : magnitude < 100 ? 2 : magnitude < 1000 ? 1 : 0;
    return fixedText(value, 0, decimals) + " " + unit;
}

} // namespace

std::string impedanceText(double ohms) {
    if (std::abs(ohms) < 1) return significant(ohms * 1000, "mΩ");
    if (std::abs(ohms) >= 10000) return significant(ohms / 1000, "kΩ");
    return significant(ohms, "Ω");
}

std::string phaseText(double degrees) {
    return fixedText(degrees, 0, 1) + "°";
}

std::string powerText(double milliwatts) {
    if (std::abs(milliwatts) < 1) return significant(milliwatts * 1000, "µW");
    return significant(milliwatts, "mW");
}

std::string circuitLine(const CircuitReading& reading) {
    if (!reading.valid) return "|Z|, φ: žádný periodický signál";
    if (reading.currentTooSmall) return "|Z|, φ: proud je příliš malý";
    return "|Z| = " + impedanceText(reading.impedance) +
           "   φ = " + phaseText(reading.phaseDegrees) + "   P = " + powerText(reading.power);
}

} // namespace measure
