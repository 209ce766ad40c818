#include "display/Grid.h"

#include "core/VectorState.h"
#include "display/ScreenGeometry.h"

#include <cstdint>

namespace display {

void drawGrid(Canvas& canvas, SharedState& state) {
    cleanVectorState();
    const int width = canvas.width();
    const int yc = centreY(canvas.height());
    state.gridUnitX = gridUnit(width);
    if (state.gridVisible == 0) return;

    const QRgb grey = colour::grey(state.gridBrightness);
    const int lastX = divisionX(state.gridUnitX, 10, originX);
    // The same grid on an unchanged screen (the second grid of a periodic
    // pass): every pixel already has its value; only the pen ends as it would.
    const std::uint64_t key = (std::uint64_t{static_cast<std::uint32_t>(width)} << 32) ^
                              (std::uint64_t{static_cast<std::uint32_t>(yc)} << 8) ^ (grey & 0xFF);
    canvas.setPenColor(grey);
    canvas.setPenWidth(1);
    if (canvas.alreadyDrawn(key)) {
        canvas.moveTo(lastX, yc - 220);
        return;
    }
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
    canvas.drawn(key);
}

} // namespace display
