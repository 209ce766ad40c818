// Component values from frequency responses measured by the program on the
// bench (--response), over series circuits against circuit theory: the
// model it chooses, its values within 1 % (0.5 % where the points span the
// resonance), and its stated uncertainties covering the errors.

#include "support/ProgramRun.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <numbers>

namespace {

// The values of the "model ...:" line on stderr, in SI units, by symbol:
// {value, standard uncertainty}.
struct Reported {
    std::string model;
    std::map<std::string, std::pair<double, double>> values;
};

Reported reportedFit(const QString& err) {
    Reported reported;
    const QRegularExpression line(QStringLiteral("^zo7scope: model ([-RLC]+): (.*)$"),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch found = line.match(err);
    if (!found.hasMatch()) return reported;
    reported.model = found.captured(1).toStdString();
    const QRegularExpression value(
        QString::fromUtf8("(R|L|C|f0) = (-?[0-9.]+) ± ([0-9.]+) (p|n|µ|m|k|M)?(Ω|H|F|Hz)"));
    const std::map<QString, double> prefixes{{"p", 1e-12}, {"n", 1e-9}, {"µ", 1e-6}, {"m", 1e-3},
                                             {"k", 1e3},   {"M", 1e6},  {"", 1}};
    auto values = value.globalMatch(found.captured(2));
    while (values.hasNext()) {
        const QRegularExpressionMatch v = values.next();
        const double scale = prefixes.at(v.captured(4));
        reported.values[v.captured(1).toStdString()] = {v.captured(2).toDouble() * scale,
                                                        v.captured(3).toDouble() * scale};
    }
    return reported;
}

struct Case {
    const char* name;
    const char* circuit;
    const char* response;
    const char* model;
    double R, L, C;
};

class ResponseFitTest : public testing::TestWithParam<Case> {};

QProcessEnvironment headless() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
}

TEST_P(ResponseFitTest, TheProgramNamesTheCircuitsComponents) {
    const Case& c = GetParam();
    const ProgramRun run = runProgram({"--audio=bench", QStringLiteral("--circuit=") + c.circuit,
                                       QStringLiteral("--response=") + c.response},
                                      headless());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const Reported fit = reportedFit(QString::fromLocal8Bit(run.err));
    ASSERT_EQ(fit.model, c.model) << run.err.toStdString();
    const bool resonant = c.L > 0 && c.C > 0;
    // The R-L-C responses all span their resonance.
    const double tolerance = resonant ? 0.005 : 0.01;
    const std::map<std::string, double> truth{
        {"R", c.R},
        {"L", c.L},
        {"C", c.C},
        {"f0", resonant ? 1 / (2 * std::numbers::pi * std::sqrt(c.L * c.C)) : 0}};
    for (const auto& [symbol, expected] : truth) {
        if (expected == 0) {
            EXPECT_EQ(fit.values.count(symbol), 0u) << symbol;
            continue;
        }
        ASSERT_EQ(fit.values.count(symbol), 1u) << symbol << ": " << run.err.toStdString();
        const auto [value, sigma] = fit.values.at(symbol);
        EXPECT_NEAR(value, expected, tolerance * expected) << symbol;
        // Three standard uncertainties cover the error.
        EXPECT_LE(std::abs(value - expected), 3 * sigma) << symbol;
    }
}

// Q = sqrt(L/C) / R of the R-L-C circuits: 0.47, 3.1, 14.6, 31, 0.45 and 14.3.
INSTANTIATE_TEST_SUITE_P(
    Circuits, ResponseFitTest,
    testing::Values(Case{"R", "R=22", "30:3000:11", "R", 22, 0, 0},
                    Case{"RC", "R=4.7,C=220u", "15:1500:15", "R-C", 4.7, 0, 220e-6},
                    Case{"RL", "R=4.7,L=22m", "10:1000:21", "R-L", 4.7, 22e-3, 0},
                    Case{"RLC_Q0_5", "R=100,L=22m,C=10u", "40:1000:21", "R-L-C", 100, 22e-3, 10e-6},
                    Case{"RLC_Q3", "R=15,L=47m,C=22u", "40:600:25", "R-L-C", 15, 47e-3, 22e-6},
                    Case{"RLC_Q15", "R=47,L=470m,C=1u", "60:900:25", "R-L-C", 47, 470e-3, 1e-6},
                    Case{"RLC_Q31", "R=2.2,L=47m,C=10u", "150:360:31", "R-L-C", 2.2, 47e-3, 10e-6},
                    // Up to 20 kHz.
                    Case{"R_To20kHz", "R=220", "1000:20000:11", "R", 220, 0, 0},
                    Case{"RC_To20kHz", "R=47,C=1u", "500:20000:15", "R-C", 47, 0, 1e-6},
                    Case{"RL_To20kHz", "R=10,L=1m", "300:20000:21", "R-L", 10, 1e-3, 0},
                    Case{"RLC_Q0_45_To20kHz", "R=220,L=2.2m,C=220n", "1000:20000:21", "R-L-C", 220,
                         2.2e-3, 220e-9},
                    Case{"RLC_Q14_To20kHz", "R=4.7,L=1m,C=220n", "2000:20000:25", "R-L-C", 4.7,
                         1e-3, 220e-9}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// With noise on both channels the uncertainties grow, and two of them still
// cover the error in at least 9 of 10 runs, each with its own noise.
TEST(ResponseFit, UncertaintiesUnderNoiseCoverTheErrors) {
    const QStringList common = {"--audio=bench", "--circuit=R=47,C=1u", "--response=1600:10000:5",
                                "--response-settle=100"};
    const ProgramRun clean = runProgram(common, headless());
    const Reported quiet = reportedFit(QString::fromLocal8Bit(clean.err));
    ASSERT_EQ(quiet.model, "R-C") << clean.err.toStdString();
    const std::map<std::string, double> truth{{"R", 47}, {"C", 1e-6}};
    std::map<std::string, int> covered;
    for (int seed = 1; seed <= 10; ++seed) {
        QStringList arguments = common;
        arguments << "--bench-noise=30" << QStringLiteral("--bench-seed=%1").arg(seed);
        const ProgramRun run = runProgram(arguments, headless());
        const Reported noisy = reportedFit(QString::fromLocal8Bit(run.err));
        ASSERT_EQ(noisy.model, "R-C") << seed << ": " << run.err.toStdString();
        for (const auto& [symbol, expected] : truth) {
            const auto [value, sigma] = noisy.values.at(symbol);
            EXPECT_GT(sigma, 1.5 * quiet.values.at(symbol).second) << symbol << " " << seed;
            covered[symbol] += std::abs(value - expected) <= 2 * sigma;
        }
    }
    for (const auto& [symbol, expected] : truth)
        EXPECT_GE(covered[symbol], 9) << symbol;
}

TEST(ResponseFit, TooFewPointsAreSaidToBeSo) {
    const ProgramRun run = runProgram(
        {"--audio=bench", "--circuit=R=15,L=47m,C=22u", "--response=60:400:3"}, headless());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(QString::fromLocal8Bit(run.err).contains(
        "zo7scope: model: cannot decide, fewer than 4 valid points\n"))
        << run.err.toStdString();
}

} // namespace
