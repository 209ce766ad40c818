// The fit of the series models to a frequency response of 200 points (the
// most a response has): all four models, the choice, and the text of the
// result.

#include "measure/CircuitFit.h"

#include "Bench.h"
#include "measure/CircuitFitText.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

// R 10 ohm, L 100 mH, C 10 uF from 10 Hz to 20 kHz, with 0.2 % and 0.1
// degree of noise.
std::vector<measure::FitPoint> response(int count) {
    std::mt19937 random(11);
    std::normal_distribution<double> gauss(0, 1);
    std::vector<measure::FitPoint> points;
    for (int i = 0; i < count; ++i) {
        const double f = 10 * std::pow(2000.0, i / (count - 1.0));
        const double w = 2 * std::numbers::pi * f;
        const std::complex<double> z(10, w * 0.1 - 1 / (w * 10e-6));
        points.push_back({f, std::abs(z) * (1 + 0.002 * gauss(random)),
                          std::arg(z) * 180 / std::numbers::pi + 0.1 * gauss(random),
                          0.002 * std::abs(z), 0.1});
    }
    return points;
}

void BM_CircuitFit(benchmark::State& run) {
    const auto points = response(static_cast<int>(run.range(0)));
    for (auto _ : run) {
        const measure::CircuitFit fit = measure::fitSeriesCircuit(points);
        benchmark::DoNotOptimize(measure::circuitFitLines(fit, measure::Language::czech));
    }
}

} // namespace

BENCHMARK(BM_CircuitFit)->ArgName("points")->Arg(200)->Arg(31)->Apply(bench::repeated);
