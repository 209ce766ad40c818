// The grid of the 794 x 526 screen.

#include "display/Grid.h"

#include "Pixels.h"
#include "core/SharedState.h"

#include <gtest/gtest.h>
#include <memory>

namespace display {
namespace {

using test::at;
using test::column;
using test::lit;
using test::PixelSet;
using test::row;

// The grid as the screen's worked geometry places it: rows 43 ... 243 and
// 283 ... 483 from x = 56 to 783; columns 128 ... 789 from 43 (the end at
// 263 - 220 left out) to 258 and from 284 to 483 (the end at 283 left out).
PixelSet workedGrid() {
    PixelSet grid;
    for (int y = 43; y <= 483; y += 20) {
        if (y == 263) continue;
        grid.merge(row(y, 56, 783));
    }
    for (const int x : {128, 202, 275, 348, 422, 495, 569, 642, 715, 789}) {
        grid.merge(column(x, 44, 258));
        grid.merge(column(x, 284, 483));
    }
    return grid;
}

struct GridCase {
    const char* name;
    int visible;
    int brightness;
    QRgb colour; // of every grid pixel; black: nothing to see
    friend void PrintTo(const GridCase& c, std::ostream* out) { *out << c.name; }
};

class GridTest : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridTest, StandsAtTheWorkedPositions) {
    const GridCase& c = GetParam();
    auto state = std::make_unique<SharedState>();
    state->gridVisible = c.visible;
    state->gridBrightness = static_cast<std::int16_t>(c.brightness);
    Canvas canvas;
    drawGrid(canvas, *state);
    EXPECT_DOUBLE_EQ(state->gridUnitX, 3.77);

    if (c.colour == colour::black) {
        EXPECT_TRUE(lit(canvas).empty());
        return;
    }
    const PixelSet grid = lit(canvas);
    EXPECT_EQ(grid, workedGrid());
    EXPECT_EQ(grid.size(), 19986u); // 22 x 728 + 10 x 415 - 9 x 20 crossings
    for (const auto& [x, y] : grid)
        ASSERT_EQ(at(canvas, x, y), c.colour) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Brightness, GridTest,
                         ::testing::Values(GridCase{"StartValue", 1, 75, 0xFF4B4B4B},
                                           GridCase{"Darkest", 1, 0, colour::black},
                                           GridCase{"Lightest", 1, 250, 0xFFFAFAFA},
                                           GridCase{"LowByteOnly", 1, 256 + 75, 0xFF4B4B4B},
                                           GridCase{"Hidden", 0, 75, colour::black}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Grid, FollowsTheClientWidth) {
    auto state = std::make_unique<SharedState>();
    state->gridVisible = 1;
    state->gridBrightness = 75;
    Canvas canvas(1000, 566);
    drawGrid(canvas, *state);
    EXPECT_DOUBLE_EQ(state->gridUnitX, 4.8);
    // Tenth line at Round(194.6 x 4.8 + 55) = 989; rows end at x = 989 (W - 11).
    EXPECT_EQ(at(canvas, 989, 100), 0xFF4B4B4B);
    EXPECT_EQ(at(canvas, 990, 63), colour::black);
    EXPECT_EQ(at(canvas, 989, 63), 0xFF4B4B4B);
    EXPECT_EQ(at(canvas, 56, 283 + 20), 0xFF4B4B4B); // yc = 283
}

} // namespace
} // namespace display
