// The whole idle pass of the running instrument, shown on the offscreen
// platform: MyIdleEvent (the request for the next capture, the grid, the
// display frame with its measurement, ranges, trigger, scales and traces,
// the overload panel), and then what the event loop does to bring the
// screen up to date: the changed part of the canvas painted into the
// window's backing store and flushed to the platform. With the block drawn
// before (steady state, between two recorded blocks) and with a new block
// every pass.

#include "RunningWindow.h"
#include "app/Application.h"
#include "app/CanvasWidget.h"
#include "app/IdleCycle.h"

#include <QCoreApplication>
#include <QWindow>

namespace {

// The running window shown; the benchmark runs the passes itself, so the
// idle cycle is unhooked.
struct ShownWindow : RunningWindow {
    ShownWindow() {
        form().idleCycle().unhook();
        form().show();
        while (form().windowHandle() == nullptr || !form().windowHandle()->isExposed())
            QCoreApplication::processEvents();
        record();
        present();
    }
    // The screen's refresh: the changed pixels repainted and flushed.
    void present() {
        form().canvas()->presentNow();
        QCoreApplication::sendPostedEvents();
    }
};

void IdlePass(benchmark::State& run) {
    ShownWindow window;
    const bool newBlocks = run.range(0) == 1;
    for (auto _ : run) {
        if (newBlocks) window.deliverUntimed(run);
        window.pass();
        window.present();
    }
}

} // namespace

BENCHMARK(IdlePass)->Apply(steadyAndNewBlock);

int main(int argc, char** argv) {
    return bench::runWithApplication<TApplication>(argc, argv);
}
