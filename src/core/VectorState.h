#pragma once
// Some library code (the image fill of the toolkit, for one) returns with the
// upper halves of the AVX registers still in use. Until something clears
// them, every SSE instruction waits for the old contents of the register it
// writes, so the iterations of a plain arithmetic loop run one after another
// instead of overlapping: such loops become three to four times slower.
// Kernels that run after toolkit code call this first; it costs a few cycles
// and does nothing on processors without AVX.

void cleanVectorState();
