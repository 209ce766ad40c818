// The spectrum and harmonic table of a recorded block of 16000 values: both
// channels windowed and transformed, and the table read from them, as the
// window does once per block while "spektrum" is on.

#include "measure/Spectrum.h"

#include "core/SharedState.h"
#include "measure/Harmonics.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>

namespace {

// 8000 frames: a distorted 100 Hz wave on both channels, plus noise.
std::unique_ptr<SharedState> distortedBlock() {
    auto s = std::make_unique<SharedState>();
    std::mt19937 random(7);
    std::uniform_int_distribution<int> jitter(-3, 3);
    for (int k = 0; k < 8000; ++k) {
        const double phase = 2 * std::numbers::pi * 100 * k / 44100.0;
        const double wave =
            std::sin(phase) + 0.2 * std::sin(3 * phase) + 0.05 * std::sin(5 * phase);
        s->rawSamples[static_cast<std::size_t>(2 * k)] =
            static_cast<std::int32_t>(std::lround(9000 * wave)) + jitter(random);
        s->rawSamples[static_cast<std::size_t>(2 * k + 1)] =
            static_cast<std::int32_t>(std::lround(3000 * std::max(0.0, wave))) + jitter(random);
    }
    s->sampleCount = 16000;
    return s;
}

void BM_SpectrumAndTable(benchmark::State& run) {
    const auto s = distortedBlock();
    measure::SpectrumAnalyser analyser;
    measure::BlockSpectra spectra;
    for (auto _ : run) {
        analyser.analyse(s->rawSamples, s->sampleCount, spectra);
        benchmark::DoNotOptimize(measure::harmonicTable(spectra, 100, 0.03, 0.0357));
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_SpectrumAndTable)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
