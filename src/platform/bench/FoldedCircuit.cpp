#include "platform/bench/FoldedCircuit.h"

#include "core/Lanes.h"

namespace platform::bench {

namespace {

using Matrix = double[2][2];

// y = m v
void apply(const Matrix m, const double v[2], double y[2]) {
    y[0] = m[0][0] * v[0] + m[0][1] * v[1];
    y[1] = m[1][0] * v[0] + m[1][1] * v[1];
}

using Pair = lanes::Doubles2;

Pair pairAt(const double* values) {
    return lanes::load<Pair>(values);
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
            g_[0][static_cast<std::size_t>(i)] += reach[0] * c;
            g_[1][static_cast<std::size_t>(i)] += reach[1] * c;
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
        // Four running sums per state, lane k summing the taps i = k mod 4,
        // so that the additions do not wait on each other (one chain of
        // `taps` dependent additions is what limits the loop otherwise) and
        // run as vector operations on consecutive weights and samples.
        const double* w = dac.window();
        static_assert(ReconstructionFilter::taps % 4 == 0);
        Pair a01{}, a23{}, b01{}, b23{};
        for (std::size_t i = 0; i < ReconstructionFilter::taps; i += 4) {
            const Pair w01 = pairAt(w + i), w23 = pairAt(w + i + 2);
            a01 += pairAt(g_[0].data() + i) * w01;
            a23 += pairAt(g_[0].data() + i + 2) * w23;
            b01 += pairAt(g_[1].data() + i) * w01;
            b23 += pairAt(g_[1].data() + i + 2) * w23;
        }
        change[0] += scale * ((a01[0] + a01[1]) + (a23[0] + a23[1]));
        change[1] += scale * ((b01[0] + b01[1]) + (b23[0] + b23[1]));
    }
    x_[0] += change[0];
    x_[1] += change[1];
    return current;
}

} // namespace platform::bench
