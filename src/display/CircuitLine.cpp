#include "display/CircuitLine.h"

#include "display/ScreenGeometry.h"

#include <algorithm>

namespace display {

void drawCircuitLine(Canvas& canvas, const std::string& line) {
    constexpr int width = 320; // the widest line, with room to spare
    const int blank = std::max(1, canvas.textSize(" ").width());
    const int missing = width - canvas.textSize(line).width();
    const std::string shown =
        std::string(static_cast<std::size_t>(std::max(0, (missing + blank - 1) / blank)), ' ') +
        line;
    const int right = canvas.width() - 11;
    const int y = centreY(canvas.height()) - 220 - 19;
    canvas.setFontColor(colour::white);
    canvas.textOut(right - canvas.textSize(shown).width(), y, shown);
}

} // namespace display
