// The traces of a display frame: positions, rounding, erasing, the order of
// the four pens, and the memory of the frame for erasing it.

#include "display/Traces.h"

#include "Pixels.h"
#include "StartValues.h"
#include "core/SharedState.h"
#include "display/Grid.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace display {
namespace {

using test::at;
using test::lit;
using test::PixelSet;
using test::row;

using test::yc;

class TracesTest : public ::testing::Test {
protected:
    void SetUp() override { test::setStartValues(*state); }
    // The previous frame's traces far below the screen, where erasing them
    // changes nothing in sight.
    void hidePreviousTraces() {
        state->drawnCurrentShift = 100000;
        state->drawnVoltageShift = 100000;
    }
    // Pixels of the given colour.
    PixelSet pixelsOf(QRgb colour) const {
        PixelSet found;
        for (const auto& [x, y] : lit(canvas))
            if (at(canvas, x, y) == colour) found.insert({x, y});
        return found;
    }
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    Canvas canvas;
};

TEST_F(TracesTest, CentreLineRunsFrom55ToTheRightEdgeLessFive) {
    state->showCurrentTrace = 0;
    state->showVoltageTrace = 0;
    hidePreviousTraces();
    drawTraces(canvas, *state, 0);
    EXPECT_EQ(lit(canvas), row(yc, 55, 788));
    EXPECT_EQ(pixelsOf(colour::white).size(), 734u);
}

TEST_F(TracesTest, ErasingTheStartValuesCutsTheCentreLine) {
    // The previous-frame arrays start all 0: the first erase pass runs along the centre.
    state->showCurrentTrace = 0;
    state->showVoltageTrace = 0;
    drawTraces(canvas, *state, 0);
    EXPECT_TRUE(lit(canvas).empty());
}

struct DeflectionCase {
    const char* name;
    bool voltage;
    int sample;
    double factor, gain;
    int shift;
    int y; // of the trace; -1: off the screen
    friend void PrintTo(const DeflectionCase& c, std::ostream* out) { *out << c.name; }
};

class DeflectionTest : public TracesTest, public ::testing::WithParamInterface<DeflectionCase> {};

TEST_P(DeflectionTest, PositiveSamplesFallBelowTheCentre) {
    const DeflectionCase& c = GetParam();
    hidePreviousTraces();
    (c.voltage ? state->showCurrentTrace : state->showVoltageTrace) = 0;
    auto& samples = c.voltage ? state->voltageSamples : state->currentSamples;
    samples.fill(c.sample);
    (c.voltage ? state->voltageTraceFactor : state->currentTraceFactor) = c.factor;
    (c.voltage ? state->voltageGain : state->currentGain) = c.gain;
    (c.voltage ? state->voltageTraceShift : state->currentTraceShift) = c.shift;
    drawTraces(canvas, *state, 0);

    // 1000 points from x = 55 one pixel apart: the screen's right part.
    const QRgb pen = c.voltage ? colour::aqua : colour::yellow;
    EXPECT_EQ(pixelsOf(pen), c.y < 0 ? PixelSet{} : row(c.y, 55, 793));
    EXPECT_EQ(c.voltage ? state->drawnVoltageShift : state->drawnCurrentShift, c.shift);
    EXPECT_EQ(c.voltage ? state->drawnCurrentShift : state->drawnVoltageShift, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, DeflectionTest,
    ::testing::Values(DeflectionCase{"CurrentPositive", false, 1000, 0.042, 1, 0, 305},
                      DeflectionCase{"CurrentNegative", false, -1000, 0.042, 1, 0, 221},
                      DeflectionCase{"Voltage", true, 1000, 0.0494, 1, 0, 312},       // 312.4
                      DeflectionCase{"HalfDownToEven", false, 3, 0.5, 1, 0, 264},     // 264.5
                      DeflectionCase{"HalfUpToEven", false, 5, 0.5, 1, 0, 266},       // 265.5
                      DeflectionCase{"NegativeHalfToEven", true, -1, 0.5, 1, 0, 262}, // 262.5
                      DeflectionCase{"GainAndShift", false, 100, 0.042, 10, 5, 310},
                      DeflectionCase{"BeyondTheGrid", true, 5000, 0.0494, 1, 0, 510}, // 509.9
                      DeflectionCase{"OffTheScreen", true, 30000, 0.0494, 2, 0, -1}),
    [](const auto& info) { return std::string(info.param.name); });

struct PointCase {
    const char* name;
    double pixelsPerPoint;
    int sampleStep;
    int trigger;
    int point; // the first point of a step of +100 pixels
    int x;     // where that point stands
    friend void PrintTo(const PointCase& c, std::ostream* out) { *out << c.name; }
};

class PointTest : public TracesTest, public ::testing::WithParamInterface<PointCase> {};

TEST_P(PointTest, PointsStandAtTheRoundedPositions) {
    const PointCase& c = GetParam();
    hidePreviousTraces();
    state->showVoltageTrace = 0;
    state->pixelsPerPoint = c.pixelsPerPoint;
    state->sampleStep = c.sampleStep;
    state->currentTraceFactor = 0.1;
    // Point j shows sample trigger + step x j: 0 before the point, 1000 from it on.
    for (int i = c.trigger + c.sampleStep * c.point; i < sampleCapacity; ++i)
        state->currentSamples[static_cast<std::size_t>(i)] = 1000;
    drawTraces(canvas, *state, c.trigger);
    int first = -1;
    for (int x = 0; x < canvas.width() && first < 0; ++x)
        if (at(canvas, x, yc + 100) == colour::yellow) first = x;
    EXPECT_EQ(first, c.x);
    EXPECT_EQ(at(canvas, c.x - 1, yc + 100), colour::black);
}

INSTANTIATE_TEST_SUITE_P(TimeBases, PointTest,
                         ::testing::Values(PointCase{"OnePixel", 1.0, 1, 0, 10, 64},
                                           PointCase{"OnePixelEverySixth", 1.0, 6, 100, 10, 64},
                                           PointCase{"OnePixelEveryThird", 1.0, 3, 7, 300, 354},
                                           PointCase{"ms20Point4", 0.83, 1, 0, 4, 57},   // 57.49
                                           PointCase{"ms20Point7", 0.83, 1, 0, 7, 60},   // 59.98
                                           PointCase{"ms10", 1.65, 1, 0, 10, 70},        // 69.85
                                           PointCase{"ms5", 3.3, 1, 0, 5, 68},           // 68.2
                                           PointCase{"ms2HalfToEven", 8.5, 1, 0, 4, 80}, // 80.5
                                           PointCase{"ms2", 8.5, 1, 0, 3, 72},
                                           PointCase{"ms1LastInside", 17.0, 1, 0, 44, 786}),
                         [](const auto& info) { return std::string(info.param.name); });

struct EraseCase {
    const char* name;
    double pixelsPerPoint;
    int sampleStep;
    int trigger;
    int penWidth;
    friend void PrintTo(const EraseCase& c, std::ostream* out) { *out << c.name; }
};

class EraseTest : public TracesTest, public ::testing::WithParamInterface<EraseCase> {};

TEST_P(EraseTest, NextFrameRemovesEveryPixelOfTheTraces) {
    const EraseCase& c = GetParam();
    state->pixelsPerPoint = c.pixelsPerPoint;
    state->sampleStep = c.sampleStep;
    state->tracePenWidth = static_cast<std::int16_t>(c.penWidth);
    state->currentTraceShift = 3;
    for (int i = 0; i < 8000; ++i) {
        const double t = 2 * M_PI * 100 * i / 44100.0;
        state->currentSamples[static_cast<std::size_t>(i)] = static_cast<int>(4000 * std::sin(t));
        state->voltageSamples[static_cast<std::size_t>(i)] = static_cast<int>(5000 * std::cos(t));
    }
    drawTraces(canvas, *state, c.trigger);
    ASSERT_GT(pixelsOf(colour::yellow).size(), 500u);
    ASSERT_GT(pixelsOf(colour::aqua).size(), 500u);

    // An empty block, traces hidden: only what is left of the centre line stays.
    state->currentSamples.fill(0);
    state->voltageSamples.fill(0);
    state->currentTraceShift = 0;
    state->showCurrentTrace = 0;
    state->showVoltageTrace = 0;
    drawTraces(canvas, *state, c.trigger);
    for (const auto& [x, y] : lit(canvas)) {
        EXPECT_EQ(y, yc) << x;
        EXPECT_EQ(at(canvas, x, y), colour::white);
    }
    EXPECT_EQ(canvas.penWidth(), 1);
}

INSTANTIATE_TEST_SUITE_P(Frames, EraseTest,
                         ::testing::Values(EraseCase{"ms100", 1.0, 6, 37, 1},
                                           EraseCase{"ms20", 0.83, 1, 441, 1},
                                           EraseCase{"ms1", 17.0, 1, 5, 1},
                                           EraseCase{"WidePen", 1.65, 1, 12, 3},
                                           EraseCase{"NoEdgeFound", 1.0, 6, 19998, 1},
                                           EraseCase{"TriggerNearTheEnd", 1.0, 3, 43000, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TracesTest, VoltageIsDrawnOverCurrentAndErasingCutsNoNewTrace) {
    // Both new traces on row 300; the previous voltage trace zigzags across it.
    state->currentSamples.fill(881); // 263 + 37.002
    state->voltageSamples.fill(749); // 263 + 37.0006
    for (int i = 1; i <= 6000; ++i)
        state->previousVoltageTrace[static_cast<std::size_t>(i)] = i % 2 == 0 ? 2000 : -2000;
    state->previousCurrentTrace.fill(-2000);
    drawTraces(canvas, *state, 0);
    EXPECT_EQ(pixelsOf(colour::aqua), row(300, 55, 793));
    EXPECT_TRUE(pixelsOf(colour::yellow).empty());

    canvas.clear();
    state->showVoltageTrace = 0;
    for (int i = 1; i <= 6000; ++i)
        state->previousVoltageTrace[static_cast<std::size_t>(i)] = i % 2 == 0 ? 2000 : -2000;
    drawTraces(canvas, *state, 0);
    EXPECT_EQ(pixelsOf(colour::yellow), row(300, 55, 793));
}

TEST_F(TracesTest, HiddenTraceIsErasedThoughTheBlockIsTheSame) {
    for (int i = 0; i < 8000; ++i) {
        state->currentSamples[static_cast<std::size_t>(i)] = (i % 300) * 10 - 1500;
        state->voltageSamples[static_cast<std::size_t>(i)] = 1500 - (i % 200) * 15;
    }
    for (int frame = 0; frame < 2; ++frame)
        drawTraces(canvas, *state, 0);
    ASSERT_GT(pixelsOf(colour::yellow).size(), 500u);
    const PixelSet voltage = pixelsOf(colour::aqua);

    state->showCurrentTrace = 0;
    drawTraces(canvas, *state, 0);
    EXPECT_TRUE(pixelsOf(colour::yellow).empty());
    EXPECT_EQ(pixelsOf(colour::aqua), voltage);
}

TEST_F(TracesTest, ReadsBeyondTheArraysReadZero) {
    hidePreviousTraces();
    state->showVoltageTrace = 0;
    // Points 1 .. 99 show samples 44001 .. 44099, the rest lie beyond the array.
    for (int i = 44001; i < sampleCapacity; ++i)
        state->currentSamples[static_cast<std::size_t>(i)] = 1000;
    state->previousCurrentTrace.fill(7);
    state->sampleCount = sampleCapacity;
    drawTraces(canvas, *state, 44000);
    EXPECT_EQ(at(canvas, 55, 305), colour::yellow);
    EXPECT_EQ(at(canvas, 153, 305), colour::yellow);
    EXPECT_EQ(at(canvas, 154, 305), colour::black);
    for (const int x : {160, 400, 793})
        EXPECT_EQ(at(canvas, x, yc), colour::yellow) << x;

    // The frame remembered for erasing: sample 44000 + i, 0 beyond the array.
    EXPECT_EQ(state->previousCurrentTrace[0], 7);
    EXPECT_EQ(state->previousCurrentTrace[1], 1000);
    EXPECT_EQ(state->previousCurrentTrace[99], 1000);
    EXPECT_EQ(state->previousCurrentTrace[100], 0);
    EXPECT_EQ(state->previousCurrentTrace[6000], 0);

    // The largest trigger index: every sample read is 0.
    canvas.clear();
    drawTraces(canvas, *state, 65535);
    EXPECT_EQ(pixelsOf(colour::yellow), row(yc, 55, 793));
}

TEST_F(TracesTest, RemembersTheFrameUpToTheSampleCount) {
    for (int i = 0; i < sampleCapacity; ++i) {
        state->currentSamples[static_cast<std::size_t>(i)] = i;
        state->voltageSamples[static_cast<std::size_t>(i)] = -i;
    }
    state->previousCurrentTrace.fill(-1);
    state->previousVoltageTrace.fill(-1);
    state->sampleCount = 100;
    state->voltageTraceShift = -4;
    drawTraces(canvas, *state, 19998);
    for (const int i : {1, 50, 100}) {
        EXPECT_EQ(state->previousCurrentTrace[static_cast<std::size_t>(i)], 19998 + i);
        EXPECT_EQ(state->previousVoltageTrace[static_cast<std::size_t>(i)], -19998 - i);
    }
    EXPECT_EQ(state->previousCurrentTrace[101], -1);
    EXPECT_EQ(state->previousVoltageTrace[101], -1);
    EXPECT_EQ(state->drawnVoltageShift, -4);
}

struct SteadyCase {
    const char* name;
    int penWidth;
    bool showVoltage;
    QRgb colour; // of the trace that ends on top
    int top, bottom;
};

class SteadyTracesTest : public ::testing::TestWithParam<SteadyCase> {};

// The same block drawn frame after frame, each time after the grid: the
// traces lie on the grid line 40 pixels below the centre (samples 952 x
// 0.042 = 39.98 and 810 x 0.0494 = 40.01) and cover it in every frame, and
// every frame after the first shows the same picture.
TEST_P(SteadyTracesTest, EveryFrameCoversTheGridAgain) {
    const SteadyCase& c = GetParam();
    auto state = std::make_unique<SharedState>();
    test::setStartValues(*state);
    state->tracePenWidth = static_cast<std::int16_t>(c.penWidth);
    state->showVoltageTrace = c.showVoltage ? 1 : 0;
    state->currentSamples.fill(952);
    state->voltageSamples.fill(810);
    Canvas canvas;
    std::vector<QImage> frames;
    for (int frame = 0; frame < 5; ++frame) {
        drawGrid(canvas, *state);
        drawTraces(canvas, *state, 0);
        frames.push_back(canvas.image().copy());
        for (int y = c.top; y <= c.bottom; ++y)
            for (int x = 56; x <= 783; ++x)
                ASSERT_EQ(at(canvas, x, y), c.colour)
                    << "frame " << frame << " at " << x << ", " << y;
    }
    for (int frame = 2; frame < 5; ++frame)
        EXPECT_EQ(frames[frame], frames[1]) << "frame " << frame;
}

INSTANTIATE_TEST_SUITE_P(Pens, SteadyTracesTest,
                         ::testing::Values(SteadyCase{"CurrentThin", 1, false, colour::yellow, 303,
                                                      303},
                                           SteadyCase{"BothThin", 1, true, colour::aqua, 303, 303},
                                           SteadyCase{"BothWide", 3, true, colour::aqua, 302, 304}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace display

namespace display {
namespace {

// Frames of blocks that come and repeat, each after the grid: a frame
// repeated from what an earlier one kept, the next block's first repeat
// included, shows what drawing it afresh shows.
TEST(KeptTracesTest, RepeatedFramesShowWhatDrawingAfreshShows) {
    struct Frame {
        double phase; // of the block's sines
        bool showVoltage;
    };
    const Frame frames[] = {{0, true}, {0, true}, {0, true}, {1, true}, {1, true}, {1, true},
                            {0, true}, {0, true}, {2, false}, {2, false}, {1, true}, {1, true},
                            {1, true}, {3, true}, {3, true}};
    for (const int pen : {1, 3}) {
        std::unique_ptr<SharedState> states[2] = {std::make_unique<SharedState>(),
                                                  std::make_unique<SharedState>()};
        Canvas canvases[2];
        for (auto& state : states) {
            test::setStartValues(*state);
            state->tracePenWidth = static_cast<std::int16_t>(pen);
        }
        int index = 0;
        for (const Frame& f : frames) {
            for (int i = 0; i < 2; ++i) {
                SharedState& state = *states[i];
                for (std::size_t k = 0; k < state.currentSamples.size(); ++k) {
                    state.currentSamples[k] =
                        static_cast<std::int32_t>(3000 * std::sin(k / 40.0 + f.phase));
                    state.voltageSamples[k] =
                        static_cast<std::int32_t>(2500 * std::cos(k / 25.0 - f.phase));
                }
                state.showVoltageTrace = f.showVoltage ? 1 : 0;
                // The second canvas forgets what it kept: it draws every frame.
                if (i == 1) canvases[i].keptDrawing(0).inputs.clear();
                drawGrid(canvases[i], state);
                drawTraces(canvases[i], state, 0);
            }
            ASSERT_EQ(canvases[0].image(), canvases[1].image()) << "pen " << pen << ", frame "
                                                                << index;
            ++index;
        }
    }
}

} // namespace
} // namespace display
