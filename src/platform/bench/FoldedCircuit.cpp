#include "platform/bench/FoldedCircuit.h"

namespace platform::bench {

namespace {

using Matrix = double[2][2];

// y = m v
void apply(const Matrix m, const double v[2], double y[2]) {
    y[0] = m[0][0] * v[0] + m[0][1] * v[1];
    y[1] = m[1][0] * v[0] + m[1][1] * v[1];
}

} // namespace

FoldedCircuit::FoldedCircuit(const CircuitSimulation::LinearStep& step,
                             const ReconstructionFilter& filter)
    : step_(step) {
    constexpr int factor = ReconstructionFilter::factor;
    memoryless_ = step.e[0][0] == 0 && step.e[0][1] == 0 && step.e[1][0] == 0 &&
                  step.e[1][1] == 0 && step.g[0] == 0 && step.g[1] == 0;
    // The input of step p reaches the period's end through the factor - 1 - p
    // steps after it: (I + e)^(factor - 1 - p) g, walked back from the last
    // step. Increments are kept apart from the identity throughout, so that a
    // slow circuit (e tiny) loses no precision.
    double reach[2] = {step.g[0], step.g[1]};
    for (int p = factor - 1; p >= 0; --p) {
        for (int i = 0; i < ReconstructionFilter::taps; ++i) {
            const double c = filter.coefficient(p, i);
            g_[static_cast<std::size_t>(i)][0] += reach[0] * c;
            g_[static_cast<std::size_t>(i)][1] += reach[1] * c;
        }
        double more[2];
        apply(step.e, reach, more);
        reach[0] += more[0];
        reach[1] += more[1];
    }
    // (I + e)^factor - I by squaring: (I + E)^2 - I = 2 E + E E.
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            e_[r][c] = step.e[r][c];
    for (int n = 1; n < factor; n *= 2) {
        double squared[2][2];
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                squared[r][c] = e_[r][0] * e_[0][c] + e_[r][1] * e_[1][c];
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                e_[r][c] = 2 * e_[r][c] + squared[r][c];
    }
}

double FoldedCircuit::advance(const ReconstructionFilter& dac, double scale, double u0) {
    const double current = step_.c[0] * x_[0] + step_.c[1] * x_[1] + step_.d * u0;
    if (memoryless_) return current;
    double change[2];
    apply(e_, x_, change);
    if (!dac.silent()) {
        // Four running sums per state, so that the additions do not wait on
        // each other: one chain of `taps` dependent additions is what limits
        // the loop otherwise.
        const double* w = dac.window();
        static_assert(ReconstructionFilter::taps % 4 == 0);
        double a0 = 0, a1 = 0, a2 = 0, a3 = 0, b0 = 0, b1 = 0, b2 = 0, b3 = 0;
        for (std::size_t i = 0; i < ReconstructionFilter::taps; i += 4) {
            a0 += g_[i][0] * w[i];
            b0 += g_[i][1] * w[i];
            a1 += g_[i + 1][0] * w[i + 1];
            b1 += g_[i + 1][1] * w[i + 1];
            a2 += g_[i + 2][0] * w[i + 2];
            b2 += g_[i + 2][1] * w[i + 2];
            a3 += g_[i + 3][0] * w[i + 3];
            b3 += g_[i + 3][1] * w[i + 3];
        }
        change[0] += scale * ((a0 + a1) + (a2 + a3));
        change[1] += scale * ((b0 + b1) + (b2 + b3));
    }
    x_[0] += change[0];
    x_[1] += change[1];
    return current;
}

} // namespace platform::bench
