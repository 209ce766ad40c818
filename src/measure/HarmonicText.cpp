#include "measure/HarmonicText.h"

#include "core/FixedText.h"

#include <cmath>
#include <optional>

namespace measure {

namespace {

const std::string none = "–";

std::string amplitude(double value) {
    const double size = std::abs(value);
    const int decimals = size >= 100 ? 1 : size >= 10 ? 2 : size >= 1 ? 3 : 4;
    return fixedText(value, 0, decimals);
}

std::string percent(std::optional<double> value) {
    if (!value) return none;
    const int decimals = *value >= 10 ? 1 : *value >= 1 ? 2 : 3;
    return fixedText(*value, 0, decimals);
}

} // namespace

HarmonicText harmonicText(const HarmonicTable& table) {
    HarmonicText text;
    if (!table.valid) {
        text.note = missingText(table);
        return text;
    }
    text.rows.push_back({"n", "f [Hz]", "IL [mA]", "%", "UR [mV]", "%"});
    for (int k = 0; k < table.ordersInRange; ++k) {
        const Harmonic& row = table.rows[static_cast<std::size_t>(k)];
        text.rows.push_back({std::to_string(row.order),
                             fixedText(row.frequency, 0, row.frequency < 1000 ? 1 : 0),
                             amplitude(row.current), percent(row.currentPercent),
                             amplitude(row.voltage), percent(row.voltagePercent)});
    }
    text.rows.push_back({"THD", "", "", percent(table.currentThd), "", percent(table.voltageThd)});
    if (table.ordersInRange < highestHarmonic) {
        text.note =
            table.ordersInRange + 1 == highestHarmonic
                ? "10. harmonická nad 20 kHz vynechána"
                : std::to_string(table.ordersInRange + 1) + ".–10. harmonická nad 20 kHz vynechány";
    }
    return text;
}

} // namespace measure
