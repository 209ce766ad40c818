#include "display/Traces.h"

#include "core/Round.h"
#include "core/VectorState.h"
#include "display/ScreenGeometry.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace display {

namespace {

using SampleArray = SharedState::SampleArray;

// The sample at `index`; 0 outside the array.
std::int32_t sampleAt(const SampleArray& samples, std::int64_t index) {
    return index >= 0 && index < sampleCapacity ? samples[static_cast<std::size_t>(index)] : 0;
}

// Round for a pixel coordinate, saturated to int. Adding and taking away
// 1.5 x 2^52 leaves the whole number that the rounding mode in force (to
// nearest, halves to even) gives, as Round does, without a library call.
int pixel(double value) {
    if (std::abs(value) < 1e9) {
        constexpr double shifter = 6755399441055744.0;
        return static_cast<int>((value + shifter) - shifter);
    }
    return saturateToInt32(Round(value));
}

// The y of every point of one trace: samples at first + step x j.
void traceYs(std::array<int, tracePoints + 1>& ys, const SampleArray& samples, std::int64_t first,
             std::int64_t step, int yc, double factor, double gain, int shift) {
    for (int j = 1; j <= tracePoints; ++j)
        ys[j] = pixel(yc + sampleAt(samples, first + step * j) * factor * gain + shift);
}

// to[i] := from[offset + i] for i = 1 .. last (at most the last entry), 0
// where offset + i lies outside the array.
void remember(SampleArray& to, const SampleArray& from, std::int64_t offset, std::int64_t last) {
    if (last < 1) return;
    // Entries low .. high have their source inside the array.
    const std::int64_t low = std::clamp<std::int64_t>(-offset, 1, last + 1);
    const std::int64_t high = std::clamp<std::int64_t>(sampleCapacity - 1 - offset, low - 1, last);
    const auto at = [](std::int64_t i) { return static_cast<std::ptrdiff_t>(i); };
    std::fill(to.begin() + 1, to.begin() + at(low), 0);
    if (high >= low)
        std::copy(from.begin() + at(offset + low), from.begin() + at(offset + high + 1),
                  to.begin() + at(low));
    std::fill(to.begin() + at(high + 1), to.begin() + at(last + 1), 0);
}

using Points = std::array<int, tracePoints + 1>;

// Point by point: the previous frame's segments in black, then the current
// in yellow and the voltage in aqua. `keepTracesOnly`: a recording on the
// canvas keeps the yellow and aqua segments only.
void drawSegments(Canvas& canvas, const Points& xs, const Points& oldVoltage,
                  const Points& oldCurrent, const Points& current, const Points& voltage,
                  bool showCurrent, bool showVoltage, bool keepTracesOnly) {
    const auto segment = [&](const Points& ys, int j) {
        canvas.moveTo(xs[j - 1], ys[j - 1]);
        canvas.lineTo(xs[j], ys[j]);
    };
    const auto same = [](const Points& one, const Points& other, int j) {
        return one[j - 1] == other[j - 1] && one[j] == other[j];
    };
    // The pixels of the segments a few steps ahead are fetched while these
    // are drawn: most of a new block's drawing time is otherwise spent
    // waiting for the memory of the image.
    constexpr int ahead = 8;
    const auto fetch = [&](const Points& ys, int j) {
        canvas.prefetchLine(QPoint(xs[j - 1], ys[j - 1]), QPoint(xs[j], ys[j]));
    };
    for (int j = 2; j <= tracePoints; ++j) {
        if (const int later = j + ahead; later <= tracePoints) {
            fetch(oldVoltage, later);
            fetch(oldCurrent, later);
            if (showCurrent) fetch(current, later);
            if (showVoltage) fetch(voltage, later);
        }
        // An old segment that the same step draws again unchanged need not be
        // erased first: every pixel it would black out is painted over again
        // before the next step (the usual case while the block is the same).
        canvas.setPenColor(colour::black);
        canvas.pauseRecording(keepTracesOnly);
        if (!(showVoltage && same(oldVoltage, voltage, j))) segment(oldVoltage, j);
        if (!(showCurrent && same(oldCurrent, current, j))) segment(oldCurrent, j);
        canvas.pauseRecording(false);
        if (showCurrent) {
            canvas.setPenColor(colour::yellow);
            segment(current, j);
        }
        if (showVoltage) {
            canvas.setPenColor(colour::aqua);
            segment(voltage, j);
        }
    }
}

} // namespace

