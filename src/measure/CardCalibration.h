#pragma once
// Calibration of a sound card against a reference meter. Line inputs and
// outputs differ from card to card (by 3 dB and more), so every readout of a
// card is off by one factor per quantity: the voltage UR, the current IL and
// the generator's output. The user reads a steady sine on a multimeter, types
// what it shows, and each factor becomes reference / present readout, the
// present readout averaged over the blocks recorded meanwhile.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace measure {

// The factors a card's readouts are multiplied by; 1 is the card as the
// program's own scales assume it.
struct CalibrationFactors {
    double voltage = 1.0;
    double current = 1.0;
    double output = 1.0;

    bool isDefault() const { return voltage == 1.0 && current == 1.0 && output == 1.0; }
    bool operator==(const CalibrationFactors&) const = default;
};

// A factor beyond these is no card's sensitivity but a wrong connection or
// a typing error.
constexpr double smallestCalibrationFactor = 0.2;
constexpr double largestCalibrationFactor = 5.0;
// Blocks a present readout is averaged over at the least.
constexpr std::size_t calibrationBlocks = 3;
// A channel whose peak stays below this (16-bit units) carries too little
// signal to compare with a meter; one at or above the clip level is clipped.
constexpr int smallestCalibrationPeak = 1000;
constexpr int clippedPeak = 32767;
// The readouts of the blocks may spread by this share of their mean at most.
constexpr double steadySpread = 0.01;
// The generator's readout (mV) below which the output is too small to compare.
constexpr double smallestOutputMillivolts = 10.0;

// One block's readout of a channel (calibrated by the factor in force) with
// the channel's peak in recorded units.
struct BlockReading {
    double reading = 0;
    int peak = 0;
    // Recorded at reduced line-input gain: the readout then rests on the
    // level the mixer reached, not on the card's own sensitivity.
    bool reducedGain = false;
};

// A factor is in range and finite.
bool calibrationFactorValid(double factor);

// The value a reference meter shows, as typed (a decimal point or comma);
// nothing when the box is empty, a refusal text when it is no positive number.
struct TypedReference {
    std::optional<double> value;
    std::string refusal;
};
TypedReference typedReference(const std::string& text, const std::string& quantity);

// What the dialog collected for one input channel: the typed reference and
// the readouts of the blocks recorded while it was open.
struct ChannelCalibration {
    std::string typed;
    std::vector<BlockReading> blocks;
};

// The output: the typed reference (mV at the line output) and generator 1's
// amplitude readout (mV, before the output factor).
struct OutputCalibration {
    std::string typed;
    double amplitudeMillivolts = 0;
    // Generator 2 or the sweep plays too: the meter measures their sum.
    bool othersPlaying = false;
};

struct CalibrationOutcome {
    CalibrationFactors factors;
    // Why nothing is to be stored (Czech, one sentence per reason); empty
    // when the factors can be kept.
    std::string refusal;
};

// The new factors: each quantity with a typed reference gets reference /
// present readout (the readout without its present factor), the others keep
// theirs. Any refusal refuses the whole calibration.
CalibrationOutcome calibrate(const CalibrationFactors& inForce, const ChannelCalibration& voltage,
                             const ChannelCalibration& current, const OutputCalibration& output);

} // namespace measure
