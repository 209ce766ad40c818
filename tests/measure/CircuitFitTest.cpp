// Component values of series circuits from noisy impedance points computed
// from circuit theory: the model chosen, the values, and whether their
// stated uncertainties cover the errors.

#include "measure/CircuitFit.h"

#include "measure/ChiSquare.h"
#include "measure/CircuitFitText.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace {

using measure::Component;
using measure::FitPoint;
using measure::FitVerdict;
using measure::SeriesModel;

using std::numbers::pi;
constexpr double noCapacitor = 0; // a short in place of C
constexpr double noCoil = 0;

struct Circuit {
    const char* name;
    SeriesModel model;
    double R, L, C; // ohm, henry, farad; L = 0 and C = 0 where there is none
};

std::complex<double> seriesImpedance(const Circuit& c, double f) {
    const double w = 2 * pi * f;
    const double reactance = w * c.L - (c.C > 0 ? 1 / (w * c.C) : 0);
    return {c.R, reactance};
}

// Points from fLow to fHigh (logarithmic), |Z| and φ each with Gaussian
// noise of the stated relative σ of |Z| and σ of φ in degrees (times
// `noise`; 0 gives the exact values with the stated uncertainties).
std::vector<FitPoint> measured(const Circuit& c, double fLow, double fHigh, int count,
                               double relativeSigma, double phaseSigma, unsigned seed,
                               double noise = 1) {
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0, 1);
    std::vector<FitPoint> points;
    for (int i = 0; i < count; ++i) {
        const double f = fLow * std::pow(fHigh / fLow, i / (count - 1.0));
        const std::complex<double> z = seriesImpedance(c, f);
        FitPoint p;
        p.frequency = f;
        p.impedance = std::abs(z) * (1 + noise * relativeSigma * gauss(random));
        p.phaseDegrees = std::arg(z) * 180 / pi + noise * phaseSigma * gauss(random);
        p.impedanceSigma = relativeSigma * std::abs(z);
        p.phaseSigmaDegrees = phaseSigma;
        points.push_back(p);
    }
    return points;
}

struct Sweep {
    Circuit circuit;
    double fLow, fHigh;
    int count;
};

// Circuits across three decades of components; the R-L-C ones with Q from
// 0.5 to 30 (Q = sqrt(L/C) / R) and the resonance f0 = 1 / (2π sqrt(LC))
// inside the sweep.
const Sweep sweeps[] = {
    {{"R 47", SeriesModel::r, 47, noCoil, noCapacitor}, 20, 20000, 21},
    {{"R 3.3k", SeriesModel::r, 3300, noCoil, noCapacitor}, 50, 5000, 11},
    {{"RC 10 100u", SeriesModel::rc, 10, noCoil, 100e-6}, 20, 2000, 21},      // fc 159 Hz
    {{"RC 1k 100n", SeriesModel::rc, 1000, noCoil, 100e-9}, 200, 20000, 31},  // fc 1.59 kHz
    {{"RL 10 100m", SeriesModel::rl, 10, 0.1, noCapacitor}, 10, 1000, 21},    // 15.9 Hz
    {{"RL 2.2 1m", SeriesModel::rl, 2.2, 1e-3, noCapacitor}, 100, 10000, 15}, // 350 Hz
    {{"RLC Q10", SeriesModel::rlc, 10, 0.1, 10e-6}, 50, 500, 31},             // f0 159 Hz
    {{"RLC Q0.5", SeriesModel::rlc, 63.2, 10e-3, 10e-6}, 50, 5000, 21},       // 503 Hz
    {{"RLC Q30", SeriesModel::rlc, 1, 9e-3, 10e-6}, 300, 900, 31},            // 531 Hz
    {{"RLC Q3.2 1H", SeriesModel::rlc, 1000, 1, 100e-9}, 100, 2500, 25},      // 503 Hz
};

double trueValue(const Circuit& c, Component component) {
    switch (component) {
    case Component::resistance:
        return c.R;
    case Component::inductance:
        return c.L;
    case Component::elastance:
        return c.C > 0 ? 1 / c.C : 0;
    }
    return 0;
}

constexpr Component components[] = {Component::resistance, Component::inductance,
                                    Component::elastance};

