#include "display/TimeAxis.h"

#include "core/FixedText.h"
#include "core/VectorState.h"
#include "display/ScreenGeometry.h"

#include <array>
#include <string>

namespace display {

namespace {

struct LabelSet {
    double step;     // milliseconds per division
    int decimals;    // -1: whole numbers as plain integers
    int numberShift; // dx: number k starts at the division's x minus 55 plus dx
    const char* endText;
    int endShift; // ex
    int endDrop;  // ey: below the centre line
};

constexpr std::array<LabelSet, 7> labelSets{{
    {10, -1, 48, "100", 35, 3},
    {5, -1, 48, "50", 40, 5},
    {2, -1, 48, "20", 40, 3},
    {1, -1, 52, "10", 40, 3},
    {0.5, 1, 48, " 5", 40, 3},
    {0.2, 1, 48, " 2", 40, 3},
    {0.1, 1, 48, "ms 1", 16, 3},
}};

} // namespace

void drawTimeAxis(Canvas& canvas, SharedState& state, int timeBase) {
    cleanVectorState();
    if (timeBase < timebase::ms100 || timeBase > timebase::ms1) return;
    const LabelSet& set = labelSets[static_cast<std::size_t>(timeBase - 1)];
    const int yc = centreY(canvas.height());
    const double unit = state.gridUnitX;

    canvas.setPenColor(colour::white);
    canvas.setPenWidth(1);
    canvas.setFontColor(colour::white);
    // Ten minor ticks per division; none at the end of the tenth.
    for (int k = 1; k <= 99; ++k) {
        const int x = static_cast<int>(Round(unit * 2 * k * 0.973 + originX));
        canvas.moveTo(x, yc + 2);
        canvas.lineTo(x, yc - 2);
    }
    const int endX = static_cast<int>(Round(unit * 2 * 97.3 + set.endShift));
    for (int k = 1; k <= 9; ++k) {
        const int x = divisionX(unit, k, originX);
        canvas.moveTo(x, yc + 3);
        canvas.lineTo(x, yc - 3);
        const int numberX = divisionX(unit, k, set.numberShift);
        if (set.decimals < 0) {
            canvas.textOut(numberX, yc + 5, std::to_string(static_cast<int>(set.step) * k));
        } else {
            state.numberText = fixedText(k * set.step, 1, set.decimals);
            canvas.textOut(numberX, yc + 5, state.numberText);
        }
    }
    // The unit at the axis's end, over whatever the numbers left there.
    canvas.textOut(endX, yc + set.endDrop, set.endText);
}

} // namespace display
