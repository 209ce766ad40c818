#include "display/CurrentAxis.h"

#include "core/FixedText.h"
#include "display/ScreenGeometry.h"

#include <cmath>

namespace display {

double currentPerDivision(const SharedState& state) {
    const double width = divisionX(state.gridUnitX, 1, 0) - divisionX(state.gridUnitX, 0, 0);
    return state.currentDivisionValue * width / divisionHeight;
}

void drawCurrentAxis(Canvas& canvas, SharedState& state) {
    const int yc = centreY(canvas.height());
    const double step = currentPerDivision(state);
    // Two significant digits of the division value are enough to read.
    const int decimals = step >= 10 ? 0 : step >= 1 ? 1 : step >= 0.1 ? 2 : 3;
    canvas.setPenWidth(1);
    canvas.setPenColor(colour::white);
    canvas.setFontColor(colour::white);
    for (int k = 1; k <= 9; ++k) {
        const int x = divisionX(state.gridUnitX, k, originX);
        canvas.moveTo(x, yc + 3);
        canvas.lineTo(x, yc - 3);
        state.numberText = fixedText((k - 5) * step, 1, decimals);
        canvas.textOut(x - 3 * static_cast<int>(state.numberText.size()), yc + 5, state.numberText);
    }
    canvas.textOut(divisionX(state.gridUnitX, 10, originX) - 30, yc + 5, "mA");
}

} // namespace display
