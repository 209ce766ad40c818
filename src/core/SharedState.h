#pragma once
// The measurement, display and generator state that the window's handlers
// share. One instance, owned by the window; every member carries the name the
// rest of the program knows it by. Members are zero (arrays all zero, texts
// empty) until start-up sets its defaults (TForm1::FormCreate and "optimum").

#include <array>
#include <cstdint>
#include <string>

// Capacity of every sample array: one second of mono samples, or half a
// second of stereo frames.
constexpr int sampleCapacity = 44100;

// Range identifiers: the item of the range box that selects the range. The
// 1 A current range has no item; only automatic ranging reaches it.
namespace range {
constexpr int current500mA = 1;
constexpr int current100mA = 3;
constexpr int current2mA = 8;
constexpr int current1A = 9;
constexpr int voltage50V = 1;
constexpr int voltage20V = 2;
constexpr int voltage10V = 3;
constexpr int voltage2V = 5;
constexpr int voltage100mV = 9;
constexpr int voltage10mV = 12;
} // namespace range

// The highest frequency the screen can show: above it the generator panel
// warns, and the frequency boxes read "f > fmax".
constexpr std::int32_t displayLimitHz = 2500;

struct SharedState {
    using SampleArray = std::array<std::int32_t, sampleCapacity>;

    // Sample data.
    SampleArray rawSamples{};
    std::int32_t sampleCount = 0;
    std::uint16_t sampleIndex = 0;
    SampleArray currentSamples{};
    SampleArray voltageSamples{};
    SampleArray currentSmoothed{};
    SampleArray voltageSmoothed{};
    // Sums of squares of each channel over the entries of the last pass (only
    // the total is ever read, so only the total is kept).
    double currentSquareSums = 0;
    double voltageSquareSums = 0;
    SampleArray previousCurrentTrace{};
    SampleArray previousVoltageTrace{};

    // Operating mode and display.
    std::int32_t periodicMode = 0;
    std::int32_t gridVisible = 0;
    std::int16_t gridBrightness = 0;
    std::int16_t tracePenWidth = 0;
    std::int32_t showCurrentTrace = 0;
    std::int32_t showVoltageTrace = 0;
    std::int32_t sampleStep = 0;
    double pixelsPerPoint = 0;
    double gridUnitX = 0;
    std::array<std::int32_t, 8> timeBaseShown{}; // entries 1..7 used
    std::int32_t autoTimeBase = 0;
    std::int16_t generatorTimeBase = 0;
    std::int32_t currentSmoothingDivisor = 0;
    std::int32_t voltageSmoothingDivisor = 0;

    // Ranges and scaling.
    std::int32_t currentAutoRange = 0;
    std::int32_t voltageAutoRange = 0;
    std::int32_t activeCurrentRange = 0; // a range:: identifier, 0 = none yet
    std::int32_t activeVoltageRange = 0;
    double currentDivisionValue = 0;
    double voltageDivisionValue = 0;
    double currentGain = 0;
    double voltageGain = 0;
    std::int32_t currentTraceShift = 0;
    std::int32_t voltageTraceShift = 0;
    std::int32_t drawnCurrentShift = 0;
    std::int32_t drawnVoltageShift = 0;
    std::int32_t reducedGain = 0;
    double currentReadoutFactor = 0;
    double voltageReadoutFactor = 0;
    double currentTraceFactor = 0;
    double voltageTraceFactor = 0;
    // The calibration of the sound card in use: the readout and trace factors
    // of UR and IL carry these, and the generators' amplitude readouts the
    // output's. 1 (no correction) from the start, unlike the rest.
    double voltageCalibration = 1.0;
    double currentCalibration = 1.0;
    double outputCalibration = 1.0;

    // Measurement results.
    std::uint16_t currentPeak = 0;
    std::uint16_t voltagePeak = 0;
    double currentReading = 0;
    double voltageReading = 0;
    double currentFrequency = 0;
    double voltageFrequency = 0;
    double currentFrequencyMeasured = 0;
    double voltageFrequencyMeasured = 0;
    std::uint16_t currentStartMark = 0;
    std::uint16_t voltageStartMark = 0;
    std::uint16_t currentTriggerIndex = 0;
    std::uint16_t voltageTriggerIndex = 0;

    // Generators.
    std::int32_t generator1Amplitude = 0;
    std::int32_t generator1Frequency = 0;
    // Generator 1's frequency that the line output carried while the block
    // in rawSamples was recorded; 0 when not known (generator1Frequency
    // stands in).
    std::int32_t blockGeneratorFrequency = 0;
    std::int32_t generator2Amplitude = 0;
    std::int32_t generator2Frequency = 0;
    std::int32_t sweepActive = 0;
    std::int32_t sweepFrequency = 0;
    std::int32_t sweepStepSamples = 0;
    std::int32_t sweepStepCounter = 0;
    // Sample index n of generators 1 and 2 at the start of the next buffer:
    // counted on across the buffers of a playback stream, modulo the frame rate.
    std::int32_t generatorSampleIndex = 0;
    // The sweep parameters last read from valid box texts (0: none yet), and
    // the conversion error last reported for the boxes (empty: none).
    std::int32_t lastSweepStartFrequency = 0;
    std::int32_t lastSweepStepSamples = 0;
    std::string sweepErrorReported;
    std::int32_t steppingActive = 0;
    std::int32_t stepStartFrequency = 0;
    std::int32_t stepEndFrequency = 0;
    std::int32_t stepSize = 0;
    std::int32_t stepIntervalMs = 0;
    std::int32_t stepCount = 0;
    std::int32_t stepIndex = 0;

    // Saved sound-card volumes (low 16 bits left, high 16 bits right).
    std::uint32_t savedWaveOutVolume = 0;
    std::uint32_t savedAuxVolume1 = 0;
    std::uint32_t savedAuxVolume2 = 0;
    std::uint32_t savedAuxVolume3 = 0;
    std::uint32_t savedAuxVolume4 = 0;
    std::uint32_t savedAuxVolume5 = 0;

    // The last number formatted for an edit box (at most 40 characters).
    std::string numberText;
};
