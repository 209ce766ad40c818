#include "core/VectorState.h"

void cleanVectorState() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx = __builtin_cpu_supports("avx");
    // Zeroes the upper halves only; the SSE registers this code uses keep their values.
    if (avx) asm volatile("vzeroupper");
#endif
}
