// Filling one playback buffer (22050 samples) with generators 1 and 2: the
// work the playback handler does every half second of sound.
#include "generator/Synthesis.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

static void FillBothGenerators(benchmark::State& run) {
    auto state = std::make_unique<SharedState>();
    state->generator1Amplitude = 10000;
    state->generator1Frequency = 1000;
    state->generator2Amplitude = 10000;
    state->generator2Frequency = 500;
    std::vector<char> buffer(synthesis::generatorBytes);
    for (auto _ : run) {
        const std::int32_t size =
            synthesis::fillGenerators(*state, buffer.data(), synthesis::generatorBytes, 44100);
        benchmark::DoNotOptimize(size);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    run.SetItemsProcessed(run.iterations() * 22050);
}
BENCHMARK(FillBothGenerators)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

static void FillSweepBurst(benchmark::State& run) {
    auto state = std::make_unique<SharedState>();
    state->generator1Amplitude = 3000;
    std::vector<char> buffer(synthesis::generatorBytes);
    for (auto _ : run) {
        const std::int32_t size =
            synthesis::fillSweep(*state, buffer.data(), synthesis::generatorBytes, 44100, 20, 20);
        benchmark::DoNotOptimize(size);
        benchmark::ClobberMemory();
    }
    run.SetItemsProcessed(run.iterations() * 5000);
}
BENCHMARK(FillSweepBurst)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
