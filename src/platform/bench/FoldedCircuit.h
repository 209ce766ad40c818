#pragma once
// A linear circuit driven by the line output's reconstruction filter, in one
// update per sample period. The circuit is stepped over each of the
// filter's `factor` values of a period in turn (CircuitSimulation's exact
// step); since both the filter and the steps are linear, the period's whole
// walk is folded once into the state's change over a period and a weight
// pair per filter tap: x[n+1] = x[n] + E x[n] + scale * sum_i G_i w_i, with
// w the filter's window after sample n. That is some 3 x taps multiply-adds
// a sample instead of factor x taps and factor steps, for the same values.

#include "platform/bench/Circuit.h"
#include "platform/bench/ReconstructionFilter.h"

#include <array>

namespace platform::bench {

class FoldedCircuit {
public:
    // `step`: the circuit's step over 1 / factor of a sample period.
    FoldedCircuit(const CircuitSimulation::LinearStep& step, const ReconstructionFilter& filter);

    // After a sample is pushed into `dac`: the mean current (mA) over the
    // period's first step, whose voltage is u0 = dac.value(0) * scale (mV);
    // then the circuit moves on by the whole period, the filter's output
    // scaled by `scale` (mV per unit).
    double advance(const ReconstructionFilter& dac, double scale, double u0);

private:
    CircuitSimulation::LinearStep step_;
    // A whole period: x' = x + e_ x + scale * sum_i g_[k][i] w_i for state k;
    // each state's weights in a row of their own, so that the sums run over
    // consecutive values like the window's.
    double e_[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
    std::array<std::array<double, ReconstructionFilter::taps>, 2> g_{};
    double x_[2] = {0.0, 0.0};
    bool memoryless_ = false;
};

} // namespace platform::bench