TEST(CircuitFit, ChoosesTheTrueModelWithValuesWhoseUncertaintiesCoverTheErrors) {
    constexpr int seeds = 10;
    double squaredNormalisedErrors = 0;
    int values = 0;
    for (const Sweep& s : sweeps) {
        SCOPED_TRACE(s.circuit.name);
        const double f0 = s.circuit.L > 0 && s.circuit.C > 0
                              ? 1 / (2 * pi * std::sqrt(s.circuit.L * s.circuit.C))
                              : 0;
        const bool spansResonance = f0 > s.fLow && f0 < s.fHigh;
        const double tolerance = spansResonance ? 0.005 : 0.01;
        int covered[3] = {0, 0, 0};
        for (int seed = 1; seed <= seeds; ++seed) {
            const auto fit = measure::fitSeriesCircuit(
                measured(s.circuit, s.fLow, s.fHigh, s.count, 0.002, 0.1, seed));
            ASSERT_EQ(fit.verdict, FitVerdict::fitted)
                << "seed " << seed << ": "
                << measure::circuitFitSummary(fit, measure::Language::english);
            ASSERT_EQ(*fit.chosen, s.circuit.model) << "seed " << seed;
            const measure::ModelFit& chosen = *fit.chosenFit();
            for (Component c : components) {
                if (!measure::hasComponent(s.circuit.model, c)) {
                    EXPECT_EQ(chosen.value(c), 0);
                    continue;
                }
                const double truth = trueValue(s.circuit, c);
                const double error = chosen.value(c) - truth;
                EXPECT_LT(std::abs(error), tolerance * truth)
                    << "seed " << seed << " value " << static_cast<int>(c);
                // Three standard uncertainties cover 99.7 % of the errors;
                // that they are not inflated is checked below.
                if (std::abs(error) <= 3 * chosen.sigma(c)) ++covered[static_cast<int>(c)];
                squaredNormalisedErrors += std::pow(error / chosen.sigma(c), 2);
                ++values;
            }
            if (spansResonance) {
                ASSERT_TRUE(chosen.resonance());
                EXPECT_NEAR(*chosen.resonance(), f0, 0.005 * f0);
            }
        }
        for (Component c : components) {
            if (measure::hasComponent(s.circuit.model, c)) {
                EXPECT_GE(covered[static_cast<int>(c)], 9) << "value " << static_cast<int>(c);
            }
        }
    }
    // Uncertainties neither too small nor inflated: the errors in units of
    // their stated uncertainties have an RMS near 1 (about 200 of them).
    const double rms = std::sqrt(squaredNormalisedErrors / values);
    EXPECT_GT(rms, 0.7);
    EXPECT_LT(rms, 1.3);
}

TEST(CircuitFit, UncertaintiesGrowWithTheNoiseOfThePoints) {
    const Sweep& s = sweeps[6]; // R-L-C, Q 10
    const auto quiet =
        measure::fitSeriesCircuit(measured(s.circuit, s.fLow, s.fHigh, s.count, 0.001, 0.05, 3));
    const auto noisy =
        measure::fitSeriesCircuit(measured(s.circuit, s.fLow, s.fHigh, s.count, 0.005, 0.25, 3));
    ASSERT_EQ(quiet.verdict, FitVerdict::fitted);
    ASSERT_EQ(noisy.verdict, FitVerdict::fitted);
    // Five times the noise on every point: five times the uncertainty of
    // every value (a least-squares uncertainty is linear in the points').
    for (Component c : components) {
        const double ratio =
            noisy.fit(SeriesModel::rlc).sigma(c) / quiet.fit(SeriesModel::rlc).sigma(c);
        EXPECT_NEAR(ratio, 5, 0.5) << static_cast<int>(c);
    }
}

TEST(CircuitFit, TheUncertaintiesOfMagnitudeAndPhaseEachTakeTheirShare) {
    // One much larger than the other (1 % of |Z| is 0.57 degrees): the
    // errors in units of the stated uncertainties still have an RMS near 1.
    const struct { double relativeSigma, phaseSigma; } cases[] = {{0.001, 1.0}, {0.01, 0.05}};
    const Sweep& s = sweeps[6]; // R-L-C, Q 10
    for (const auto& c : cases) {
        double squares = 0;
        int values = 0;
        for (unsigned seed = 1; seed <= 20; ++seed) {
            const auto fit = measure::fitSeriesCircuit(
                measured(s.circuit, s.fLow, s.fHigh, s.count, c.relativeSigma, c.phaseSigma, seed));
            const measure::ModelFit& rlc = fit.fit(SeriesModel::rlc);
            for (Component v : components) {
                squares += std::pow((rlc.value(v) - trueValue(s.circuit, v)) / rlc.sigma(v), 2);
                ++values;
            }
        }
        const double rms = std::sqrt(squares / values);
        EXPECT_GT(rms, 0.6) << c.relativeSigma << " " << c.phaseSigma;
        EXPECT_LT(rms, 1.4) << c.relativeSigma << " " << c.phaseSigma;
    }
}

