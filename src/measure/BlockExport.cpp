#include "measure/BlockExport.h"

#include "core/FixedText.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace measure {

std::string blockCsv(const SharedState::SampleArray& raw, std::int32_t sampleCount,
                     double currentReadoutFactor, double voltageReadoutFactor,
                     const BlockSpectra* spectra) {
    const int frames = std::clamp<std::int32_t>(sampleCount, 0, sampleCapacity) / 2;
    const double currentScale = currentReadoutFactor / std::numbers::sqrt2;
    const double voltageScale = voltageReadoutFactor / std::numbers::sqrt2;
    const std::size_t bins = spectra ? spectra->current.size() : 0;
    std::string csv = spectra ? "t [ms],IL [mA],UR [mV],f [Hz],IL RMS [mA],UR RMS [mV]\n"
                              : "t [ms],IL [mA],UR [mV]\n";
    csv.reserve(csv.size() + static_cast<std::size_t>(frames) * (spectra ? 56 : 32));
    for (int k = 0; k < std::max<int>(frames, static_cast<int>(bins)); ++k) {
        const auto frame = static_cast<std::size_t>(2 * k);
        if (k < frames) {
            csv += fixedText(k / 44.1, 0, 4);
            csv += ',';
            csv += fixedText(raw[frame + 1] * currentScale, 0, 4);
            csv += ',';
            csv += fixedText(raw[frame] * voltageScale, 0, 3);
        } else {
            csv += ",,";
        }
        if (spectra) {
            // A line of peak P reads P / 2 x factor, as the readouts do.
            const auto bin = static_cast<std::size_t>(k);
            if (bin < bins) {
                csv += ',';
                csv += fixedText(k * spectra->binWidth, 0, 3);
                csv += ',';
                csv += fixedText(spectra->current[bin] / 2 * currentReadoutFactor, 0, 5);
                csv += ',';
                csv += fixedText(spectra->voltage[bin] / 2 * voltageReadoutFactor, 0, 4);
            } else {
                csv += ",,,";
            }
        }
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
