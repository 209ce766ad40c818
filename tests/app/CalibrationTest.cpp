// Calibration on a card that reads wrong: the bench acting a card whose line
// input reads UR at 0.8 and IL at 1.25 of the truth and whose output plays
// 0.9 of what generator 1's readout says. One calibration against the
// circuit's true values, typed into the dialog as from a meter, makes UR, IL,
// |Z| and the generator's readout true within 0.3 %, after a restart too and
// at reduced line-input gain; another card keeps its own factors, and bad
// input changes nothing.

#include "app/CalibrationDialog.h"
#include "app/CalibrationStore.h"
#include "support/BenchWindow.h"
#include "support/ProgramRun.h"
#include "support/SettingsHome.h"

#include <QAction>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>
#include <memory>

namespace {

using platform::bench::BenchOptions;

constexpr double resistance = 10.0; // ohm
constexpr int calibrationAmplitude = 15000;

BenchOptions otherCard() {
    BenchOptions options = testcard::circuit("R=10");
    options.voltageSensitivity = 0.8;
    options.currentSensitivity = 1.25;
    options.outputSensitivity = 0.9;
    return options;
}

// What a meter shows across the circuit: a played peak A is a sine of
// A / 32.767 * 1.1 mV RMS on the bench's own card, 0.9 of it on this one;
// the resistor alone carries UR / R.
double trueVoltage(int amplitude) {
    return amplitude / 32.767 * 1.1 * 0.9;
}
double trueCurrent(int amplitude) {
    return trueVoltage(amplitude) / resistance;
}

// At 441 Hz a block of 8000 frames holds exactly 80 periods, so that each
// block's RMS is the sine's own, wherever the block begins.
void playAndMeasure(testcard::BenchWindow& bench, int amplitude, int captures = 3) {
    bench.form().ScrollBar5->setValue(441);
    bench.form().ScrollBar4->setValue(amplitude);
    bench.settleOutput();
    bench.capture(captures);
}

CalibrationDialog& openDialog(TForm1& form) {
    form.calibrationAction->trigger();
    auto* dialog = form.findChild<CalibrationDialog*>();
    EXPECT_NE(dialog, nullptr);
    return *dialog;
}

// Within 0.3 % of the truth.
void expectTrue(testcard::BenchWindow& bench, int amplitude, const char* when) {
    const double u = trueVoltage(amplitude);
    const double i = trueCurrent(amplitude);
    SharedState& s = bench.state();
    EXPECT_NEAR(s.voltageReading / u, 1.0, 0.003) << when;
    EXPECT_NEAR(s.currentReading / i, 1.0, 0.003) << when;
    const measure::CircuitReading& reading = bench.form().circuitReading();
    EXPECT_TRUE(reading.valid) << when;
    EXPECT_NEAR(reading.impedance / resistance, 1.0, 0.003) << when;
    EXPECT_NEAR(bench.form().Edit13->text().toDouble() / u, 1.0, 0.003) << when;
    EXPECT_TRUE(bench.form().windowTitle().endsWith(QString::fromUtf8(" (kalibrováno)"))) << when;
}

TEST_F(SettingsHome, OneCalibrationMakesTheReadoutsTrueAndIsKeptForTheCard) {
    auto bench = std::make_unique<testcard::BenchWindow>(otherCard());
    bench->form().enableCalibration();
    EXPECT_FALSE(bench->form().windowTitle().contains(QString::fromUtf8("kalibrováno")));
    playAndMeasure(*bench, calibrationAmplitude);
    const double u = trueVoltage(calibrationAmplitude);
    const double i = trueCurrent(calibrationAmplitude);
    // Uncalibrated, every readout is off by the card's own factor.
    EXPECT_NEAR(bench->state().voltageReading / u, 0.8, 0.003);
    EXPECT_NEAR(bench->state().currentReading / i, 1.25, 0.004);
    EXPECT_NEAR(bench->form().Edit13->text().toDouble() / u, 1 / 0.9, 0.003);

    CalibrationDialog& dialog = openDialog(bench->form());
    bench->capture(2);
    // The meter's readings, as a user types them.
    dialog.voltageBox->setText(QString::number(u, 'f', 1));
    dialog.currentBox->setText(QString::number(i, 'f', 2).replace('.', ','));
    dialog.outputBox->setText(QString::number(u, 'f', 1));
    dialog.saveButton->click();
    EXPECT_TRUE(dialog.isHidden()) << dialog.refusal->text().toStdString();
    bench->capture(2);
    expectTrue(*bench, calibrationAmplitude, "calibrated");

    // A large voltage: the line input's level is lowered, the readouts hold.
    const int large = 23000;
    playAndMeasure(*bench, large, 4);
    ASSERT_EQ(bench->state().reducedGain, 1);
    expectTrue(*bench, large, "reduced gain");

    // The program started anew finds the card's factors.
    bench.reset();
    bench = std::make_unique<testcard::BenchWindow>(otherCard());
    bench->form().enableCalibration();
    playAndMeasure(*bench, calibrationAmplitude);
    expectTrue(*bench, calibrationAmplitude, "after a restart");

    // The bench's own card is another card: its factors stay 1.
    bench.reset();
    BenchOptions own;
    own.circuit = otherCard().circuit;
    bench = std::make_unique<testcard::BenchWindow>(own);
    bench->form().enableCalibration();
    EXPECT_EQ(bench->form().calibration(), measure::CalibrationFactors{});
    EXPECT_FALSE(bench->form().windowTitle().contains(QString::fromUtf8("kalibrováno")));
    playAndMeasure(*bench, calibrationAmplitude);
    EXPECT_NEAR(bench->state().voltageReading / (u / 0.9), 1.0, 0.003);

    // "výchozí" on the other card returns it to 1 and forgets its entry.
    bench.reset();
    bench = std::make_unique<testcard::BenchWindow>(otherCard());
    bench->form().enableCalibration();
    openDialog(bench->form()).defaultButton->click();
    EXPECT_EQ(bench->form().calibration(), measure::CalibrationFactors{});
    EXPECT_FALSE(savedCalibration(QStringLiteral("bench 0.8:1.25 output 0.9")).found);
}

TEST_F(SettingsHome, BadInputInTheDialogIsRefusedAndNothingIsKept) {
    const struct {
        const char* name;
        const char* voltage;
        const char* output;
        int captures; // two blocks each
        int amplitude;
        const char* reason;
    } cases[] = {
        {"text", "abc", "", 2, calibrationAmplitude, "není kladné číslo"},
        {"negative", "-408", "", 2, calibrationAmplitude, "není kladné číslo"},
        {"zero", "0", "", 2, calibrationAmplitude, "není kladné číslo"},
        {"NaN", "nan", "", 2, calibrationAmplitude, "není kladné číslo"},
        {"1e308", "1e308", "", 2, calibrationAmplitude, "mimo 0,2 až 5"},
        {"tenfold", "4080", "", 2, calibrationAmplitude, "mimo 0,2 až 5"},
        {"two blocks", "408", "", 1, calibrationAmplitude, "bloků z 3"},
        {"too small", "4", "", 2, 150, "příliš malý"},
        {"output silent", "", "400", 2, 0, "příliš slabě"},
        {"nothing typed", "", "", 2, calibrationAmplitude, "Zadejte"},
    };
    for (const auto& c : cases) {
        testcard::BenchWindow bench(otherCard());
        bench.form().enableCalibration();
        playAndMeasure(bench, c.amplitude);
        CalibrationDialog& dialog = openDialog(bench.form());
        bench.capture(c.captures);
        dialog.voltageBox->setText(QString::fromUtf8(c.voltage));
        dialog.outputBox->setText(QString::fromUtf8(c.output));
        dialog.saveButton->click();
        EXPECT_TRUE(dialog.isVisible()) << c.name;
        EXPECT_TRUE(dialog.refusal->text().contains(QString::fromUtf8(c.reason)))
            << c.name << ": " << dialog.refusal->text().toStdString();
        EXPECT_EQ(bench.form().calibration(), measure::CalibrationFactors{}) << c.name;
        EXPECT_FALSE(QFile::exists(file())) << c.name << ": nothing is written";
        dialog.cancelButton->click();
    }
}

// The program with a hand-edited settings file: what it cannot use it says
// in one line, starts with factor 1 and leaves the file as it was.
TEST_F(SettingsHome, TheProgramIgnoresASettingsFileItCannotUse) {
    QProcessEnvironment environment = headless();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    const QStringList card = {"--audio=bench", "--bench-sensitivity=0.8:1.25"};
    const struct {
        const char* name;
        QByteArray file;
    } cases[] = {
        {"text", "[calibration]\nbench_0_8_1_25_output_1\\voltage=much\n"
                 "bench_0_8_1_25_output_1\\current=1\nbench_0_8_1_25_output_1\\output=1\n"},
        {"missing key", "[calibration]\nbench_0_8_1_25_output_1\\voltage=1.25\n"},
        {"binary blob", QByteArray("\x00\x01[calibration\xff\x00\n\x7f", 17)},
    };
    for (const auto& c : cases) {
        write(c.file);
        const ProgramRun shown = runProgram(card + QStringList{"--calibration"}, environment);
        EXPECT_EQ(shown.status, 1) << c.name;
        EXPECT_TRUE(shown.out.contains("UR 1, IL 1, output 1 (not calibrated)")) << c.name;
        EXPECT_EQ(ownLines(shown.err).size(), 1) << c.name << shown.err.toStdString();

        const ProgramRun window =
            runProgram(card + QStringList{"--quit-after=0.3", "--report"}, environment);
        EXPECT_EQ(window.status, 0) << c.name << window.err.toStdString();
        const QJsonObject state =
            QJsonDocument::fromJson(window.out).object()[QStringLiteral("state")].toObject();
        EXPECT_EQ(state[QStringLiteral("voltageCalibration")].toDouble(), 1.0) << c.name;
        EXPECT_EQ(state[QStringLiteral("currentReadoutFactor")].toDouble(), 0.03) << c.name;
        EXPECT_EQ(ownLines(window.err).size(), 1) << c.name << window.err.toStdString();
        EXPECT_EQ(read(), c.file) << c.name << ": the file stays as it was";
    }

    // A good entry is shown, and reset removes it.
    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_EQ(saveCalibration(QStringLiteral("bench 0.8:1.25 output 1"), {1.25, 0.8, 1},
                              QDate(2026, 3, 9)),
              QString());
    EXPECT_TRUE(runProgram(card + QStringList{"--calibration"}, environment)
                    .out.contains("UR 1.25, IL 0.8, output 1 (calibrated 2026-03-09)"));
    EXPECT_EQ(runProgram(card + QStringList{"--calibration=reset"}, environment).status, 0);
    EXPECT_TRUE(runProgram(card + QStringList{"--calibration"}, environment)
                    .out.contains("(not calibrated)"));
}

} // namespace
