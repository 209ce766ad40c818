// The fit of a measured response: the uncertainties it takes of the points,
// the model's curve, and the comment lines of the saved table.

#include "measure/ResponseFit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

TEST(ResponseFit, ThePointsOwnUncertaintiesAboveTheFloors) {
    const struct {
        measure::ResponsePoint point;
        bool valid;
        double impedanceSigma, phaseSigma;
    } cases[] = {
        // Stated 2.5 ohm and 0.25 degrees: 1 ohm and 0.1 degree standard.
        // Floors: 0.001 mA in 0.5 mA (0.2 %), 0.01 mV in 100 mV (0.01 %) and
        // 0.05 %, together 0.2064 %: 0.4128 ohm of 200, 0.11826 degrees.
        // sqrt(1 + 0.4128^2) = 1.0819, sqrt(0.1^2 + 0.11826^2) = 0.15487.
        {{300, 0.5, 100, true, 200, 60, 2.5, 0.25}, true, 1.0819, 0.15487},
        // A noise-free 10 mA through 10 ohm: only the floors, 0.01 %, 0.01 %
        // and 0.05 %: 0.05196 %, 0.005196 ohm and 0.029772 degrees.
        {{159, 10, 100, true, 10, -2, 0, 0}, true, 0.005196, 0.029772},
        // The current was too small to divide by.
        {{20, 0.0004, 100, false, 0, 0}, false, 0, 0},
        // A channel was clipped.
        {{20, 5, 1000, true, 200, 0, 1, 0.1, true}, false, 0, 0},
    };
    std::vector<measure::ResponsePoint> points;
    for (const auto& c : cases)
        points.push_back(c.point);
    const auto fitPoints = measure::responseFitPoints(points);
    ASSERT_EQ(fitPoints.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(fitPoints[i].valid, cases[i].valid) << i;
        if (!cases[i].valid) continue;
        EXPECT_NEAR(fitPoints[i].impedanceSigma, cases[i].impedanceSigma,
                    0.001 * cases[i].impedanceSigma)
            << i;
        EXPECT_NEAR(fitPoints[i].phaseSigmaDegrees, cases[i].phaseSigma,
                    0.001 * cases[i].phaseSigma)
            << i;
    }
}

TEST(ResponseFit, CurveAndCommentsOnlyForAFitThatHolds) {
    // R 10 ohm, C 100 uF read exactly from 20 Hz to 2 kHz, 100 mV across.
    std::vector<measure::ResponsePoint> points;
    for (double f : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0}) {
        const double x = -1 / (2 * std::numbers::pi * f * 100e-6);
        const double z = std::hypot(10.0, x);
        points.push_back({f, 100 / z, 100, true, z, std::atan2(x, 10.0) * 180 / std::numbers::pi});
    }
    const auto fit = measure::fitResponse(points);
    ASSERT_EQ(fit.verdict, measure::FitVerdict::fitted);
    const auto curve = measure::modelCurve(fit, 10, 10000, 4);
    ASSERT_EQ(curve.size(), 4u);
    // 10 Hz to 10 kHz in three decades; at 10 Hz X = -159.15 ohm.
    EXPECT_NEAR(curve[0].frequency, 10, 1e-9);
    EXPECT_NEAR(curve[1].frequency, 100, 1e-9);
    EXPECT_NEAR(curve[0].impedance, 159.47, 0.2);
    EXPECT_NEAR(curve[0].phaseDegrees, -86.40, 0.05);
    EXPECT_NEAR(curve[3].impedance, 10.0, 0.01);
    const std::string comments = measure::fitComments(fit);
    EXPECT_EQ(comments.rfind("# nejistoty bodů: vlastní", 0), 0u) << comments;
    EXPECT_NE(comments.find("\n# model R-C\n# R = "), std::string::npos) << comments;
    EXPECT_NE(comments.find(" µF\n"), std::string::npos) << comments;

    points.resize(3);
    const auto few = measure::fitResponse(points);
    EXPECT_TRUE(measure::modelCurve(few, 10, 10000, 4).empty());
    EXPECT_NE(
        measure::fitComments(few).find("\n# model: nelze rozhodnout, méně než 4 platné body\n"),
        std::string::npos);
}

} // namespace
