#pragma once
// The fundamental of both channels of a recorded block, and what a physics
// lesson reads from the pair: the impedance |Z| = UR / IL, the phase of the
// voltage against the current, and the active power.
//
// Both channels are fitted by least squares with a sine of the block's own
// frequency over a whole number of its periods, so that harmonics, noise and
// an offset do not move the result.

#include "core/SharedState.h"

#include <array>
#include <cstdint>
#include <optional>

namespace measure {

// x[k] ~ offset + amplitude x cos(2 pi f k / 44100 + phase), phase in radians.
struct Phasor {
    double amplitude = 0;
    double phase = 0;
    double offset = 0;
    // RMS of what the fit leaves over per value: noise, harmonics, hum.
    double residual = 0;
};

// Least-squares fit of a sine of `frequency` to each of two signals sampled
// together (the channels of one block), the values x[0], x[stride], ...
// (count of them) at 44100 values per second, and the same of y. They share
// the sine and cosine of every sample, so both cost little more than one.
// With `drift`, a straight line across the values is fitted besides the
// offset (an offset that changes during the block), and left out of the sine.
std::array<Phasor, 2> fitSines(const std::int32_t* x, const std::int32_t* y, std::ptrdiff_t stride,
                               int count, double frequency, bool drift = false);

// The frequency of a periodic signal from its rising zero crossings, each
// interpolated between its two samples and counted only after the signal has
// been below -hysteresis; nullopt with fewer than two crossings.
std::optional<double> crossingFrequency(const std::int32_t* x, std::ptrdiff_t stride, int count,
                                        int hysteresis);

// The frequency of one channel of a recorded block (frameOffset 1: the
// current, 0: the voltage) from its zero crossings, with a hysteresis of a
// quarter of its peak; nullopt without a periodic signal.
std::optional<double> channelFrequency(const SharedState::SampleArray& raw,
                                       std::int32_t sampleCount, int frameOffset);

// The uncertainties a reading states are this many standard deviations.
constexpr double uncertaintyCoverage = 2.5;

struct CircuitReading {
    bool valid = false;           // a periodic signal was found and fitted
    bool currentTooSmall = false; // valid, but the current is too small to divide by
    bool overdriven = false;      // a channel reached full scale: no value can be trusted
    double frequency = 0;         // Hz
    int frames = 0;               // frames of the whole number of periods fitted
    double currentRms = 0;        // mA, calibrated as the readout
    double voltageRms = 0;        // mV
    double impedance = 0;         // ohm (mV / mA)
    double phaseDegrees = 0;      // voltage against current, -180 .. 180, + when it leads
    double power = 0;             // active power, mW
    // What the residual of the fit leaves open: |Z| and phi lie within
    // these of the values (two and a half standard deviations).
    double impedanceUncertainty = 0; // ohm
    double phaseUncertainty = 0;     // degrees
    // The block's own frequency, from its zero crossings, differs from the
    // drive frequency the fit was given by more than 2 %.
    bool frequencyMismatch = false;
};

// Fundamental fit of a recorded block: rawSamples holds sampleCount
// interleaved values (voltage first in every frame, current second). The
// readout factors turn raw units into mV and mA as the readouts do. The
// frequency comes from the block itself; `frequencyHint` stands in when the
// block has no clear crossings.
CircuitReading analyseBlock(const SharedState::SampleArray& raw, std::int32_t sampleCount,
                            double currentReadoutFactor, double voltageReadoutFactor,
                            double frequencyHint);

// The same, fitted at the frequency the output is known to play: the block's
// zero crossings only check it (frequencyMismatch), so that frequencies with
// too few samples per period for a crossing estimate are measured too. An
// offset that drifts during the block (the dying transient of a slow circuit
// after a change of frequency) is fitted as a straight line and does not
// move the result.
CircuitReading analyseDrivenBlock(const SharedState::SampleArray& raw, std::int32_t sampleCount,
                                  double currentReadoutFactor, double voltageReadoutFactor,
                                  double driveFrequency);

// A current whose fitted amplitude is below this many raw units, or below
// `currentOverNoise` times the RMS the fit leaves over on its channel, is
// too small to divide the voltage by: what remains could be cross-talk or
// noise as well as current.
constexpr double smallestCurrentAmplitude = 5;
constexpr double currentOverNoise = 2;

// A raw value at either end of the 16-bit range has been clipped.
constexpr int fullScale = 32767;

} // namespace measure
