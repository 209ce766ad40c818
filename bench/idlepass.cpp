// The whole idle pass of the running instrument, shown on the offscreen
// platform: MyIdleEvent (the request for the next capture, the grid, the
// display frame with its measurement, ranges, trigger, scales and traces,
// the overload panel), and then what the event loop does to bring the
// screen up to date: the changed part of the canvas painted into the
// window's backing store and flushed to the platform. With the block drawn
// before (steady state, between two recorded blocks) and with a new block
// every pass.

#include "app/Application.h"
#include "app/CanvasWidget.h"
#include "app/Form1.h"
#include "app/IdleCycle.h"
#include "platform/SoundCard.h"
#include "platform/bench/BenchSoundCard.h"

#include <QCoreApplication>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// The window shown on a bench with the default circuit (R = 10 ohm,
// C = 100 uF), after the start-up generator's 100 Hz has played for a second
// and a few captures have been measured. The benchmark runs the passes
// itself, so the idle cycle is unhooked.
struct ShownWindow {
    platform::bench::BenchSoundCard* bench;
    std::unique_ptr<TForm1> form;
    SharedState::SampleArray blocks[2];

    ShownWindow() {
        auto card = std::make_unique<platform::bench::BenchSoundCard>();
        bench = card.get();
        platform::installSoundCard(std::move(card));
        form = std::make_unique<TForm1>();
        form->idleCycle().unhook();
        form->show();
        while (form->windowHandle() == nullptr || !form->windowHandle()->isExposed())
            QCoreApplication::processEvents();
        for (int i = 0; i < 6; ++i) {
            pass();
            bench->advance(16000);
            bench->deliverNotifications();
            blocks[i % 2] = form->state.rawSamples;
        }
        pass();
        present();
    }
    ~ShownWindow() {
        form.reset();
        platform::installSoundCard(nullptr);
    }
    void pass() {
        bool done = true;
        form->MyIdleEvent(form.get(), done);
    }
    // The screen's refresh: the changed pixels repainted and flushed.
    void present() {
        form->canvas()->presentNow();
        QCoreApplication::sendPostedEvents();
    }
};

void IdlePass(benchmark::State& run) {
    ShownWindow window;
    const bool newBlocks = run.range(0) == 1;
    int block = 0;
    for (auto _ : run) {
        if (newBlocks) {
            run.PauseTiming();
            window.form->state.rawSamples = window.blocks[block ^= 1];
            run.ResumeTiming();
        }
        window.pass();
        window.present();
    }
}

} // namespace

BENCHMARK(IdlePass)
    ->ArgName("newBlock")
    ->Arg(0)
    ->Arg(1)
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