void drawCentreLine(Canvas& canvas) {
    const int yc = centreY(canvas.height());
    canvas.setPenColor(colour::white);
    canvas.setPenWidth(1);
    canvas.moveTo(originX, yc);
    canvas.lineTo(canvas.width() - 5, yc);
}

void drawTraces(Canvas& canvas, SharedState& state, int trigger) {
    cleanVectorState();
    const int yc = centreY(canvas.height());

    drawCentreLine(canvas);
    canvas.setPenWidth(state.tracePenWidth);

    const double perPoint = state.pixelsPerPoint;
    const std::int64_t step = state.sampleStep;
    // Entries 1 .. 1000 are set before they are read; those of a trace not
    // shown, and entries 0, stay 0 for the comparisons below.
    Points xs{}, oldVoltage{}, oldCurrent{}, current{}, voltage{};
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

    // A frame that draws exactly what the last one drew (the same block
    // again) repeats its pixel writes instead of drawing 2000 lines: the
    // screen may have been drawn over since, so every pixel is written again.
    Canvas::KeptDrawing& kept = canvas.keptDrawing(0);
    std::vector<int> inputs{canvas.width(), canvas.height(), canvas.penWidth(), showCurrent,
                            showVoltage};
    const auto append = [&inputs](const Points& points) {
        inputs.insert(inputs.end(), points.begin() + 1, points.end());
    };
    append(xs);
    append(oldVoltage);
    append(oldCurrent);
    if (showCurrent) append(current);
    if (showVoltage) append(voltage);
    const bool repeated = inputs == kept.inputs;
    if (repeated && kept.valid) {
        canvas.repeat(kept);
        kept.used = true;
    } else {
        const bool bothShown = showCurrent && showVoltage;
        // Kept when the same frame is likely to follow: it follows when this
        // one erases nothing that it does not draw again.
        const bool keep = repeated || (bothShown && oldCurrent == current && oldVoltage == voltage);
        // A new block where frames have been repeated: the next frame is
        // likely this block again, drawn over this frame, which erases
        // nothing and writes just the segments of both traces. They are kept
        // for it as they are drawn now.
        const bool keepNext = !keep && bothShown && kept.used;
        kept.valid = false;
        kept.used = false;
        kept.writes.clear();
        if (keep || keepNext) canvas.recordInto(&kept.writes);
        drawSegments(canvas, xs, oldVoltage, oldCurrent, current, voltage, showCurrent, showVoltage,
                     keepNext);
        kept.valid = (keep || keepNext) && canvas.recordingComplete();
        canvas.recordInto(nullptr);
        kept.penColour = canvas.penColor();
        kept.penPosition = canvas.penPosition();
        if (keepNext) {
            // What that frame will compare: these traces as its old and new ones.
            inputs.resize(inputs.size() - 4 * tracePoints);
            append(voltage);
            append(current);
            append(current);
            append(voltage);
        }
        kept.inputs = std::move(inputs);
    }

    // Remember this frame. The next erase pass reads entries sampleStep x j
    // (j <= 1000) only, so the copy stops there; entries past the arrays read 0.
    const std::int64_t last = std::min<std::int64_t>(
        {state.sampleCount, std::int64_t{tracePoints} * std::max<std::int64_t>(maxSampleStep, step),
         sampleCapacity - 1});
    remember(state.previousCurrentTrace, state.currentSamples, trigger, last);
    remember(state.previousVoltageTrace, state.voltageSamples, trigger, last);
    state.drawnVoltageShift = state.voltageTraceShift;
    state.drawnCurrentShift = state.currentTraceShift;
    canvas.setPenWidth(1);
}

} // namespace display
