// The seven label sets of the time axis on the 794 x 526 screen.

#include "display/TimeAxis.h"

#include "Pixels.h"
#include "core/SharedState.h"

#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace display {
namespace {

using test::at;
using test::lit;
using test::textAt;

using test::yc;

struct AxisCase {
    const char* name;
    int timeBase;
    std::array<const char*, 9> numbers;
    std::array<int, 9> numberX;
    const char* endText;
    int endX, endY;
    const char* numberText; // numberText afterwards
    friend void PrintTo(const AxisCase& c, std::ostream* out) { *out << c.name; }
};

constexpr std::array<int, 9> dx48{121, 195, 268, 341, 415, 488, 562, 635, 708};
constexpr std::array<int, 9> dx52{125, 199, 272, 345, 419, 492, 566, 639, 712};

class TimeAxisTest : public ::testing::TestWithParam<AxisCase> {
protected:
    void SetUp() override {
        state->gridUnitX = 3.77;
        state->numberText = "101";
        drawTimeAxis(canvas, *state, GetParam().timeBase);
    }
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    Canvas canvas;
};

TEST_P(TimeAxisTest, TicksStandAtTheWorkedPositions) {
    // Minor ticks from yc - 1 to yc + 2, division ticks from yc - 2 to yc + 3.
    std::vector<int> minor, division;
    for (int x = 0; x < canvas.width(); ++x) {
        if (at(canvas, x, yc + 2) == colour::white) minor.push_back(x);
        // Right of 750 the end text's cell may begin at yc + 3.
        if (x < 750 && at(canvas, x, yc + 3) == colour::white) division.push_back(x);
    }
    ASSERT_EQ(minor.size(), 99u);
    EXPECT_EQ(std::vector<int>(minor.begin(), minor.begin() + 5),
              (std::vector<int>{62, 70, 77, 84, 92}));
    EXPECT_EQ(minor.back(), 781);
    EXPECT_EQ(division, (std::vector<int>{128, 202, 275, 348, 422, 495, 569, 642, 715}));
    for (const int y : {yc - 1, yc, yc + 1})
        EXPECT_EQ(at(canvas, 62, y), colour::white);
    EXPECT_EQ(at(canvas, 62, yc - 2), colour::black);
    EXPECT_EQ(at(canvas, 128, yc - 2), colour::white);
    EXPECT_EQ(at(canvas, 128, yc - 3), colour::black);
}

TEST_P(TimeAxisTest, NumbersAndEndTextStandAtTheWorkedPositions) {
    const AxisCase& c = GetParam();
    for (std::size_t k = 0; k < 9; ++k)
        EXPECT_TRUE(textAt(canvas, c.numberX[k], yc + 5, c.numbers[k], colour::white));
    EXPECT_TRUE(textAt(canvas, c.endX, c.endY, c.endText, colour::white));
    EXPECT_EQ(state->numberText, c.numberText);
}

INSTANTIATE_TEST_SUITE_P(
    TimeBases, TimeAxisTest,
    ::testing::Values(
        AxisCase{"ms100",
                 1,
                 {"10", "20", "30", "40", "50", "60", "70", "80", "90"},
                 dx48,
                 "100",
                 769,
                 266,
                 "101"},
        AxisCase{"ms50",
                 2,
                 {"5", "10", "15", "20", "25", "30", "35", "40", "45"},
                 dx48,
                 "50",
                 774,
                 268,
                 "101"},
        AxisCase{"ms20",
                 3,
                 {"2", "4", "6", "8", "10", "12", "14", "16", "18"},
                 dx48,
                 "20",
                 774,
                 266,
                 "101"},
        AxisCase{
            "ms10", 4, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}, dx52, "10", 774, 266, "101"},
        AxisCase{"ms5",
                 5,
                 {"0.5", "1.0", "1.5", "2.0", "2.5", "3.0", "3.5", "4.0", "4.5"},
                 dx48,
                 " 5",
                 774,
                 266,
                 "4.5"},
        AxisCase{"ms2",
                 6,
                 {"0.2", "0.4", "0.6", "0.8", "1.0", "1.2", "1.4", "1.6", "1.8"},
                 dx48,
                 " 2",
                 774,
                 266,
                 "1.8"},
        AxisCase{"ms1",
                 7,
                 {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9"},
                 dx48,
                 "ms 1",
                 750,
                 266,
                 "0.9"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimeAxis, OtherIndexesDrawNothing) {
    auto state = std::make_unique<SharedState>();
    state->gridUnitX = 3.77;
    Canvas canvas;
    for (const int index : {-1, 0, 8})
        drawTimeAxis(canvas, *state, index);
    EXPECT_TRUE(lit(canvas).empty());
}

} // namespace
} // namespace display
