#include "display/Grid.h"

#include "display/ScreenGeometry.h"

namespace display {

void drawGrid(Canvas& canvas, SharedState& state) {
    const int width = canvas.width();
    const int yc = centreY(canvas.height());
    state.gridUnitX = gridUnit(width);
    if (state.gridVisible == 0) return;

    canvas.setPenColor(colour::grey(state.gridBrightness));
    canvas.setPenWidth(1);
    for (int k = 1; k <= 11; ++k) {
        canvas.moveTo(56, yc - divisionHeight * k);
        canvas.lineTo(width - 10, yc - divisionHeight * k);
    }
    for (int k = 1; k <= 11; ++k) {
        canvas.moveTo(56, yc + divisionHeight * k);
        canvas.lineTo(width - 10, yc + divisionHeight * k);
    }
    for (int k = 1; k <= 10; ++k) {
        const int x = divisionX(state.gridUnitX, k, originX);
        canvas.moveTo(x, yc + 220);
        canvas.lineTo(x, yc + 20);
        canvas.moveTo(x, yc - 5);
        canvas.lineTo(x, yc - 220);
    }
}

} // namespace display
