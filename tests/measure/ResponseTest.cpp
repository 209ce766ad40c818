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
    // Downwards as well as upwards.
    EXPECT_EQ(measure::logarithmicPoints(10000, 100, 3), (std::vector<int>{10000, 1000, 100}));
    // 10 to 12 Hz in ten steps rounds to three different frequencies.
    EXPECT_EQ(measure::logarithmicPoints(10, 12, 10), (std::vector<int>{10, 11, 12}));
}

// A series circuit measured at the given frequencies (C = 0: no capacitor).
std::vector<measure::ResponsePoint> seriesCircuit(double R, double L, double C,
                                                  const std::vector<int>& frequencies) {
    std::vector<measure::ResponsePoint> points;
    for (int f : frequencies) {
        const double w = 2 * std::numbers::pi * f;
        const std::complex<double> z(R, w * L - (C > 0 ? 1 / (w * C) : 0));
        measure::ResponsePoint p;
        p.frequency = f;
        p.current = 10;
        p.voltage = 10 * std::abs(z);
        p.valid = true;
        p.impedance = std::abs(z);
        p.phaseDegrees = std::arg(z) * 180 / std::numbers::pi;
        points.push_back(p);
    }
    return points;
}

TEST(Response, SeriesResonanceFromThePhaseSignChangeOnAnyGrid) {
    // Q = sqrt(L / C) / R from 1 to 50, the resonance anywhere between two
    // points of a coarse or a fine grid.
    const struct {
        double R, L, C;
        int start, end, count;
    } cases[] = {{100, 0.1, 10e-6, 20, 2000, 11},   // Q = 1
                 {10, 0.1, 10e-6, 50, 500, 31},     // Q = 10
                 {2, 0.1, 10e-6, 20, 20000, 17},    // Q = 50
                 {5, 1, 10e-6, 20, 200, 8},         // Q = 63, an iron-core coil
                 {1, 10e-3, 1e-6, 1000, 10000, 11}, // Q = 100 at 1.6 kHz
                 {20, 1e-3, 100e-9, 2000, 20000, 21}};
    for (const auto& c : cases) {
        const double f0 = 1 / (2 * std::numbers::pi * std::sqrt(c.L * c.C));
        const auto found = measure::findResonance(
            seriesCircuit(c.R, c.L, c.C, measure::logarithmicPoints(c.start, c.end, c.count)));
        ASSERT_TRUE(found) << c.R << " " << c.L << " " << c.C;
        EXPECT_NEAR(found->frequency, f0, 0.002 * f0) << c.R << " " << c.L << " " << c.C;
    }
}

TEST(Response, NoResonanceWithoutAClearSignChangeBetweenGoodPoints) {
    const auto grid = measure::logarithmicPoints(50, 500, 6);
    // An RC, an RL and a resistor alone never change the phase's sign.
    EXPECT_FALSE(measure::findResonance(seriesCircuit(10, 0, 100e-6, grid)));
    EXPECT_FALSE(measure::findResonance(seriesCircuit(10, 0.1, 0, grid)));
    auto resistor = seriesCircuit(10, 0, 0, grid);
    // Noise of a few hundredths of a degree around zero.
    const double noise[] = {0.02, -0.03, 0.01, -0.02, 0.03, -0.01};
    for (std::size_t i = 0; i < resistor.size(); ++i)
        resistor[i].phaseDegrees = noise[i];
    EXPECT_FALSE(measure::findResonance(resistor));
    EXPECT_FALSE(measure::findResonance({}));

    // A sign change next to a point without |Z|, or one that had not
    // settled, is not trusted; the same points whole give the resonance.
    const auto lrc = seriesCircuit(10, 0.1, 10e-6, measure::logarithmicPoints(100, 250, 5));
    ASSERT_TRUE(measure::findResonance(lrc));
    for (int fault = 0; fault < 2; ++fault)
        for (std::size_t i = 0; i < lrc.size(); ++i) {
            auto points = lrc;
            if (fault == 0) points[i].valid = false;
            if (fault == 1) points[i].settled = false;
            // 159 Hz lies between points 2 (158 Hz) and 3 (199 Hz).
            EXPECT_EQ(measure::findResonance(points).has_value(), i != 2 && i != 3)
                << fault << " " << i;
        }
}

