#pragma once
// What the generator panels make of their slider positions: the amplitude in
// millivolts at the output, and generator 1's frequency with its readout,
// unit and slider steps.

#include <cstdint>
#include <string>

namespace generator {

// Millivolts at the output for an amplitude slider position (peak sample
// value): position / 32.767 x 1.1, rounded (3000 -> 101, 32767 -> 1100), on
// a card whose output the calibration corrects by `output`.
std::int64_t amplitudeMillivolts(std::int64_t position, double output = 1.0);
// The same unrounded, on the card's own scale (no correction).
double exactAmplitudeMillivolts(std::int64_t position);

// Amplitude (peak sample value) for millivolts typed into the amplitude
// readout: the inverse of the readout, value x 32.767 / 1.1, rounded, so
// that a typed 100 plays 100 mV and reads "100" afterwards.
std::int64_t amplitudeForTypedValue(std::int32_t value, double output = 1.0);

// Generator 1's frequency slider at a position (Hz).
struct FrequencySlider {
    // Below 1000 the position itself; from 1000 on rounded to 100 Hz.
    std::int32_t frequency = 0;
    // A blank and the position in Hz (" 420"); from 1000 on a blank and the
    // kHz with one decimal (" 4.1").
    std::string readout;
    // The slider's steps: 10 and 1, from 1000 on 100 and 10.
    std::int32_t largeChange = 0;
    std::int32_t smallChange = 0;
    // " Hz" below 1000 Hz, else "kHz".
    std::string unit;
    // The frequency is above the display limit.
    bool beyondDisplayLimit = false;
};

FrequencySlider frequencySlider(std::int32_t position);

} // namespace generator
