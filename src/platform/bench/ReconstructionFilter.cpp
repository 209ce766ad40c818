#include "platform/bench/ReconstructionFilter.h"

#include <cmath>
#include <numbers>

namespace platform::bench {

namespace {

// Kaiser's shape parameter for about 70 dB of stop-band attenuation.
constexpr double kaiserBeta = 6.76;

// The modified Bessel function I0 by its power series.
double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
        if (term < 1e-17 * sum) break;
    }
    return sum;
}

} // namespace

ReconstructionFilter::ReconstructionFilter() {
    // The prototype at the raised rate, centred on tap taps * factor / 2: an
    // ideal low-pass at half the sample rate, sin(pi x) / (pi x) with x in
    // sample periods, under a Kaiser window that spans taps periods.
    constexpr int length = taps * factor;
    constexpr double centre = length / 2.0;
    const double norm = besselI0(kaiserBeta);
    auto prototype = [&](int k) {
        const double x = (k - centre) / factor;
        const double sinc = x == 0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        const double t = (k - centre) / centre;
        return sinc * besselI0(kaiserBeta * std::sqrt(std::max(0.0, 1 - t * t))) / norm;
    };
    for (int p = 0; p < factor; ++p) {
        double sum = 0;
        for (int i = 0; i < taps; ++i) {
            // The i-th oldest sample lies taps - 1 - i periods before the newest.
            const double c = prototype((taps - 1 - i) * factor + p);
            coefficients_[p][i] = c;
            sum += c;
        }
        for (double& c : coefficients_[p])
            c /= sum;
    }
    // At whole sample periods the sinc vanishes except at its centre; the
    // rounding of sin(pi x) leaves some 1e-17 there, which would only cost
    // time: phase 0 is the sample taps / 2 periods back, exactly.
    coefficients_[0].fill(0.0);
    coefficients_[0][taps / 2 - 1] = 1.0;
}

void ReconstructionFilter::push(double sample) {
    history_[position_] = sample;
    history_[position_ + taps] = sample;
    position_ = (position_ + 1) % taps;
    zeros_ = sample == 0 ? std::min(zeros_ + 1, taps) : 0;
}

double ReconstructionFilter::value(int p) const {
    if (p == 0) return window()[taps / 2 - 1];
    if (silent()) return 0.0;
    const double* samples = window();
    const auto& c = coefficients_[static_cast<std::size_t>(p)];
    double sum = 0;
    for (int i = 0; i < taps; ++i)
        sum += samples[i] * c[static_cast<std::size_t>(i)];
    return sum;
}

} // namespace platform::bench
