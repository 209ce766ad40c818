#include "display/Scales.h"

#include "core/FixedText.h"
#include "core/VectorState.h"
#include "display/ScreenGeometry.h"

namespace display {

namespace {

// One division's number and its ticks above and below the centre: ticks from
// tickX to tickX + 2, the number at numberX centred on the tick.
void scaleDivision(Canvas& canvas, SharedState& state, int k, double divisionValue, int tickX,
                   int numberX) {
    const int yc = centreY(canvas.height());
    state.numberText = fixedText(k * divisionValue, 3, divisionValue >= 1 ? 0 : 1);
    for (const int y : {yc - divisionHeight * k, yc + divisionHeight * k}) {
        canvas.moveTo(tickX, y);
        canvas.lineTo(tickX + 3, y);
        canvas.textOut(numberX, y - 7, state.numberText);
    }
}

} // namespace

void drawScales(Canvas& canvas, SharedState& state, const char* centreUnit) {
    cleanVectorState();
    const int yc = centreY(canvas.height());

    // Current: yellow ticks and numbers; no number at the centre.
    canvas.setPenWidth(1);
    canvas.setPenColor(colour::yellow);
    canvas.setFontColor(colour::yellow);
    for (int k = 1; k <= 10; ++k)
        scaleDivision(canvas, state, k, state.currentDivisionValue, 29, 34);

    canvas.setFontColor(colour::white);
    canvas.textOut(34, yc - 7, centreUnit);

    // Voltage: yellow ticks, white numbers, a zero at the centre (written twice).
    for (int k = 0; k <= 10; ++k)
        scaleDivision(canvas, state, k, state.voltageDivisionValue, 24, 0);

    // Five minor ticks per division down to 220 pixels either side.
    canvas.setPenColor(colour::white);
    for (int k = 0; k <= 55; ++k) {
        for (const int y : {yc - 4 * k, yc + 4 * k}) {
            canvas.moveTo(27, y);
            canvas.lineTo(29, y);
        }
    }
}

} // namespace display
