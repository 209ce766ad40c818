#pragma once
// What the benchmarks of the whole window share: the window on a bench with
// the default circuit (R = 10 ohm, C = 100 uF), after the start-up
// generator's 100 Hz has played for a second and a few captures have been
// measured, with the last two recorded blocks kept; and the settings of
// their benchmarks.

#include "Bench.h"
#include "app/Form1.h"
#include "support/BenchWindow.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct RunningWindow : testcard::BenchWindow {
    // The last two recorded blocks as the sound card delivered them.
    std::vector<char> blocks[2];
    // The one delivered last.
    int delivered = 0;

    // Six captures, each started by a pass, then the pass that measures the last.
    void record() {
        for (int i = 0; i < 6; ++i) {
            pass();
            advance(16000);
            std::vector<char>& block = blocks[i % 2];
            block.resize(2 * 16000);
            for (int v = 0; v < 16000; ++v) {
                const auto word = static_cast<std::uint16_t>(state().rawSamples[v]);
                block[2 * static_cast<std::size_t>(v)] = static_cast<char>(word & 0xFF);
                block[2 * static_cast<std::size_t>(v) + 1] = static_cast<char>(word >> 8);
            }
        }
        pass();
    }
    // The other recorded block arrives, as through the recording component;
    // its arrival is not part of what `run` times.
    void deliverUntimed(benchmark::State& run) {
        run.PauseTiming();
        delivered ^= 1;
        std::vector<char>& block = blocks[delivered];
        std::int32_t size = static_cast<std::int32_t>(block.size());
        form().AudioIn1BufferFilled(block.data(), size);
        run.ResumeTiming();
    }
};

// A pass benchmark's settings: steady state (argument 0) and a new block
// every pass (1), in microseconds, ten repetitions reported as aggregates.
inline void steadyAndNewBlock(benchmark::internal::Benchmark* pass) {
    pass->ArgName("newBlock")->Arg(0)->Arg(1)->Apply(bench::repeated);
}

// The same, each with the impedance and phase line off (0) and on (1).
inline void steadyAndNewBlockWithPhaseLine(benchmark::internal::Benchmark* pass) {
    pass->ArgNames({"newBlock", "phaseLine"})
        ->Args({0, 0})
        ->Args({1, 0})
        ->Args({0, 1})
        ->Args({1, 1})
        ->Apply(bench::repeated);
}
