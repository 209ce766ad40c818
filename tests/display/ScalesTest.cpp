// The vertical scales at the left edge of the 794 x 526 screen.

#include "display/Scales.h"

#include "Pixels.h"
#include "core/SharedState.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace display {
namespace {

using test::at;
using test::textAt;

using test::yc;

struct ScaleCase {
    const char* name;
    double currentDivision, voltageDivision;
    std::vector<const char*> current; // k = 1 .. 10
    std::vector<const char*> voltage; // k = 0 .. 10
    friend void PrintTo(const ScaleCase& c, std::ostream* out) { *out << c.name; }
};

class ScalesTest : public ::testing::TestWithParam<ScaleCase> {
protected:
    void SetUp() override {
        state->currentDivisionValue = GetParam().currentDivision;
        state->voltageDivisionValue = GetParam().voltageDivision;
        drawScales(canvas, *state);
    }
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    Canvas canvas;
};

TEST_P(ScalesTest, NumbersStandBesideTheirTicks) {
    const ScaleCase& c = GetParam();
    for (int k = 1; k <= 10; ++k) {
        const char* text = c.current[static_cast<std::size_t>(k - 1)];
        EXPECT_TRUE(textAt(canvas, 34, yc - 20 * k - 7, text, colour::yellow)) << k;
        EXPECT_TRUE(textAt(canvas, 34, yc + 20 * k - 7, text, colour::yellow)) << k;
    }
    for (int k = 0; k <= 10; ++k) {
        const char* text = c.voltage[static_cast<std::size_t>(k)];
        EXPECT_TRUE(textAt(canvas, 0, yc - 20 * k - 7, text, colour::white)) << k;
        EXPECT_TRUE(textAt(canvas, 0, yc + 20 * k - 7, text, colour::white)) << k;
    }
    EXPECT_TRUE(textAt(canvas, 34, yc - 7, "ms", colour::white));
    EXPECT_EQ(state->numberText, c.voltage.back());
}

TEST_P(ScalesTest, TicksStandInTheirColumns) {
    // Rows lit in each tick column, and their colour.
    const auto rows = [this](int x, QRgb colour) {
        std::set<int> found;
        for (int y = 0; y < canvas.height(); ++y) {
            if (at(canvas, x, y) == colour::black) continue;
            EXPECT_EQ(at(canvas, x, y), colour) << x << "," << y;
            found.insert(y);
        }
        return found;
    };
    std::set<int> divisions, divisionsOffCentre, minor;
    for (int k = -10; k <= 10; ++k) {
        divisions.insert(yc + 20 * k);
        if (k != 0) divisionsOffCentre.insert(yc + 20 * k);
    }
    for (int k = -55; k <= 55; ++k)
        minor.insert(yc + 4 * k);
    for (const int x : {24, 25, 26})
        EXPECT_EQ(rows(x, colour::yellow), divisions) << x;
    for (const int x : {27, 28})
        EXPECT_EQ(rows(x, colour::white), minor) << x;
    for (const int x : {29, 30, 31})
        EXPECT_EQ(rows(x, colour::yellow), divisionsOffCentre) << x;
    EXPECT_TRUE(rows(32, colour::yellow).empty());
    EXPECT_TRUE(rows(33, colour::yellow).empty());
    EXPECT_EQ(canvas.penColor(), colour::white);
}

INSTANTIATE_TEST_SUITE_P(
    DivisionValues, ScalesTest,
    ::testing::Values(
        ScaleCase{"StartValues",
                  10,
                  10,
                  {" 10", " 20", " 30", " 40", " 50", " 60", " 70", " 80", " 90", "100"},
                  {"  0", " 10", " 20", " 30", " 40", " 50", " 60", " 70", " 80", " 90", "100"}},
        ScaleCase{"TenthsAndFives",
                  0.2,
                  5,
                  {"0.2", "0.4", "0.6", "0.8", "1.0", "1.2", "1.4", "1.6", "1.8", "2.0"},
                  {"  0", "  5", " 10", " 15", " 20", " 25", " 30", " 35", " 40", " 45", " 50"}},
        ScaleCase{"HalvesAndFifties",
                  50,
                  0.5,
                  {" 50", "100", "150", "200", "250", "300", "350", "400", "450", "500"},
                  {"0.0", "0.5", "1.0", "1.5", "2.0", "2.5", "3.0", "3.5", "4.0", "4.5", "5.0"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace display
