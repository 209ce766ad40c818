// The heart of the running instrument: one periodic pass of the window,
// DrawGrid and DrawScreen on a recorded block of 16000 values (measurement,
// ranges, frequencies, trigger, time base, grid, labels, scales and both
// traces), as the idle cycle runs it; and the same with a new block each
// time, as after every recorded block. Each pass ends with the look for
// changed pixels that decides what the screen repaints.

#include "app/Application.h"
#include "app/CanvasWidget.h"
#include "app/Form1.h"
#include "platform/SoundCard.h"
#include "platform/bench/BenchSoundCard.h"

#include <QAction>
#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

// The window on a bench with the default circuit (R = 10 ohm, C = 100 uF),
// after the start-up generator's 100 Hz has played for a second and a few
// captures have been measured.
struct RunningWindow {
    platform::bench::BenchSoundCard* bench;
    std::unique_ptr<TForm1> form;
    // Two recorded blocks as the sound card delivers them.
    std::vector<char> blocks[2];

    RunningWindow() {
        auto card = std::make_unique<platform::bench::BenchSoundCard>();
        bench = card.get();
        platform::installSoundCard(std::move(card));
        form = std::make_unique<TForm1>();
        for (int i = 0; i < 6; ++i) {
            pass();
            bench->advance(16000);
            bench->deliverNotifications();
            auto& block = blocks[i % 2];
            block.resize(2 * 16000);
            for (int v = 0; v < 16000; ++v) {
                const auto word = static_cast<std::uint16_t>(form->state.rawSamples[v]);
                block[2 * v] = static_cast<char>(word & 0xFF);
                block[2 * v + 1] = static_cast<char>(word >> 8);
            }
        }
        pass();
    }
    ~RunningWindow() {
        form.reset();
        platform::installSoundCard(nullptr);
    }
    void pass() {
        bool done = true;
        form->MyIdleEvent(form.get(), done);
    }
};

void PeriodicPass(benchmark::State& run) {
    RunningWindow window;
    TForm1& form = *window.form;
    const bool newBlocks = run.range(0) == 1;
    // The impedance and phase line at the top right of the screen.
    form.phaseLineAction->setChecked(run.range(1) == 1);
    int block = 0;
    for (auto _ : run) {
        if (newBlocks) {
            run.PauseTiming();
            auto& bytes = window.blocks[block ^= 1];
            std::int32_t size = static_cast<std::int32_t>(bytes.size());
            form.AudioIn1BufferFilled(bytes.data(), size);
            run.ResumeTiming();
        }
        form.DrawGrid();
        form.DrawScreen();
        // What the screen's refresh then does: find the pixels that changed.
        form.canvas()->presentNow();
    }
}

} // namespace

BENCHMARK(PeriodicPass)
    ->ArgNames({"newBlock", "phaseLine"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
