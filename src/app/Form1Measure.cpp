// TForm1: the measurement of each block. The readouts, the ranges with the
// input-gain switch, and the frequencies are computed by the kernels of
// measure/; these methods hand them the shared state and show the results.

#include "app/Form1.h"

void TForm1::connectMeasureControls() {}
