#pragma once
// The harmonic table of a recorded block: the fundamental and harmonics 2 to
// 10 of the current and the voltage as RMS mA / mV and as % of the
// fundamental, and the total harmonic distortion of each channel.

#include "measure/Spectrum.h"

#include <array>
#include <optional>
#include <string>

namespace measure {

constexpr int highestHarmonic = 10;
// Harmonics above this frequency (Hz) are beyond the sound card and left out.
constexpr double highestHarmonicFrequency = 20000;

struct Harmonic {
    int order = 1;
    double frequency = 0;                 // Hz
    bool inRange = false;                 // not above highestHarmonicFrequency
    double current = 0;                   // RMS mA
    double voltage = 0;                   // RMS mV
    std::optional<double> currentPercent; // of the current's fundamental, when it has one
    std::optional<double> voltagePercent;
};

struct HarmonicTable {
    bool valid = false;
    // Why there is no table.
    enum class Missing { nothing, block, signal, frequency, tooLow, tooHigh };
    Missing missing = Missing::block;
    double fundamental = 0;                       // Hz
    std::array<Harmonic, highestHarmonic> rows{}; // orders 1 .. 10
    int ordersInRange = 0;            // rows[0 .. ordersInRange - 1] are within the range
    std::optional<double> currentThd; // %, over the harmonics within the range
    std::optional<double> voltageThd;
};

// The lowest fundamental whose harmonics the window separates, in bins: the
// main lobes of neighbouring harmonics must not reach each other's peak.
constexpr int smallestFundamentalBins = flatTopHalfLobe + 2;

// A channel whose fundamental is below this many raw units (peak) has no
// percentages and no THD: nothing to divide by.
constexpr double smallestFundamentalAmplitude = 5;

// Why a table is missing: for the screen (in the instrument's Czech) and for
// a script's standard error (in English, as the command line speaks); empty
// when it is there.
std::string missingText(const HarmonicTable& table);
std::string missingMessage(const HarmonicTable& table);

// The table of the spectra at the given fundamental (the block's analysed
// frequency or generator 1's); no table when neither channel has a
// fundamental of smallestFundamentalAmplitude. The readout factors turn raw units into mV and
// mA as the readouts do (a sine of peak A reads A / 2 x factor). A harmonic's
// amplitude is the highest bin within one bin of its frequency, where the
// flat top holds it.
HarmonicTable harmonicTable(const BlockSpectra& spectra, double fundamental,
                            double currentReadoutFactor, double voltageReadoutFactor);

// The table as CSV: a header, then one line per order 1 .. 10 (n, f [Hz],
// IL [mA], IL [%], UR [mV], UR [%]; a harmonic above the range has its
// frequency and empty fields), then the THD line (its values in the % columns). Without a valid
// table the lines keep their fields empty.
std::string harmonicCsv(const HarmonicTable& table);

} // namespace measure
