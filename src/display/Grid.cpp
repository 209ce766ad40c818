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
    // The same grid again (the second grid of a periodic pass, or the next
    // pass's): on an unchanged screen every pixel already has its value and
    // only the pen ends as it would; otherwise only the tiles where the
    // screen changed since are drawn again.
    const std::uint64_t key = (std::uint64_t{static_cast<std::uint32_t>(width)} << 32) ^
                              (std::uint64_t{static_cast<std::uint32_t>(yc)} << 8) ^ (grey & 0xFF);
    canvas.setPenColor(grey);
    canvas.setPenWidth(1);
    if (canvas.alreadyDrawn(key)) {
        canvas.moveTo(lastX, yc - 220);
        return;
    }
    const auto line = [&canvas, key](int x0, int y0, int x1, int y1) {
        canvas.moveTo(x0, y0);
        canvas.lineToWhereChanged(key, x1, y1);
    };
    for (int k = 1; k <= 11; ++k)
        line(56, yc - divisionHeight * k, width - 10, yc - divisionHeight * k);
    for (int k = 1; k <= 11; ++k)
        line(56, yc + divisionHeight * k, width - 10, yc + divisionHeight * k);
    for (int k = 1; k <= 10; ++k) {
        const int x = divisionX(state.gridUnitX, k, originX);
        line(x, yc + 220, x, yc + 20);
        line(x, yc - 5, x, yc - 220);
    }
    canvas.drawn(key);
}

} // namespace display
