// The measurement steps of one display frame on a recorded block of 16000
// values: both readouts with their ranges and the gain switch, and both
// frequencies, as the window runs them before it draws; and the analysis of
// a new block for the impedance and phase line (its frequency, and the
// fundamental of both channels fitted).

#include "core/SharedState.h"
#include "measure/Amplitude.h"
#include "measure/Frequency.h"
#include "measure/Fundamental.h"
#include "measure/GainSwitch.h"
#include "measure/Ranges.h"
#include "measure/ReadoutText.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>

namespace {

using measure::Channel;

std::unique_ptr<SharedState> startState() {
    auto s = std::make_unique<SharedState>();
    s->currentSmoothingDivisor = s->voltageSmoothingDivisor = 16;
    s->currentGain = s->voltageGain = 1;
    s->currentDivisionValue = s->voltageDivisionValue = 10;
    s->activeCurrentRange = 3;
    s->activeVoltageRange = 9;
    s->currentAutoRange = s->voltageAutoRange = 1;
    s->voltageStartMark = 1;
    measure::writeFactors(*s, measure::fullGainFactors);
    s->sampleCount = 16000;
    return s;
}

// 8000 frames: a sine of `frequency` on both channels (the current leading
// by 58 degrees, as through the bench's RC circuit), plus uniform noise.
void fillBlock(SharedState& s, double frequency, int noise) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> jitter(-noise, noise);
    for (int k = 0; k < 8000; ++k) {
        const double phase = 2 * std::numbers::pi * frequency * k / 44100.0;
        s.rawSamples[static_cast<std::size_t>(2 * k)] =
            static_cast<std::int32_t>(std::lround(5600 * std::sin(phase))) + jitter(random);
        s.rawSamples[static_cast<std::size_t>(2 * k + 1)] =
            static_cast<std::int32_t>(std::lround(670 * std::sin(phase + 1.01))) + jitter(random);
    }
}

void range(SharedState& s, Channel channel) {
    if (const auto id = measure::chosenRange(s, channel, 0)) measure::applyRange(s, channel, *id);
}

// MeasureCurrent, SelectCurrentRange, ShowCurrentFrequency, MeasureVoltage,
// SelectVoltageRange, ShowVoltageFrequency, without the widgets.
void frameMeasurement(SharedState& s) {
    measure::measureChannel(s, Channel::current);
    if (s.reducedGain == 1) s.currentPeak = measure::reducedGainPeak(s.currentPeak);
    s.currentReading =
        measure::rmsReading(s.currentSquareSums, s.sampleCount, s.currentReadoutFactor);
    benchmark::DoNotOptimize(measure::readoutText(s.currentReading, "mA", "A"));
    range(s, Channel::current);
    benchmark::DoNotOptimize(measure::showFrequency(s, Channel::current));
    measure::measureChannel(s, Channel::voltage);
    benchmark::DoNotOptimize(measure::switchGain(s));
    s.voltageReading =
        measure::rmsReading(s.voltageSquareSums, s.sampleCount, s.voltageReadoutFactor);
    benchmark::DoNotOptimize(measure::readoutText(s.voltageReading, "mV", "V"));
    range(s, Channel::voltage);
    benchmark::DoNotOptimize(measure::showFrequency(s, Channel::voltage));
}

void BM_FrameMeasurement(benchmark::State& run) {
    auto s = startState();
    fillBlock(*s, static_cast<double>(run.range(0)), static_cast<int>(run.range(1)));
    // Automatic time base: the frequencies are measured, not taken from the generator.
    s->generatorTimeBase = 0;
    for (auto _ : run) {
        frameMeasurement(*s);
        benchmark::ClobberMemory();
    }
}

void BM_BlockAnalysis(benchmark::State& run) {
    auto s = startState();
    fillBlock(*s, static_cast<double>(run.range(0)), static_cast<int>(run.range(1)));
    for (auto _ : run) {
        benchmark::DoNotOptimize(measure::analyseBlock(
            s->rawSamples, s->sampleCount, s->currentReadoutFactor, s->voltageReadoutFactor, 0));
    }
}

} // namespace

// Sine blocks across the display range, and a noisy block.
BENCHMARK(BM_FrameMeasurement)
    ->ArgNames({"hertz", "noise"})
    ->Args({100, 0})
    ->Args({1000, 0})
    ->Args({40, 0})
    ->Args({100, 300})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_BlockAnalysis)
    ->ArgNames({"hertz", "noise"})
    ->Args({100, 0})
    ->Args({1000, 0})
    ->Args({100, 300})
    ->Unit(benchmark::kMicrosecond);
