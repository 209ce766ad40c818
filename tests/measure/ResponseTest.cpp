// Logarithmic points, the resonance of a series circuit, and the texts of
// the circuit quantities.

#include "measure/Response.h"

#include "measure/CircuitText.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

TEST(Response, LogarithmicPointsInWholeHertz) {
    EXPECT_EQ(measure::logarithmicPoints(100, 10000, 3), (std::vector<int>{100, 1000, 10000}));
    EXPECT_EQ(measure::logarithmicPoints(50, 500, 2), (std::vector<int>{50, 500}));
    EXPECT_EQ(measure::logarithmicPoints(70, 70, 1), (std::vector<int>{70}));
    const auto points = measure::logarithmicPoints(50, 500, 31);
    ASSERT_EQ(points.size(), 31u);
    EXPECT_EQ(points.front(), 50);
    EXPECT_EQ(points[15], 158); // 50 x sqrt(10)
    EXPECT_EQ(points.back(), 500);
    EXPECT_TRUE(measure::logarithmicPoints(0, 500, 5).empty());
}

// A series R, L, C circuit measured at the given frequencies.
std::vector<measure::ResponsePoint> seriesCircuit(double R, double L, double C,
                                                  const std::vector<int>& frequencies) {
    std::vector<measure::ResponsePoint> points;
    for (int f : frequencies) {
        const double w = 2 * std::numbers::pi * f;
        const std::complex<double> z(R, w * L - 1 / (w * C));
        points.push_back({static_cast<double>(f), 10, 10 * std::abs(z), std::abs(z),
                          std::arg(z) * 180 / std::numbers::pi});
    }
    return points;
}

TEST(Response, ResonanceWherePhaseCrossesZeroOrAtTheSmallestImpedance) {
    const double f0 = 1 / (2 * std::numbers::pi * std::sqrt(0.1 * 10e-6)); // 159.15 Hz
    const auto crossing = measure::findResonance(
        seriesCircuit(10, 0.1, 10e-6, measure::logarithmicPoints(50, 500, 31)));
    ASSERT_TRUE(crossing);
    EXPECT_TRUE(crossing->fromPhase);
    EXPECT_NEAR(crossing->frequency, f0, 0.01 * f0);

    // Phases that never cross (a circuit measured as if phase were unknown):
    // the smallest |Z| refined between its neighbours.
    auto points = seriesCircuit(10, 0.1, 10e-6, measure::logarithmicPoints(60, 400, 15));
    for (auto& p : points)
        p.phaseDegrees = 10;
    const auto extreme = measure::findResonance(points);
    ASSERT_TRUE(extreme);
    EXPECT_FALSE(extreme->fromPhase);
    EXPECT_NEAR(extreme->frequency, f0, 0.05 * f0);
    EXPECT_FALSE(measure::findResonance({}));
}

TEST(Response, CsvHasAHeaderAndOneLinePerPoint) {
    const std::string csv = measure::responseCsv({{158, 5.25, 52.5, 10.0, -0.5}});
    EXPECT_EQ(csv, "f [Hz],IL [mA],UR [mV],|Z| [Ω],φ [°]\n158.0,5.2500,52.500,10.0000,-0.50\n");
}

TEST(CircuitText, UnitsThatReadBest) {
    EXPECT_EQ(measure::impedanceText(18.8), "18.80 Ω");
    EXPECT_EQ(measure::impedanceText(0.85), "850.0 mΩ");
    EXPECT_EQ(measure::impedanceText(63.62), "63.62 Ω");
    EXPECT_EQ(measure::impedanceText(1592.3), "1592 Ω");
    EXPECT_EQ(measure::impedanceText(15000), "15.00 kΩ");
    EXPECT_EQ(measure::phaseText(-57.86), "-57.9°");
    EXPECT_EQ(measure::phaseText(-0.02), "0.0°");
    EXPECT_EQ(measure::powerText(2.345), "2.345 mW");
    EXPECT_EQ(measure::powerText(0.317), "317.0 µW");

    measure::CircuitReading reading;
    EXPECT_EQ(measure::circuitLine(reading), "|Z|, φ: žádný periodický signál");
    reading.valid = true;
    reading.currentTooSmall = true;
    EXPECT_EQ(measure::circuitLine(reading), "|Z|, φ: proud je příliš malý");
    reading.currentTooSmall = false;
    reading.impedance = 18.8;
    reading.phaseDegrees = -57.9;
    reading.power = 0.2;
    EXPECT_EQ(measure::circuitLine(reading), "|Z| = 18.80 Ω   φ = -57.9°   P = 200.0 µW");
}

} // namespace
