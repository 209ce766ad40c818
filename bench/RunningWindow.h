#pragma once
// What the benchmarks of the whole window share: the window on a bench with
// the default circuit (R = 10 ohm, C = 100 uF), after the start-up
// generator's 100 Hz has played for a second and a few captures have been
// measured, with the last two recorded blocks kept; and a main() that
// brings up the program's application object on the offscreen platform.

#include "app/Application.h"
#include "app/Form1.h"
#include "platform/SoundCard.h"
#include "platform/bench/BenchSoundCard.h"

#include <benchmark/benchmark.h>
#include <memory>

struct RunningWindow {
    platform::bench::BenchSoundCard* bench;
    std::unique_ptr<TForm1> form;
    SharedState::SampleArray blocks[2];

    RunningWindow() {
        auto card = std::make_unique<platform::bench::BenchSoundCard>();
        bench = card.get();
        platform::installSoundCard(std::move(card));
        form = std::make_unique<TForm1>();
    }
    ~RunningWindow() {
        form.reset();
        platform::installSoundCard(nullptr);
    }
    RunningWindow(const RunningWindow&) = delete;
    RunningWindow& operator=(const RunningWindow&) = delete;

    // Six captures, each started by a pass, then the pass that measures the last.
    void record() {
        for (int i = 0; i < 6; ++i) {
            pass();
            bench->advance(16000);
            bench->deliverNotifications();
            blocks[i % 2] = form->state.rawSamples;
        }
        pass();
    }
    void pass() {
        bool done = true;
        form->MyIdleEvent(form.get(), done);
    }
};

// A pass benchmark's settings: steady state (argument 0) and a new block
// every pass (1), in microseconds, ten repetitions reported as aggregates.
inline void steadyAndNewBlock(benchmark::internal::Benchmark* pass) {
    pass->ArgName("newBlock")
        ->Arg(0)
        ->Arg(1)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(10)
        ->ReportAggregatesOnly(true);
}

// Runs the benchmarks with the program's application object.
inline int runWithApplication(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
