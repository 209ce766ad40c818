#pragma once
// A recorded block for a spreadsheet: one line per frame with its time and
// both channels in calibrated units, and the line a running log adds for
// every block.

#include "core/CsvStyle.h"
#include "core/SharedState.h"
#include "measure/Fundamental.h"
#include "measure/Spectrum.h"

#include <optional>
#include <string>

namespace measure {

// "t [ms],IL [mA],UR [mV]" and one line per frame of the block, in the
// given style. A value is the raw value x factor / sqrt(2), so that the RMS
// of a column equals the readout of its channel. With spectra, three more
// columns "f [Hz],IL RMS [mA],UR RMS [mV]" hold each bin's frequency and the
// RMS of each channel's line there, from the first line on (empty fields
// below the last bin).
std::string blockCsv(const SharedState::SampleArray& raw, std::int32_t sampleCount,
                     double currentReadoutFactor, double voltageReadoutFactor,
                     const CsvStyle& style = plainCsv, const BlockSpectra* spectra = nullptr);

// The header of the block log, and one line of it: the time as given, the
// frequency of each channel, IL, UR, |Z| and the phase (empty fields where a
// value is missing, and for the readings of a clipped block).
std::string logHeader();
std::string logLine(const std::string& isoTime, std::optional<double> currentFrequency,
                    std::optional<double> voltageFrequency, const CircuitReading& reading);

} // namespace measure
