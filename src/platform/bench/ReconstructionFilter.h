#pragma once
// The reconstruction filter of the bench's line output. A real card's DAC
// does not put out a staircase: its output is band-limited to below half the
// sample rate, so the circuit sees a smooth sine even at 20 kHz. This filter
// gives that output as values at `factor` points per sample period: a
// polyphase windowed-sinc interpolator (cut-off at half the sample rate,
// Kaiser window, `taps` samples per value), whose images of a tone up to
// 20 kHz lie some 70 dB down.
//
// The values lag the samples by taps / 2 sample periods: value 0 after the
// sample n is pushed is sample n - taps / 2 itself, exactly (the filter
// passes the samples through unchanged), value p lies p / factor of a period
// later.
// Each phase's coefficients sum to 1, so a constant stays exactly constant.

#include <array>
#include <cstddef>

namespace platform::bench {

class ReconstructionFilter {
public:
    static constexpr int factor = 16; // values per sample period
    static constexpr int taps = 48;   // samples that contribute to one value

    ReconstructionFilter();

    // The next sample of the line output.
    void push(double sample);

    // The output at p / factor of a sample period (0 <= p < factor) after the
    // sample taps / 2 periods back.
    double value(int p) const;

    // The samples that are being pushed are all 0 and the output has settled
    // to 0.
    bool silent() const { return zeros_ >= taps; }

    // The weight of the i-th oldest of the last `taps` samples in value(p).
    double coefficient(int p, int i) const {
        return coefficients_[static_cast<std::size_t>(p)][static_cast<std::size_t>(i)];
    }
    // The last `taps` samples pushed, oldest first.
    const double* window() const { return history_.data() + position_; }

private:
    // coefficients_[p][i] weighs the i-th oldest of the last `taps` samples.
    std::array<std::array<double, taps>, factor> coefficients_{};
    // The last `taps` samples, oldest first, at history_[position_ ..]; kept
    // twice so that the window is contiguous.
    std::array<double, 2 * taps> history_{};
    std::size_t position_ = 0;
    int zeros_ = taps; // consecutive zero samples pushed (capped)
};

} // namespace platform::bench
