// One drawing pass of the periodic display on the 794 x 526 screen: the grid
// of the idle pass, then the frame's grid, time-axis labels, scales, centre
// line and both traces of a 16000-value block of a sine, and the look for
// changed pixels that decides what to repaint. Steady state: the block is the
// one drawn before, as between two recorded blocks.
#include "Bench.h"
#include "core/SharedState.h"
#include "display/Canvas.h"
#include "display/Frame.h"
#include "display/Grid.h"
#include "display/Scales.h"
#include "display/StartValues.h"
#include "display/TimeAxis.h"
#include "display/Traces.h"
#include "measure/TimeBase.h"

#include <QGuiApplication>
#include <cmath>
#include <memory>

namespace {

// A time base and the frequency of the sine shown on it, Hz.
struct TimeBase {
    int index;
    double frequency;
};

constexpr TimeBase timeBases[] = {{1, 25}, {3, 100}, {7, 1500}};

std::unique_ptr<SharedState> startState(const TimeBase& base) {
    auto state = std::make_unique<SharedState>();
    display::test::setStartValues(*state);
    measure::applyTimeBase(*state, base.index);
    display::test::sineBlock(*state, base.frequency);
    return state;
}

// The start of the first negative half-wave of the current.
int triggerOf(const TimeBase& base) {
    return static_cast<int>(std::ceil(44100 / base.frequency / 2));
}

void DisplayPass(benchmark::State& run) {
    const TimeBase& base = timeBases[run.range(0)];
    auto state = startState(base);
    display::Canvas canvas;
    const int trigger = triggerOf(base);
    for (int i = 0; i < 3; ++i)
        display::test::frame(canvas, *state, base.index, trigger);
    canvas.takeDirty();
    for (auto _ : run) {
        display::test::frame(canvas, *state, base.index, trigger);
        const QRect changed = canvas.takeDirty();
        benchmark::DoNotOptimize(changed);
    }
    run.SetLabel(base.index == 1 ? "100 ms" : base.index == 3 ? "20 ms" : "1 ms");
}
BENCHMARK(DisplayPass)->DenseRange(0, 2)->Apply(bench::repeated);

// The 20 ms pass when a new block has arrived (every 181 ms): the traces move
// and the changed part of the screen is found for repainting.
void DisplayPassNewBlock(benchmark::State& run) {
    const TimeBase& base = timeBases[1];
    auto state = startState(base);
    const SharedState::SampleArray current = state->currentSamples;
    SharedState::SampleArray smaller = current;
    for (auto& value : smaller)
        value = value * 9 / 10;
    display::Canvas canvas;
    const int trigger = triggerOf(base);
    bool big = false;
    for (auto _ : run) {
        // The block's arrival is not part of the pass.
        run.PauseTiming();
        big = !big;
        state->currentSamples = big ? current : smaller;
        run.ResumeTiming();
        display::test::frame(canvas, *state, base.index, trigger);
        const QRect changed = canvas.takeDirty();
        benchmark::DoNotOptimize(changed);
    }
}
BENCHMARK(DisplayPassNewBlock)->Apply(bench::repeated);

// The parts of the 20 ms pass. The grid after a pixel has changed (a second
// grid on an unchanged screen is skipped).
void GridOnly(benchmark::State& run) {
    auto state = startState(timeBases[1]);
    display::Canvas canvas;
    display::drawGrid(canvas, *state);
    bool white = false;
    for (auto _ : run) {
        white = !white;
        canvas.setPenColor(white ? display::colour::white : display::colour::black);
        canvas.moveTo(0, 0);
        canvas.lineTo(1, 0);
        display::drawGrid(canvas, *state);
    }
}
BENCHMARK(GridOnly)->Apply(bench::repeated);

void LabelsAndScales(benchmark::State& run) {
    auto state = startState(timeBases[1]);
    display::Canvas canvas;
    for (auto _ : run) {
        display::drawTimeAxis(canvas, *state, 3);
        display::drawScales(canvas, *state);
    }
}
BENCHMARK(LabelsAndScales)->Apply(bench::repeated);

void TracesOnly(benchmark::State& run) {
    const TimeBase& base = timeBases[1];
    auto state = startState(base);
    display::Canvas canvas;
    const int trigger = triggerOf(base);
    for (int i = 0; i < 2; ++i)
        display::drawTraces(canvas, *state, trigger);
    for (auto _ : run)
        display::drawTraces(canvas, *state, trigger);
}
BENCHMARK(TracesOnly)->Apply(bench::repeated);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithApplication<QGuiApplication>(argc, argv);
}
