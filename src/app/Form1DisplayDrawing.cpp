// Pending: the drawing routines arrive with the display kernels.
#include "app/Form1.h"
void TForm1::DrawGrid() {}
void TForm1::DrawScales() {}
void TForm1::drawTimeAxis(int) {}
void TForm1::drawTraces(std::uint16_t) {}
