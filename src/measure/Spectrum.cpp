#include "measure/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <kiss_fftr.h>
#include <numbers>

namespace measure {

namespace {

constexpr double framesPerSecond = 44100;
constexpr int smallestBlock = 64;

// The five-term flat-top window (the coefficients of the common "flattop"
// design: highest side lobe about -93 dB, amplitude within 0.01 dB between
// bins), in its periodic form so that its mean is exactly a0.
constexpr double a0 = 0.21557895, a1 = 0.41663158, a2 = 0.277263158, a3 = 0.083578947,
                 a4 = 0.006947368;

} // namespace

struct SpectrumAnalyser::Plan {
    int frames = 0;
    kiss_fftr_cfg cfg = nullptr;
    // The window, already scaled so that a sine of amplitude A gives |X| = A.
    std::vector<float> window;
    std::vector<float> input;
    std::vector<kiss_fft_cpx> output;

    explicit Plan(int n) : frames(n), cfg(kiss_fftr_alloc(n, 0, nullptr, nullptr)) {
        window.resize(static_cast<std::size_t>(n));
        const double scale = 2.0 / (n * a0);
        for (int k = 0; k < n; ++k) {
            const double x = 2 * std::numbers::pi * k / n;
            window[static_cast<std::size_t>(k)] =
                static_cast<float>(scale * (a0 - a1 * std::cos(x) + a2 * std::cos(2 * x) -
                                            a3 * std::cos(3 * x) + a4 * std::cos(4 * x)));
        }
        input.resize(static_cast<std::size_t>(n));
        output.resize(static_cast<std::size_t>(n / 2 + 1));
    }
    ~Plan() { kiss_fftr_free(cfg); }
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    void transform(const std::int32_t* x, std::vector<float>& amplitudes) {
        for (std::size_t k = 0; k < input.size(); ++k)
            input[k] = static_cast<float>(x[2 * k]) * window[k];
        kiss_fftr(cfg, input.data(), output.data());
        amplitudes.resize(output.size());
        for (std::size_t k = 0; k < output.size(); ++k)
            amplitudes[k] = std::sqrt(output[k].r * output[k].r + output[k].i * output[k].i);
        // The DC bin carries the mean once, not twice as a pair of lines does.
        amplitudes[0] /= 2;
        if (!amplitudes.empty() && input.size() % 2 == 0) amplitudes.back() /= 2;
    }
};

SpectrumAnalyser::SpectrumAnalyser() = default;
SpectrumAnalyser::~SpectrumAnalyser() = default;

void SpectrumAnalyser::analyse(const SharedState::SampleArray& raw, std::int32_t sampleCount,
                               BlockSpectra& out) {
    const int frames = std::clamp<std::int32_t>(sampleCount, 0, sampleCapacity) / 2 / 2 * 2;
    if (frames < smallestBlock) {
        out.frames = 0;
        out.binWidth = 0;
        out.current.clear();
        out.voltage.clear();
        return;
    }
    if (!plan_ || plan_->frames != frames) plan_ = std::make_unique<Plan>(frames);
    out.frames = frames;
    out.binWidth = framesPerSecond / frames;
    plan_->transform(raw.data() + 1, out.current);
    plan_->transform(raw.data(), out.voltage);
}

} // namespace measure
