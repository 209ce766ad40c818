// Filling one playback buffer (22050 samples) with generators 1 and 2: the
// work the playback handler does every half second of sound, with the
// generators unchanged (their buffers repeat and are copied) and right after
// a change (computed in full), and one sweep burst.
#include "generator/Synthesis.h"

#include "Bench.h"

#include <memory>
#include <vector>

namespace {

std::unique_ptr<SharedState> twoGenerators() {
    auto state = std::make_unique<SharedState>();
    state->generator1Amplitude = 10000;
    state->generator1Frequency = 1000;
    state->generator2Amplitude = 10000;
    state->generator2Frequency = 500;
    return state;
}

void fillOnce(SharedState& state, std::vector<char>& buffer,
              synthesis::GeneratorBufferCache* cache) {
    const std::int32_t size =
        synthesis::fillGenerators(state, buffer.data(), synthesis::generatorBytes, 44100, cache);
    benchmark::DoNotOptimize(size);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
}

} // namespace

// Steady output: the two half-second buffers of one second come round again.
static void FillUnchangedGenerators(benchmark::State& run) {
    auto state = twoGenerators();
    synthesis::GeneratorBufferCache cache;
    std::vector<char> buffer(synthesis::generatorBytes);
    fillOnce(*state, buffer, &cache);
    fillOnce(*state, buffer, &cache);
    for (auto _ : run)
        fillOnce(*state, buffer, &cache);
    run.SetItemsProcessed(run.iterations() * 22050);
}
BENCHMARK(FillUnchangedGenerators)->Apply(bench::repeated);

// Every buffer follows a change of generator 1's frequency (a slider being
// moved back and forth, a stepping tick): the frequency runs round eight
// values, 1000 to 1007 Hz, so a buffer's values come back only after eight
// fills, and the cache, which keeps the last two, never holds them.
static void FillAfterAChange(benchmark::State& run) {
    constexpr int frequencies = 8;
    static_assert(frequencies > static_cast<int>(synthesis::GeneratorBufferCache::capacity));
    auto state = twoGenerators();
    synthesis::GeneratorBufferCache cache;
    std::vector<char> buffer(synthesis::generatorBytes);
    int step = 0;
    for (auto _ : run) {
        step = (step + 1) % frequencies;
        state->generator1Frequency = 1000 + step;
        fillOnce(*state, buffer, &cache);
    }
    run.SetItemsProcessed(run.iterations() * 22050);
}
BENCHMARK(FillAfterAChange)->Apply(bench::repeated);

// The same buffer without anything kept, as every fill was computed before.
static void FillWithoutKeeping(benchmark::State& run) {
    auto state = twoGenerators();
    std::vector<char> buffer(synthesis::generatorBytes);
    for (auto _ : run)
        fillOnce(*state, buffer, nullptr);
    run.SetItemsProcessed(run.iterations() * 22050);
}
BENCHMARK(FillWithoutKeeping)->Apply(bench::repeated);

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
BENCHMARK(FillSweepBurst)->Apply(bench::repeated);
