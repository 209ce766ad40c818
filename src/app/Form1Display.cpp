// TForm1: the oscilloscope screen. Grid, display frame, trigger, time base,
// channel choice, scales and labels are drawn by the kernels of display/ and
// measure/ into the canvas; these methods connect them to the controls.

#include "app/Form1.h"

void TForm1::connectDisplayControls() {}

void TForm1::DrawScreen() {}
