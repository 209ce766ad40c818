#include "display/Traces.h"

#include "core/Round.h"
#include "display/ScreenGeometry.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace display {

namespace {

using SampleArray = SharedState::SampleArray;

// The sample at `index`; 0 outside the array.
std::int32_t sampleAt(const SampleArray& samples, std::int64_t index) {
    return index >= 0 && index < sampleCapacity ? samples[static_cast<std::size_t>(index)] : 0;
}

int pixel(double value) {
    return static_cast<int>(std::clamp<std::int64_t>(Round(value), INT_MIN, INT_MAX));
}

// The y of every point of one trace: samples at first + step x j.
void traceYs(std::array<int, tracePoints + 1>& ys, const SampleArray& samples, std::int64_t first,
             std::int64_t step, int yc, double factor, double gain, int shift) {
    for (int j = 1; j <= tracePoints; ++j)
        ys[j] = pixel(yc + sampleAt(samples, first + step * j) * factor * gain + shift);
}

} // namespace

void drawTraces(Canvas& canvas, SharedState& state, int trigger) {
    const int yc = centreY(canvas.height());

    canvas.setPenColor(colour::white);
    canvas.setPenWidth(1);
    canvas.moveTo(originX, yc);
    canvas.lineTo(canvas.width() - 5, yc);
    canvas.setPenWidth(state.tracePenWidth);

    const double perPoint = state.pixelsPerPoint;
    const std::int64_t step = state.sampleStep;
    std::array<int, tracePoints + 1> xs{}, oldVoltage{}, oldCurrent{}, current{}, voltage{};
    for (int j = 1; j <= tracePoints; ++j)
        xs[j] = pixel(j * perPoint + (originX - perPoint));
    traceYs(oldVoltage, state.previousVoltageTrace, 0, step, yc, state.voltageTraceFactor,
            state.voltageGain, state.drawnVoltageShift);
    traceYs(oldCurrent, state.previousCurrentTrace, 0, step, yc, state.currentTraceFactor,
            state.currentGain, state.drawnCurrentShift);
    const bool showCurrent = state.showCurrentTrace == 1;
    const bool showVoltage = state.showVoltageTrace == 1;
    if (showCurrent)
        traceYs(current, state.currentSamples, trigger, step, yc, state.currentTraceFactor,
                state.currentGain, state.currentTraceShift);
    if (showVoltage)
        traceYs(voltage, state.voltageSamples, trigger, step, yc, state.voltageTraceFactor,
                state.voltageGain, state.voltageTraceShift);

    const auto segment = [&](const std::array<int, tracePoints + 1>& ys, int j) {
        canvas.moveTo(xs[j - 1], ys[j - 1]);
        canvas.lineTo(xs[j], ys[j]);
    };
    for (int j = 2; j <= tracePoints; ++j) {
        canvas.setPenColor(colour::black);
        segment(oldVoltage, j);
        segment(oldCurrent, j);
        if (showCurrent) {
            canvas.setPenColor(colour::yellow);
            segment(current, j);
        }
        if (showVoltage) {
            canvas.setPenColor(colour::aqua);
            segment(voltage, j);
        }
    }

    // Remember this frame. The next erase pass reads entries sampleStep x j
    // (j <= 1000) only, so the copy stops there; entries past the arrays read 0.
    const std::int64_t last = std::min<std::int64_t>(
        {state.sampleCount, std::int64_t{tracePoints} * std::max<std::int64_t>(maxSampleStep, step),
         sampleCapacity - 1});
    for (std::int64_t i = 1; i <= last; ++i) {
        state.previousCurrentTrace[static_cast<std::size_t>(i)] =
            sampleAt(state.currentSamples, trigger + i);
        state.previousVoltageTrace[static_cast<std::size_t>(i)] =
            sampleAt(state.voltageSamples, trigger + i);
    }
    state.drawnVoltageShift = state.voltageTraceShift;
    state.drawnCurrentShift = state.currentTraceShift;
    canvas.setPenWidth(1);
}

} // namespace display