TEST(CircuitFit, TheImpedanceScaleWidensTheValuesButNotTheResonance) {
    const Sweep& s = sweeps[6]; // R-L-C, Q 10, exact points known to 1 in 10^5
    const auto points = measured(s.circuit, s.fLow, s.fHigh, s.count, 1e-5, 1e-5, 1, 0);
    const auto exact = measure::fitSeriesCircuit(points);
    const auto scaled = measure::fitSeriesCircuit(points, 0.01);
    ASSERT_EQ(scaled.verdict, FitVerdict::fitted);
    const measure::ModelFit& rlc = scaled.fit(SeriesModel::rlc);
    // A 1 % scale: 1 % of R, of L and of 1/C, and so of C.
    EXPECT_NEAR(rlc.sigma(Component::resistance), 0.1, 0.001);
    EXPECT_NEAR(rlc.sigma(Component::inductance), 0.001, 0.00001);
    EXPECT_NEAR(rlc.capacitanceSigma(), 0.1e-6, 0.001e-6);
    // f0 depends on L / C alone: the scale leaves it as sharp as before.
    EXPECT_NEAR(rlc.resonanceSigma(), exact.fit(SeriesModel::rlc).resonanceSigma(), 1e-6);
    EXPECT_LT(rlc.resonanceSigma(), 0.01);
}

TEST(CircuitFit, APureRcReportsNoInductance) {
    const Circuit rc{"RC", SeriesModel::rc, 22, noCoil, 47e-6}; // fc 154 Hz
    for (unsigned seed : {1u, 2u, 3u}) {
        const auto fit = measure::fitSeriesCircuit(measured(rc, 30, 3000, 21, 0.003, 0.2, seed));
        ASSERT_EQ(fit.verdict, FitVerdict::fitted);
        EXPECT_EQ(*fit.chosen, SeriesModel::rc);
        // The R-L-C fit of the same points finds no inductance beyond its
        // uncertainty, and the report names none.
        const measure::ModelFit& rlc = fit.fit(SeriesModel::rlc);
        EXPECT_LT(std::abs(rlc.inductance()), 3.5 * rlc.sigma(Component::inductance));
        const std::string text = measure::circuitFitSummary(fit, measure::Language::czech);
        EXPECT_EQ(text.find("L ="), std::string::npos) << text;
        EXPECT_EQ(text.rfind("model R-C: R = ", 0), 0u) << text;
        EXPECT_NE(text.find(" µF"), std::string::npos) << text;
    }
}

TEST(CircuitFit, IgnoresPointsThatAreNotValidOrNotSettledAndWeighsByUncertainty) {
    const Sweep& s = sweeps[6];
    auto points = measured(s.circuit, s.fLow, s.fHigh, s.count, 0.002, 0.1, 5);
    // Wrong readings the fit must not use or must weigh down.
    points[3].impedance *= 3;
    points[3].settled = false;
    points[10].impedance = 0.5;
    points[10].valid = false;
    points[20].impedance *= 1.5;
    points[20].impedanceSigma *= 1000;
    points[20].phaseSigmaDegrees *= 1000;
    const auto fit = measure::fitSeriesCircuit(points);
    ASSERT_EQ(fit.verdict, FitVerdict::fitted);
    EXPECT_EQ(fit.points, s.count - 2);
    const measure::ModelFit& rlc = *fit.chosenFit();
    EXPECT_NEAR(rlc.resistance(), 10, 0.05);
    EXPECT_NEAR(rlc.inductance(), 0.1, 0.0005);
    EXPECT_NEAR(rlc.capacitance(), 10e-6, 0.05e-6);
}

