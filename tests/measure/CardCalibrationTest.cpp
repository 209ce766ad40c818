// Calibration against a reference meter: each factor is reference / present
// readout over at least three blocks, and whatever cannot be trusted is
// refused with a reason and changes nothing.

#include "measure/CardCalibration.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using measure::BlockReading;
using measure::CalibrationFactors;

std::vector<BlockReading> steady(double reading, int peak = 5000, int blocks = 3) {
    return std::vector<BlockReading>(static_cast<std::size_t>(blocks), {reading, peak});
}

TEST(CardCalibration, FactorIsReferenceOverTheReadoutWithoutItsFactor) {
    const struct {
        const char* name;
        CalibrationFactors inForce;
        const char* typedVoltage;
        std::vector<BlockReading> voltage;
        const char* typedCurrent;
        std::vector<BlockReading> current;
        const char* typedOutput;
        double amplitude;
        CalibrationFactors expected;
    } cases[] = {
        // A card that reads UR 20 % low and IL 25 % high.
        {"both channels", {}, "100", steady(80), "10", steady(12.5), "", 0, {1.25, 0.8, 1}},
        // Calibrating again against the same meter keeps the factor.
        {"again", {1.25, 0.8, 0.9}, "100", steady(100), "", {}, "", 0, {1.25, 0.8, 0.9}},
        // The mean of the blocks: (99.6 + 100 + 100.4) / 3 = 100.
        {"mean", {}, "50", {{99.6, 4000}, {100, 4000}, {100.4, 4000}}, "", {}, "", 0, {0.5, 1, 1}},
        {"decimal comma, blanks", {}, " 0,8 ", steady(1.0), "", {}, "", 0, {0.8, 1, 1}},
        {"exactly 5", {}, "100", steady(20), "", {}, "", 0, {5, 1, 1}},
        {"exactly 0.2", {}, "", {}, "2", steady(10), "", 0, {1, 0.2, 1}},
        // The output against the amplitude readout, whatever factor it had.
        {"output", {1, 1, 1.3}, "", {}, "", {}, "90", 100, {1, 1, 0.9}},
        {"all three", {}, "100", steady(80), "10", steady(12.5), "495", 550, {1.25, 0.8, 0.9}},
    };
    for (const auto& c : cases) {
        const auto outcome =
            measure::calibrate(c.inForce, {c.typedVoltage, c.voltage}, {c.typedCurrent, c.current},
                               {c.typedOutput, c.amplitude});
        EXPECT_EQ(outcome.refusal, "") << c.name;
        EXPECT_NEAR(outcome.factors.voltage, c.expected.voltage, 1e-12) << c.name;
        EXPECT_NEAR(outcome.factors.current, c.expected.current, 1e-12) << c.name;
        EXPECT_NEAR(outcome.factors.output, c.expected.output, 1e-12) << c.name;
    }
}

TEST(CardCalibration, RefusesAndKeepsTheFactorsInForce) {
    const CalibrationFactors inForce{1.1, 0.9, 1.05};
    const struct {
        const char* name;
        const char* typedVoltage;
        std::vector<BlockReading> voltage;
        const char* typedOutput;
        double amplitude;
        const char* reason; // a part of the refusal
    } cases[] = {
        {"text", "abc", steady(100), "", 0, "UR: „abc“ není kladné číslo."},
        {"negative", "-100", steady(100), "", 0, "není kladné číslo"},
        {"zero", "0", steady(100), "", 0, "není kladné číslo"},
        {"NaN", "nan", steady(100), "", 0, "není kladné číslo"},
        {"infinite", "inf", steady(100), "", 0, "není kladné číslo"},
        {"unit typed", "100 mV", steady(100), "", 0, "není kladné číslo"},
        {"1e308", "1e308", steady(100), "", 0, "leží mimo 0,2 až 5"},
        {"above 5", "100", steady(100 / 4.6), "", 0, "leží mimo 0,2 až 5"},
        {"below 0.2", "100", steady(100 / 0.18), "", 0, "leží mimo 0,2 až 5"},
        {"two blocks", "100", steady(100, 5000, 2), "", 0, "jen 2 bloků z 3"},
        {"no blocks", "100", {}, "", 0, "jen 0 bloků z 3"},
        {"small", "100", {{100, 5000}, {100, 999}, {100, 5000}}, "", 0, "příliš malý (špička 999"},
        {"silent", "100", steady(0, 0), "", 0, "příliš malý"},
        {"clipped", "100", {{100, 5000}, {100, 32767}, {100, 5000}}, "", 0, "přebuzený"},
        {"reduced gain",
         "100",
         {{100, 5000}, {100, 5000, true}, {100, 5000}},
         "",
         0,
         "vstup ztlumený"},
        // (101.2 - 100) / 100.4 = 1.2 % > 1 %
        {"unsteady",
         "100",
         {{100, 5000}, {101.2, 5000}, {100, 5000}},
         "",
         0,
         "není ustálený (kolísá o 1.2 %)"},
        // A good voltage does not pass with a bad output.
        {"output silent", "100", steady(100), "50", 0, "generátor 1 hraje příliš slabě"},
        {"generator 2 too", "", {}, "50", -100, "hraje i generátor 2"},
        {"output weak", "100", steady(100), "50", 9.9, "příliš slabě"},
        {"output text", "100", steady(100), "x", 100, "výstup generátoru: „x“ není kladné"},
        {"output beyond", "", {}, "600", 100, "výstup generátoru: opravný koeficient 6"},
        {"nothing typed", "", steady(100), " ", 0, "Zadejte aspoň jednu hodnotu"},
    };
    for (const auto& c : cases) {
        const auto outcome =
            measure::calibrate(inForce, {c.typedVoltage, c.voltage}, {"", {}},
                               {c.typedOutput, std::abs(c.amplitude), c.amplitude < 0});
        EXPECT_NE(outcome.refusal.find(c.reason), std::string::npos)
            << c.name << ": " << outcome.refusal;
        EXPECT_EQ(outcome.factors, inForce) << c.name;
    }
}

// The factors the settings file may hold.
TEST(CardCalibration, ValidFactors) {
    const struct {
        double factor;
        bool valid;
    } cases[] = {{1, true},
                 {0.2, true},
                 {5, true},
                 {0.19999, false},
                 {5.0001, false},
                 {0, false},
                 {-1, false},
                 {1e308, false},
                 {std::numeric_limits<double>::quiet_NaN(), false},
                 {std::numeric_limits<double>::infinity(), false}};
    for (const auto& c : cases)
        EXPECT_EQ(measure::calibrationFactorValid(c.factor), c.valid) << c.factor;
}

} // namespace
