#include "measure/CircuitText.h"

#include "core/CsvStyle.h"
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
    if (reading.overdriven) return "|Z|, φ: přebuzeno";
    if (reading.currentTooSmall) return "|Z|, φ: proud je příliš malý";
    // The uncertainty is said where it reaches the last digit shown: half
    // of its unit, 1 in 2000 of |Z| (four digits) or 0.05 degrees.
    std::string impedance = impedanceText(reading.impedance);
    if (reading.impedanceUncertainty >= 0.0005 * reading.impedance) {
        const std::string value = impedanceText(reading.impedance);
        const std::string unit = value.substr(value.find(' '));
        const double scale = unit == " mΩ" ? 1000 : unit == " kΩ" ? 0.001 : 1;
        impedance = value.substr(0, value.find(' ')) + " ± " +
                    significantText(reading.impedanceUncertainty * scale, 2) + unit;
    }
    std::string phase = phaseText(reading.phaseDegrees);
    if (reading.phaseUncertainty >= 0.05)
        phase = fixedText(reading.phaseDegrees, 0, 1) + " ± " +
                fixedText(reading.phaseUncertainty, 0, 1) + "°";
    return "|Z| = " + impedance + "   φ = " + phase + "   P = " + powerText(reading.power);
}

} // namespace measure