TEST(CircuitFit, SaysWhyThePointsCannotDecide) {
    const Sweep& rlc = sweeps[6]; // 10 ohm, 100 mH, 10 uF: f0 159 Hz
    // Beside a reactance of 125 ohm and more, a phase known to 0.5 degrees
    // leaves R uncertain by about 1 ohm.
    const Circuit tinyR{"RL 0.05", SeriesModel::rl, 0.05, 0.1, noCapacitor};
    auto twoUnsettled = measured(rlc.circuit, 50, 500, 5, 0.002, 0.1, 1);
    twoUnsettled[1].settled = false;
    twoUnsettled[2].valid = false;
    // R 100 ohm parallel to 10 uF: no series model has a real part that
    // falls with frequency.
    std::vector<FitPoint> parallel;
    for (int i = 0; i < 21; ++i) {
        const double f = 20 * std::pow(100.0, i / 20.0);
        const std::complex<double> z = 100.0 / std::complex<double>(1, 2 * pi * f * 100 * 10e-6);
        parallel.push_back({f, std::abs(z), std::arg(z) * 180 / pi, 0.002 * std::abs(z), 0.1});
    }
    const struct {
        const char* name;
        std::vector<FitPoint> points;
        FitVerdict verdict;
        std::string text;
    } cases[] = {
        {"three points", measured(rlc.circuit, 50, 500, 3, 0.002, 0.1, 1), FitVerdict::tooFewPoints,
         "model: nelze rozhodnout, méně než 4 platné body"},
        {"five points, two unusable", twoUnsettled, FitVerdict::tooFewPoints,
         "model: nelze rozhodnout, méně než 4 platné body"},
        {"below the resonance", measured(rlc.circuit, 40, 110, 15, 0.002, 0.1, 1),
         FitVerdict::oneSideOfResonance,
         "model R-L-C: nelze rozhodnout, všechny body leží na jedné straně rezonance"},
        {"above the resonance", measured(rlc.circuit, 250, 2500, 15, 0.002, 0.1, 1),
         FitVerdict::oneSideOfResonance,
         "model R-L-C: nelze rozhodnout, všechny body leží na jedné straně rezonance"},
        {"resistance lost beside the coil", measured(tinyR, 200, 20000, 21, 0.002, 0.5, 1, 0),
         FitVerdict::valueNotResolved,
         "model R-L: nelze rozhodnout, hodnota R není větší než její nejistota"},
        {"parallel R and C", parallel, FitVerdict::noModelFits,
         "model: nelze rozhodnout, žádný sériový model (R, R-C, R-L, R-L-C) neodpovídá bodům v "
         "mezích jejich nejistot"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fit = measure::fitSeriesCircuit(c.points);
        EXPECT_EQ(fit.verdict, c.verdict);
        EXPECT_EQ(measure::circuitFitSummary(fit, measure::Language::czech), c.text);
        // Never a value beside the reason.
        EXPECT_EQ(measure::circuitFitLines(fit, measure::Language::english).size(), 1u);
    }
}

TEST(CircuitFit, ModelResponseOfASeriesCircuit) {
    measure::ModelFit fit;
    fit.model = SeriesModel::rlc;
    fit.values = {10, 0.1, 1 / 10e-6}; // sqrt(L/C) = 100 ohm
    const double f0 = 1 / (2 * pi * std::sqrt(0.1 * 10e-6));
    const struct {
        double f, impedance, phase;
    } cases[] = {
        {f0, 10, 0},
        // At 2 f0 the reactance is 2 x 100 - 100 / 2 = 150 ohm.
        {2 * f0, 150.33296, 86.18593},
        // At f0 / 2 it is 100 / 2 - 2 x 100 = -150 ohm.
        {f0 / 2, 150.33296, -86.18593},
    };
    for (const auto& c : cases) {
        const auto z = measure::modelResponse(fit, c.f);
        EXPECT_NEAR(z.impedance, c.impedance, 1e-4);
        EXPECT_NEAR(z.phaseDegrees, c.phase, 1e-4);
    }
}

TEST(ChiSquare, ProbabilitiesAtTheQuantilesOfTheTables) {
    // Critical values of the chi-square distribution as printed in tables:
    // a chi-square with k degrees of freedom stays below them with
    // probability p.
    const struct {
        double p;
        int k;
        double quantile;
    } cases[] = {{0.95, 1, 3.841},    {0.99, 2, 9.210},   {0.5, 2, 1.386},       {0.999, 5, 20.515},
                 {0.999, 10, 29.588}, {0.95, 30, 43.773}, {0.999, 100, 149.449}, {0.05, 10, 3.940}};
    for (const auto& c : cases)
        EXPECT_NEAR(measure::chiSquareProbability(c.quantile, c.k), c.p, 1e-4) << c.p << " " << c.k;
    // With two degrees of freedom P = 1 - exp(-x / 2).
    EXPECT_NEAR(measure::chiSquareProbability(2, 2), 1 - std::exp(-1.0), 1e-12);
    EXPECT_NEAR(measure::chiSquareProbability(30, 2), 1 - std::exp(-15.0), 1e-12);
    EXPECT_EQ(measure::chiSquareProbability(0, 4), 0);
}

} // namespace
