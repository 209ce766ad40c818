// Values with their uncertainties, and the report of a fitted circuit, in
// hand-worked cases.

#include "measure/CircuitFitText.h"

#include "measure/UncertainValueText.h"

#include <gtest/gtest.h>

namespace {

TEST(UncertainValueText, DigitsFollowTheUncertainty) {
    const struct {
        double value, sigma;
        const char* unit;
        const char* text;
    } cases[] = {
        {10.0213, 0.0312, "Ω", "10.02 ± 0.03 Ω"},
        {0.09961, 0.00042, "H", "99.6 ± 0.4 mH"},
        {10.05e-6, 0.043e-6, "F", "10.05 ± 0.04 µF"},
        // A leading 1 keeps two digits of the uncertainty.
        {1523.7, 14.2, "Ω", "1.524 ± 0.014 kΩ"},
        {159.154, 0.12, "Hz", "159.15 ± 0.12 Hz"},
        // 0.0096 rounds up to 0.010: two digits after the rounding.
        {2.3456, 0.0096, "Ω", "2.346 ± 0.010 Ω"},
        // An uncertainty above the value's last place keeps whole units.
        {523.4, 40.2, "mH", "523 ± 40 mH"},
        {47e-9, 0.6e-9, "F", "47.0 ± 0.6 nF"},
        {-0.5, 0.8, "Ω", "-500 ± 800 mΩ"},
        {0.999999, 0.2, "H", "1.0 ± 0.2 H"},
        // Without an uncertainty: four significant digits.
        {0.01234, 0, "F", "12.34 mF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(measure::uncertainValueText(c.value, c.sigma, c.unit), c.text) << c.text;
}

TEST(CircuitFitText, ModelValuesAndResonanceInBothLanguages) {
    measure::CircuitFit fit;
    fit.verdict = measure::FitVerdict::fitted;
    fit.chosen = measure::SeriesModel::rlc;
    measure::ModelFit& rlc = fit.fits[3];
    rlc.model = measure::SeriesModel::rlc;
    rlc.solved = true;
    // R 10.0213 ± 0.0312 ohm, L 99.61 ± 0.42 mH, C 10.05 ± 0.043 uF
    // (1/C carries sigma_C / C^2), uncorrelated.
    const double elastance = 1 / 10.05e-6;
    rlc.values = {10.0213, 0.09961, elastance};
    rlc.covariance[0][0] = 0.0312 * 0.0312;
    rlc.covariance[1][1] = 0.00042 * 0.00042;
    const double elastanceSigma = 0.043e-6 * elastance * elastance;
    rlc.covariance[2][2] = elastanceSigma * elastanceSigma;
    // f0 = 1 / (2 pi sqrt(0.09961 x 10.05e-6)) = 159.069 Hz; its relative
    // uncertainty half the root sum of squares of 0.42 / 99.61 and
    // 0.043 / 10.05: 0.0030, 0.48 Hz.
    EXPECT_EQ(measure::circuitFitSummary(fit, measure::Language::czech),
              "model R-L-C: R = 10.02 ± 0.03 Ω, L = 99.6 ± 0.4 mH, C = 10.05 ± 0.04 µF, "
              "f₀ = 159.1 ± 0.5 Hz");
    EXPECT_EQ(measure::circuitFitLines(fit, measure::Language::english),
              (std::vector<std::string>{"model R-L-C", "R = 10.02 ± 0.03 Ω", "L = 99.6 ± 0.4 mH",
                                        "C = 10.05 ± 0.04 µF", "f0 = 159.1 ± 0.5 Hz"}));
}

TEST(CircuitFitText, ReasonsInEnglish) {
    measure::CircuitFit fit;
    const struct {
        measure::FitVerdict verdict;
        std::optional<measure::SeriesModel> chosen;
        measure::Component unresolved;
        const char* text;
    } cases[] = {
        {measure::FitVerdict::tooFewPoints, std::nullopt, measure::Component::resistance,
         "model: cannot decide, fewer than 4 valid points"},
        {measure::FitVerdict::noModelFits, std::nullopt, measure::Component::resistance,
         "model: cannot decide, no series model (R, R-C, R-L, R-L-C) fits the points within "
         "their uncertainties"},
        {measure::FitVerdict::oneSideOfResonance, measure::SeriesModel::rlc,
         measure::Component::resistance,
         "model R-L-C: cannot decide, all points lie on one side of the resonance"},
        {measure::FitVerdict::valueNotResolved, measure::SeriesModel::rc,
         measure::Component::elastance,
         "model R-C: cannot decide, the value of C is not larger than its uncertainty"},
    };
    for (const auto& c : cases) {
        fit.verdict = c.verdict;
        fit.chosen = c.chosen;
        fit.unresolved = c.unresolved;
        EXPECT_EQ(measure::circuitFitSummary(fit, measure::Language::english), c.text);
    }
}

} // namespace
