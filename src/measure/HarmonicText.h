#pragma once
// The harmonic table as the screen shows it: a header, one row per harmonic
// within 20 kHz, the THD row and a note on the harmonics left out, each row
// six cells (order, frequency, IL, IL %, UR, UR %).

#include "measure/Harmonics.h"

#include <array>
#include <string>
#include <vector>

namespace measure {

using HarmonicCells = std::array<std::string, 6>;

struct HarmonicText {
    std::vector<HarmonicCells> rows; // the header first; empty without a table
    std::string note;                // the harmonics left out, or why there is no table
};

// Amplitudes with four significant digits, percentages with two decimals
// below 10 % (three below 1 %); a cell without a value is "–".
HarmonicText harmonicText(const HarmonicTable& table);

} // namespace measure
