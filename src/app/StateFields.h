#pragma once
// Every scalar of the shared state by its name, for reports and scripts, and
// as a snapshot that tells whether anything in the state has changed.

#include "core/SharedState.h"

#include <QJsonObject>
#include <array>
#include <string>

// Each scalar of the shared state once; X(name) is applied to every one.
#define ZO_SHARED_STATE_SCALARS(X)                                                                 \
    X(sampleCount)                                                                                 \
    X(sampleIndex)                                                                                 \
    X(periodicMode)                                                                                \
    X(gridVisible)                                                                                 \
    X(gridBrightness)                                                                              \
    X(tracePenWidth)                                                                               \
    X(showCurrentTrace)                                                                            \
    X(showVoltageTrace)                                                                            \
    X(sampleStep)                                                                                  \
    X(pixelsPerPoint)                                                                              \
    X(gridUnitX)                                                                                   \
    X(autoTimeBase)                                                                                \
    X(generatorTimeBase)                                                                           \
    X(currentSmoothingDivisor)                                                                     \
    X(voltageSmoothingDivisor)                                                                     \
    X(currentAutoRange)                                                                            \
    X(voltageAutoRange)                                                                            \
    X(activeCurrentRange)                                                                          \
    X(activeVoltageRange)                                                                          \
    X(currentDivisionValue)                                                                        \
    X(voltageDivisionValue)                                                                        \
    X(currentGain)                                                                                 \
    X(voltageGain)                                                                                 \
    X(currentTraceShift)                                                                           \
    X(voltageTraceShift)                                                                           \
    X(drawnCurrentShift)                                                                           \
    X(drawnVoltageShift)                                                                           \
    X(reducedGain)                                                                                 \
    X(currentReadoutFactor)                                                                        \
    X(voltageReadoutFactor)                                                                        \
    X(currentTraceFactor)                                                                          \
    X(voltageTraceFactor)                                                                          \
    X(voltageCalibration)                                                                          \
    X(currentCalibration)                                                                          \
    X(outputCalibration)                                                                           \
    X(currentPeak)                                                                                 \
    X(voltagePeak)                                                                                 \
    X(currentReading)                                                                              \
    X(voltageReading)                                                                              \
    X(currentSquareSums)                                                                           \
    X(voltageSquareSums)                                                                           \
    X(currentFrequency)                                                                            \
    X(voltageFrequency)                                                                            \
    X(currentFrequencyMeasured)                                                                    \
    X(voltageFrequencyMeasured)                                                                    \
    X(currentStartMark)                                                                            \
    X(voltageStartMark)                                                                            \
    X(currentTriggerIndex)                                                                         \
    X(voltageTriggerIndex)                                                                         \
    X(generator1Amplitude)                                                                         \
    X(generator1Frequency)                                                                         \
    X(generator2Amplitude)                                                                         \
    X(generator2Frequency)                                                                         \
    X(sweepActive)                                                                                 \
    X(sweepFrequency)                                                                              \
    X(sweepStepSamples)                                                                            \
    X(sweepStepCounter)                                                                            \
    X(generatorSampleIndex)                                                                        \
    X(lastSweepStartFrequency)                                                                     \
    X(lastSweepStepSamples)                                                                        \
    X(steppingActive)                                                                              \
    X(stepStartFrequency)                                                                          \
    X(stepEndFrequency)                                                                            \
    X(stepSize)                                                                                    \
    X(stepIntervalMs)                                                                              \
    X(stepCount)                                                                                   \
    X(stepIndex)                                                                                   \
    X(savedWaveOutVolume)                                                                          \
    X(savedAuxVolume1)                                                                             \
    X(savedAuxVolume2)                                                                             \
    X(savedAuxVolume3)                                                                             \
    X(savedAuxVolume4)                                                                             \
    X(savedAuxVolume5)

// The scalars (numbers, flags, the number text) and the small timeBaseShown
// array, keyed by their names.
QJsonObject sharedStateScalars(const SharedState& state);

// The values of every scalar, of timeBaseShown and of the number text.
struct StateSnapshot {
    static constexpr std::size_t count = 0
#define ZO_COUNT(name) +1
        ZO_SHARED_STATE_SCALARS(ZO_COUNT);
#undef ZO_COUNT
    std::array<double, count> values{};
    std::array<std::int32_t, 8> timeBaseShown{};
    std::string numberText;
    bool operator==(const StateSnapshot&) const = default;
};

StateSnapshot snapshotOf(const SharedState& state);

// The snapshot without where the generator's waveform stands (its sample
// index and the progress of a sweep), which only the synthesis reads: what
// a pass of the idle cycle reads of the state.
StateSnapshot passInputsOf(const SharedState& state);
