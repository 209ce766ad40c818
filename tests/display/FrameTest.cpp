// Whole frames as the periodic display draws them: grid, time-axis labels,
// scales, centre line and traces, one after the other on the same screen.

#include "Frame.h"

#include "Pixels.h"
#include "StartValues.h"
#include "core/SharedState.h"
#include "display/Grid.h"
#include "display/Scales.h"
#include "display/TimeAxis.h"
#include "display/Traces.h"

#include <QByteArray>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace display {
namespace {

using test::at;
using test::textAt;

using test::yc;
constexpr QRgb grid75 = 0xFF4B4B4B;

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The start values, at the 20 ms time base.
        test::setStartValues(*state);
        state->pixelsPerPoint = 0.83;
        state->timeBaseShown[timebase::ms20] = 1;
    }
    // A 100 Hz block (see test::sineBlock).
    void sineBlock(double amplitude = 1) { test::sineBlock(*state, 100, amplitude); }
    void frame(int trigger) { test::frame(canvas, *state, timebase::ms20, trigger); }
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    Canvas canvas;
};

TEST_F(FrameTest, FullFrameOfASine) {
    sineBlock();
    frame(221); // the first negative half-wave of the current
    frame(221);
    if (const QByteArray file = qgetenv("ZO_DISPLAY_PNG"); !file.isEmpty())
        canvas.image().save(QString::fromLocal8Bit(file), "PNG");

    // The current trace starts at sample 222 (-64 units, 2.7 pixels above the
    // centre) and reaches its negative peak (126 pixels above) a quarter
    // period, 110 points, later.
    EXPECT_EQ(at(canvas, 55, yc - 3), colour::yellow);
    int top = canvas.height();
    for (int x = 55; x < 200; ++x)
        for (int y = 0; y < yc; ++y)
            if (at(canvas, x, y) == colour::yellow) top = std::min(top, y);
    EXPECT_EQ(top, yc - 126);
    int aqua = 0;
    for (int x = 55; x < canvas.width(); ++x)
        for (int y = 0; y < canvas.height(); ++y)
            aqua += at(canvas, x, y) == colour::aqua;
    EXPECT_GT(aqua, 900); // two and a quarter periods of 123 pixels up and down

    EXPECT_EQ(at(canvas, 56, 43), grid75);
    EXPECT_EQ(at(canvas, 789, 483), grid75);
    EXPECT_TRUE(textAt(canvas, 34, yc - 7, "ms", colour::white));
    EXPECT_TRUE(textAt(canvas, 34, yc - 207, "100", colour::yellow));
    EXPECT_TRUE(textAt(canvas, 635, yc + 5, "16", colour::white)); // no trace crosses it
}

TEST_F(FrameTest, SameBlockAgainChangesNoPixel) {
    // The second frame erases the first; the third erases the same as the second.
    sineBlock();
    frame(221);
    frame(221);
    canvas.takeDirty();
    frame(221);
    EXPECT_TRUE(canvas.takeDirty().isEmpty());

    // A new block changes the picture where the traces move.
    sineBlock(0.5);
    frame(221);
    const QRect changed = canvas.takeDirty();
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_GE(changed.top(), yc - 127);
    EXPECT_LE(changed.bottom(), yc + 127);
}

TEST_F(FrameTest, GridIsInterruptedAlongErasedTracesUntilTheNextFrame) {
    sineBlock();
    frame(221);
    // Where the traces cross the grid row 40 pixels above the centre.
    std::vector<int> crossings;
    for (int x = 60; x < 780; ++x)
        if (at(canvas, x, yc - 40) != grid75 && at(canvas, x, yc - 40) != colour::black)
            crossings.push_back(x);
    ASSERT_GE(crossings.size(), 4u);

    // The next frame (an empty block) erases them: the grid has holes there.
    state->currentSamples.fill(0);
    state->voltageSamples.fill(0);
    frame(221);
    for (const int x : crossings)
        EXPECT_EQ(at(canvas, x, yc - 40), colour::black) << x;
    EXPECT_EQ(at(canvas, 56, yc - 40), grid75);

    // The frame after that draws the grid again and erases along the centre only.
    frame(221);
    for (const int x : crossings)
        EXPECT_EQ(at(canvas, x, yc - 40), grid75) << x;
}

} // namespace
} // namespace display
