#include "measure/BlockExport.h"

#include "core/FixedText.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace measure {

std::string blockCsv(const SharedState::SampleArray& raw, std::int32_t sampleCount,
                     double currentReadoutFactor, double voltageReadoutFactor) {
    const int frames = std::clamp<std::int32_t>(sampleCount, 0, sampleCapacity) / 2;
    const double currentScale = currentReadoutFactor / std::numbers::sqrt2;
    const double voltageScale = voltageReadoutFactor / std::numbers::sqrt2;
    std::string csv = "t [ms],IL [mA],UR [mV]\n";
    csv.reserve(csv.size() + static_cast<std::size_t>(frames) * 32);
    for (int k = 0; k < frames; ++k) {
        const auto frame = static_cast<std::size_t>(2 * k);
        csv += fixedText(k / 44.1, 0, 4);
        csv += ',';
        csv += fixedText(raw[frame + 1] * currentScale, 0, 4);
        csv += ',';
        csv += fixedText(raw[frame] * voltageScale, 0, 3);
        csv += '\n';
    }
    return csv;
}

std::string logHeader() {
    return "time,fL [Hz],fR [Hz],IL [mA],UR [mV],|Z| [Ω],φ [°]\n";
}

std::string logLine(const std::string& isoTime, std::optional<double> currentFrequency,
                    std::optional<double> voltageFrequency, const CircuitReading& reading) {
    auto field = [](std::optional<double> value, int decimals) {
        return value ? fixedText(*value, 0, decimals) : std::string();
    };
    const bool valid = reading.valid;
    const bool divides = valid && !reading.currentTooSmall;
    return isoTime + "," + field(currentFrequency, 2) + "," + field(voltageFrequency, 2) + "," +
           field(valid ? std::optional(reading.currentRms) : std::nullopt, 4) + "," +
           field(valid ? std::optional(reading.voltageRms) : std::nullopt, 3) + "," +
           field(divides ? std::optional(reading.impedance) : std::nullopt, 4) + "," +
           field(divides ? std::optional(reading.phaseDegrees) : std::nullopt, 2) + "\n";
}

} // namespace measure
