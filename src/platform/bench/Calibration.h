#pragma once
// The calibration of the bench's signal path.
//
// Output: a played sample of peak A (with wave-out and master level at full
// scale) is a sine of A / 32.767 * 1.1 mV RMS at the line output, so one
// sample unit is 1.1 / 32.767 * sqrt(2) mV of instantaneous voltage.
//
// Input: the readouts compute sqrt(S / N) * factor, where S sums the squares of
// one channel but N counts the 16-bit values of both channels, so the mean
// square is half the channel's own and the readout is the channel's true RMS
// / sqrt(2) * factor. A voltage of U mV RMS (current I mA RMS) therefore has
// to be recorded with a true RMS of U * sqrt(2) / 0.0357 (I * sqrt(2) / 0.03)
// at full recording level.

#include <cstdint>
#include <numbers>

namespace platform::bench::calibration {

constexpr std::uint32_t framesPerSecond = 44100;

// Start-up readout factors the input is calibrated against.
constexpr double voltageReadoutFactor = 0.0357;
constexpr double currentReadoutFactor = 0.03;

// mV at the line output per sample unit.
constexpr double outputMillivoltsPerUnit = 1.1 / 32.767 * std::numbers::sqrt2;
// Recorded units per mV across the circuit (first value of a frame).
constexpr double voltageUnitsPerMillivolt = std::numbers::sqrt2 / voltageReadoutFactor;
// Recorded units per mA through the circuit (second value of a frame).
constexpr double currentUnitsPerMilliampere = std::numbers::sqrt2 / currentReadoutFactor;

// The noise added to every recorded value lies in -noiseAmplitude..noiseAmplitude.
constexpr int noiseAmplitude = 1;

} // namespace platform::bench::calibration
