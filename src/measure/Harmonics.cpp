#include "measure/Harmonics.h"

#include "core/FixedText.h"

#include <algorithm>
#include <cmath>

namespace measure {

namespace {

// The highest bin within one bin of the frequency.
double peakNear(const std::vector<float>& amplitudes, double binWidth, double frequency) {
    const int last = static_cast<int>(amplitudes.size()) - 1;
    const int centre = static_cast<int>(std::lround(frequency / binWidth));
    float peak = 0;
    for (int k = std::max(1, centre - 1); k <= std::min(last, centre + 1); ++k)
        peak = std::max(peak, amplitudes[static_cast<std::size_t>(k)]);
    return peak;
}

} // namespace

HarmonicTable harmonicTable(const BlockSpectra& spectra, double fundamental,
                            double currentReadoutFactor, double voltageReadoutFactor) {
    HarmonicTable table;
    table.fundamental = fundamental;
    for (int n = 1; n <= highestHarmonic; ++n) {
        Harmonic& row = table.rows[static_cast<std::size_t>(n - 1)];
        row.order = n;
        row.frequency = n * fundamental;
    }
    using Missing = HarmonicTable::Missing;
    if (spectra.frames == 0) return table;
    const double lowest = smallestFundamentalBins * spectra.binWidth;
    table.missing = !(fundamental > 0)                       ? Missing::frequency
                    : fundamental < lowest                   ? Missing::tooLow
                    : fundamental > highestHarmonicFrequency ? Missing::tooHigh
                                                             : Missing::nothing;
    if (table.missing != Missing::nothing) return table;
    table.valid = true;
    // A sine of peak A reads A / 2 x factor.
    double currentSquares = 0, voltageSquares = 0;
    for (Harmonic& row : table.rows) {
        row.inRange = row.frequency <= highestHarmonicFrequency;
        if (!row.inRange) continue;
        ++table.ordersInRange;
        row.current =
            peakNear(spectra.current, spectra.binWidth, row.frequency) / 2 * currentReadoutFactor;
        row.voltage =
            peakNear(spectra.voltage, spectra.binWidth, row.frequency) / 2 * voltageReadoutFactor;
        if (row.order > 1) {
            currentSquares += row.current * row.current;
            voltageSquares += row.voltage * row.voltage;
        }
    }
    const Harmonic& first = table.rows[0];
    const bool hasCurrent =
        first.current >= smallestFundamentalAmplitude / 2 * currentReadoutFactor;
    const bool hasVoltage =
        first.voltage >= smallestFundamentalAmplitude / 2 * voltageReadoutFactor;
    if (!hasCurrent && !hasVoltage) {
        // Noise alone: no amplitudes that could be taken for a reading.
        table.valid = false;
        table.missing = Missing::signal;
        table.ordersInRange = 0;
        for (Harmonic& row : table.rows) {
            row.current = row.voltage = 0;
            row.inRange = false;
        }
        return table;
    }
    for (Harmonic& row : table.rows) {
        if (!row.inRange) continue;
        if (hasCurrent) row.currentPercent = 100 * row.current / first.current;
        if (hasVoltage) row.voltagePercent = 100 * row.voltage / first.voltage;
    }
    if (hasCurrent) table.currentThd = 100 * std::sqrt(currentSquares) / first.current;
    if (hasVoltage) table.voltageThd = 100 * std::sqrt(voltageSquares) / first.voltage;
    return table;
}

std::string missingText(const HarmonicTable& table) {
    switch (table.missing) {
    case HarmonicTable::Missing::nothing:
        return {};
    case HarmonicTable::Missing::block:
        return "harmonické: žádný záznam";
    case HarmonicTable::Missing::signal:
        return "harmonické: žádný signál";
    case HarmonicTable::Missing::frequency:
        return "harmonické: neznámá základní frekvence";
    case HarmonicTable::Missing::tooLow:
        return "harmonické: základní frekvence příliš nízká";
    case HarmonicTable::Missing::tooHigh:
        return "harmonické: základní frekvence nad 20 kHz";
    }
    return {};
}

std::string missingMessage(const HarmonicTable& table) {
    switch (table.missing) {
    case HarmonicTable::Missing::nothing:
        return {};
    case HarmonicTable::Missing::block:
        return "no block has been recorded";
    case HarmonicTable::Missing::signal:
        return "no signal on either channel (check the connection and the generator)";
    case HarmonicTable::Missing::frequency:
        return "no fundamental frequency was found";
    case HarmonicTable::Missing::tooLow:
        return "the fundamental " + fixedText(table.fundamental, 0, 1) +
               " Hz is too low to separate its harmonics";
    case HarmonicTable::Missing::tooHigh:
        return "the fundamental " + fixedText(table.fundamental, 0, 1) + " Hz is above 20 kHz";
    }
    return {};
}

std::string harmonicCsv(const HarmonicTable& table) {
    auto field = [](std::optional<double> value, int decimals) {
        return value ? fixedText(*value, 0, decimals) : std::string();
    };
    std::string csv = "n,f [Hz],IL [mA],IL [%],UR [mV],UR [%]\n";
    for (const Harmonic& row : table.rows) {
        const bool shown = table.valid && row.inRange;
        csv += std::to_string(row.order) + "," +
               field(table.fundamental > 0 ? std::optional(row.frequency) : std::nullopt, 2) + "," +
               field(shown ? std::optional(row.current) : std::nullopt, 5) + "," +
               field(shown ? row.currentPercent : std::nullopt, 4) + "," +
               field(shown ? std::optional(row.voltage) : std::nullopt, 4) + "," +
               field(shown ? row.voltagePercent : std::nullopt, 4) + "\n";
    }
    // THD is a percentage: it stands in the % columns.
    csv += "THD,,," + field(table.valid ? table.currentThd : std::nullopt, 4) + ",," +
           field(table.valid ? table.voltageThd : std::nullopt, 4) + "\n";
    return csv;
}

} // namespace measure
