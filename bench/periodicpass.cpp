// The heart of the running instrument: one periodic pass of the window,
// DrawGrid and DrawScreen on a recorded block of 16000 values (measurement,
// ranges, frequencies, trigger, time base, grid, labels, scales and both
// traces), as the idle cycle runs it; and the same with a new block each
// time, as after every recorded block; each with and without the impedance
// and phase line. Each pass ends with the look for changed pixels that
// decides what the screen repaints.

#include "RunningWindow.h"
#include "app/Application.h"
#include "app/CanvasWidget.h"

#include <QAction>

namespace {

void PeriodicPass(benchmark::State& run) {
    RunningWindow window;
    window.record();
    TForm1& form = window.form();
    const bool newBlocks = run.range(0) == 1;
    form.phaseLineAction->setChecked(run.range(1) == 1);
    for (auto _ : run) {
        if (newBlocks) window.deliverUntimed(run);
        form.DrawGrid();
        form.DrawScreen();
        // What the screen's refresh then does: find the pixels that changed.
        form.canvas()->presentNow();
    }
}

} // namespace

BENCHMARK(PeriodicPass)->Apply(steadyAndNewBlockWithPhaseLine);

int main(int argc, char** argv) {
    return bench::runWithApplication<TApplication>(argc, argv);
}
