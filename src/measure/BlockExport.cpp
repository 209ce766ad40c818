#include "measure/BlockExport.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace measure {

std::string blockCsv(const SharedState::SampleArray& raw, std::int32_t sampleCount,
                     double currentReadoutFactor, double voltageReadoutFactor,
                     const CsvStyle& style, const BlockSpectra* spectra) {
    const int frames = std::clamp<std::int32_t>(sampleCount, 0, sampleCapacity) / 2;
    const double currentScale = currentReadoutFactor / std::numbers::sqrt2;
    const double voltageScale = voltageReadoutFactor / std::numbers::sqrt2;
    const char sep = style.separator;
    const std::size_t bins = spectra ? spectra->current.size() : 0;
    std::string csv = csvStart(style) + "t [ms]" + sep + "IL [mA]" + sep + "UR [mV]";
    if (spectra) csv = csv + sep + "f [Hz]" + sep + "IL RMS [mA]" + sep + "UR RMS [mV]";
    csv += '\n';
    csv.reserve(csv.size() + static_cast<std::size_t>(frames) * (spectra ? 56 : 32));
    for (int k = 0; k < std::max<int>(frames, static_cast<int>(bins)); ++k) {
        const auto frame = static_cast<std::size_t>(2 * k);
        if (k < frames) {
            csv += csvNumber(k / 44.1, style);
            csv += sep;
            csv += csvNumber(raw[frame + 1] * currentScale, style);
            csv += sep;
            csv += csvNumber(raw[frame] * voltageScale, style);
        } else {
            csv += sep;
            csv += sep;
        }
        if (spectra) {
            // A line of peak P reads P / 2 x factor, as the readouts do.
            const auto bin = static_cast<std::size_t>(k);
            csv += sep;
            if (bin < bins) {
                csv += csvNumber(k * spectra->binWidth, style);
                csv += sep;
                csv += csvNumber(spectra->current[bin] / 2 * currentReadoutFactor, style);
                csv += sep;
                csv += csvNumber(spectra->voltage[bin] / 2 * voltageReadoutFactor, style);
            } else {
                csv += sep;
                csv += sep;
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
    auto field = [](std::optional<double> value) {
        return value ? significantText(*value) : std::string();
    };
    // A clipped block's values are not the signal's (the analysis shows it
    // as overdriven): its line keeps the frequencies and leaves the readings
    // empty, as for a block without a periodic signal.
    const bool valid = reading.valid && !reading.overdriven;
    const bool divides = valid && !reading.currentTooSmall;
    return isoTime + "," + field(currentFrequency) + "," + field(voltageFrequency) + "," +
           field(valid ? std::optional(reading.currentRms) : std::nullopt) + "," +
           field(valid ? std::optional(reading.voltageRms) : std::nullopt) + "," +
           field(divides ? std::optional(reading.impedance) : std::nullopt) + "," +
           field(divides ? std::optional(reading.phaseDegrees) : std::nullopt) + "\n";
}

} // namespace measure