TEST(Response, ConsecutiveReadingsAgreeWithinTwoTenthsOfAPercentAndADegree) {
    auto point = [](bool valid, double z, double phi) {
        measure::ResponsePoint p;
        p.valid = valid;
        p.impedance = z;
        p.phaseDegrees = phi;
        return p;
    };
    const struct {
        measure::ResponsePoint a, b;
        bool agree;
    } cases[] = {{point(true, 100, 10), point(true, 100.19, 10.19), true},
                 {point(true, 100, 10), point(true, 100.21, 10), false},
                 {point(true, 100, 10), point(true, 100, 10.21), false},
                 {point(true, 100, 179.9), point(true, 100, -179.95), true},
                 {point(false, 0, 0), point(false, 0, 0), true},
                 {point(true, 100, 10), point(false, 0, 0), false}};
    for (const auto& c : cases)
        EXPECT_EQ(measure::pointsAgree(c.a, c.b), c.agree)
            << c.a.impedance << " " << c.b.impedance << " " << c.b.phaseDegrees;
}

TEST(Response, CsvLeavesMissingValuesEmptyAndKeepsFiveDigits) {
    std::vector<measure::ResponsePoint> points(2);
    points[0].frequency = 158;
    points[0].current = 0.00066667;
    points[0].voltage = 100.004;
    points[0].valid = true;
    points[0].impedance = 150004;
    points[0].phaseDegrees = -0.5;
    points[1].frequency = 20000;
    points[1].current = 0.001;
    points[1].voltage = 52.5;
    points[1].settled = false;
    points[0].impedanceUncertainty = 1234.5;
    points[0].phaseUncertainty = 0.5;
    EXPECT_EQ(measure::responseCsv(points),
              "f [Hz],IL [mA],UR [mV],|Z| [Ω],φ [°],±|Z| [Ω],±φ [°],poznámka\n"
              "158.00,0.00066667,100.00,150000,-0.50000,1200,0.50,\n"
              "20000,0.0010000,52.500,,,,,neustáleno\n");
    // For a Czech spreadsheet: byte-order mark, ";" and decimal commas.
    EXPECT_EQ(measure::responseCsv(points, spreadsheetCsv),
              "\xEF\xBB\xBF"
              "f [Hz];IL [mA];UR [mV];|Z| [Ω];φ [°];±|Z| [Ω];±φ [°];poznámka\n"
              "158,00;0,00066667;100,00;150000;-0,50000;1200;0,50;\n"
              "20000;0,0010000;52,500;;;;;neustáleno\n");
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
    // An uncertainty below the last digit shown is left out; one beyond it is said.
    reading.impedanceUncertainty = 0.005;
    reading.phaseUncertainty = 0.04;
    EXPECT_EQ(measure::circuitLine(reading), "|Z| = 18.80 Ω   φ = -57.9°   P = 200.0 µW");
    reading.impedanceUncertainty = 0.052;
    reading.phaseUncertainty = 0.3;
    EXPECT_EQ(measure::circuitLine(reading),
              "|Z| = 18.80 ± 0.052 Ω   φ = -57.9 ± 0.3°   P = 200.0 µW");
    reading.impedance = 15000;
    reading.impedanceUncertainty = 120;
    EXPECT_EQ(measure::circuitLine(reading),
              "|Z| = 15.00 ± 0.12 kΩ   φ = -57.9 ± 0.3°   P = 200.0 µW");
    reading.overdriven = true;
    EXPECT_EQ(measure::circuitLine(reading), "|Z|, φ: přebuzeno");
}

} // namespace
