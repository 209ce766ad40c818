// Circuit analysis on the bench against circuit theory: impedance and phase
// of R, RC and RL circuits at full and reduced gain, the line on the screen,
// the X-Y figure, the exports, and the frequency response with its
// resonance, in the window and from the command line.

#include "app/BlockLog.h"
#include "app/CanvasWidget.h"
#include "app/ErrorReport.h"
#include "app/ResponseWindow.h"
#include "app/SimulatedTime.h"
#include "app/Snapshot.h"
#include "display/CurrentAxis.h"
#include "display/ScreenGeometry.h"
#include "measure/CircuitText.h"
#include "support/BenchWindow.h"
#include "support/ProgramRun.h"

#include <QAction>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using testcard::BenchWindow;

// With ZO_SNAPSHOT_DIR set, a picture of the widget is saved there.
void snapshot(QWidget& widget, const char* name) {
    const QString directory = qEnvironmentVariable("ZO_SNAPSHOT_DIR");
    if (directory.isEmpty()) return;
    EXPECT_TRUE(saveWindowImage(widget, directory + "/" + name + ".png").isEmpty());
}

using testcard::circuit;

// The series circuit's impedance at f.
std::complex<double> impedance(double R, double L, double C, double f) {
    const double w = 2 * std::numbers::pi * f;
    return {R, w * L - (C > 0 ? 1 / (w * C) : 0)};
}

TEST(Form1Analysis, ImpedanceAndPhaseFollowCircuitTheory) {
    const struct {
        const char* circuit;
        double ohms, degrees;
    } cases[] = {{"R=10", 10.0, 0.0}, {"R=10,C=100u", 18.80, -57.9}, {"R=10,L=100m", 63.62, 81.0}};
    for (const auto& c : cases) {
        // 3000 leaves the gain full, 20000 drives the input into reduced gain.
        for (int amplitude : {3000, 20000}) {
            BenchWindow bench(circuit(c.circuit));
            bench.state().generator1Amplitude = amplitude;
            bench.settleOutput();
            bench.capture(3);
            EXPECT_EQ(bench.state().reducedGain, amplitude == 20000 ? 1 : 0) << c.circuit;
            const measure::CircuitReading& r = bench.form().circuitReading();
            ASSERT_TRUE(r.valid);
            EXPECT_NEAR(r.impedance, c.ohms, 0.01 * c.ohms) << c.circuit << " " << amplitude;
            EXPECT_NEAR(r.phaseDegrees, c.degrees, 1.0) << c.circuit << " " << amplitude;
            // P = U I cos(phi), with I = U / |Z|.
            const double U = amplitude / 32.767 * 1.1;
            const double P = U * U / c.ohms * std::cos(c.degrees * std::numbers::pi / 180) / 1000;
            EXPECT_NEAR(r.power, P, 0.03 * P + 1e-4) << c.circuit << " " << amplitude;
        }
    }
}

TEST(Form1Analysis, TheBlockIsReadWithTheGainItWasRecordedAt) {
    // 17000 drives the input past the switch's 30500: the block that makes
    // it reduce the gain was recorded at full gain and reads as such.
    BenchWindow bench(circuit("R=10"));
    bench.state().generator1Amplitude = 17000;
    bench.settleOutput();
    const double U = 17000 / 32.767 * 1.1; // mV RMS
    for (int capture = 0; capture < 6; ++capture) {
        const int before = bench.state().reducedGain;
        bench.capture(1);
        if (before == 0 && bench.state().reducedGain == 1) {
            const measure::CircuitReading& r = bench.form().circuitReading();
            EXPECT_NEAR(r.voltageRms, U, 0.01 * U);
            EXPECT_NEAR(r.currentRms, U / 10, 0.01 * U / 10);
            return;
        }
    }
    ADD_FAILURE() << "the gain was never reduced";
}

TEST(Form1Analysis, AnOpenCircuitInNoiseAndCrossTalkHasNoImpedance) {
    // 1 GOhm: what the current channel carries is UR leaking in at -60 dB
    // (about 5.6 units, above the absolute floor) and noise of 4 units.
    platform::bench::BenchOptions options = circuit("R=1000M");
    options.noiseLsb = 4;
    options.crosstalk = std::pow(10.0, -60.0 / 20);
    BenchWindow bench(options);
    bench.settleOutput();
    bench.capture(2);
    EXPECT_EQ(measure::circuitLine(bench.form().circuitReading()), "|Z|, φ: proud je příliš malý");

    // The same from the command line: a response without |Z| and phi.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    const ProgramRun run = runProgram({"--audio=bench", "--circuit=R=1000M", "--bench-noise=4",
                                       "--bench-crosstalk=-60", "--response=100:1000:2"},
                                      environment);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    for (int line : {1, 2})
        EXPECT_TRUE(lines[line].contains(",,,,")) << lines[line].toStdString();
}

struct Analysis : ::testing::Test {
    void open(const char* spec) {
        bench = std::make_unique<BenchWindow>(circuit(spec));
        bench->form().show();
        bench->settleOutput();
        bench->capture(2);
    }
    const QImage& screen() { return bench->form().canvas()->canvas().image(); }
    std::vector<QPoint> lit(QRgb colour) {
        std::vector<QPoint> points;
        for (int y = 0; y < screen().height(); ++y)
            for (int x = 0; x < screen().width(); ++x)
                if (screen().pixel(x, y) == colour) points.emplace_back(x, y);
        return points;
    }
    std::unique_ptr<BenchWindow> bench;
};

TEST_F(Analysis, ThePhaseLineStandsAtTheTopRightOrSaysTheCurrentIsTooSmall) {
    open("R=10,C=100u");
    TForm1& form = bench->form();
    auto litIn = [&](const QRect& area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += screen().pixel(x, y) != 0xFF000000;
        return n;
    };
    const QRect row(470, 24, 313, 13);
    EXPECT_EQ(litIn(row), 0); // nothing there while it is off
    form.phaseLineAction->setChecked(true);
    bench->pass();
    snapshot(form, "phase-line");
    EXPECT_GT(litIn(row), 100);
    EXPECT_EQ(measure::circuitLine(form.circuitReading()).substr(0, 10), "|Z| = 18.8");

    open("R=1M"); // a microampere: nothing to divide by
    bench->form().phaseLineAction->setChecked(true);
    bench->pass();
    EXPECT_EQ(measure::circuitLine(bench->form().circuitReading()), "|Z|, φ: proud je příliš malý");
}

TEST_F(Analysis, XYOfAResistorIsAStraightLine) {
    open("R=10");
    bench->form().xyViewAction->setChecked(true);
    bench->pass();
    const auto points = lit(display::xyColour);
    ASSERT_GT(points.size(), 100u);
    // The principal axis of the lit pixels, and every pixel's distance to it.
    double mx = 0, my = 0;
    for (QPoint p : points)
        mx += p.x(), my += p.y();
    mx /= points.size();
    my /= points.size();
    double sxx = 0, syy = 0, sxy = 0;
    for (QPoint p : points) {
        sxx += (p.x() - mx) * (p.x() - mx);
        syy += (p.y() - my) * (p.y() - my);
        sxy += (p.x() - mx) * (p.y() - my);
    }
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    double farthest = 0;
    for (QPoint p : points)
        farthest = std::max(
            farthest, std::abs(-(p.x() - mx) * std::sin(angle) + (p.y() - my) * std::cos(angle)));
    EXPECT_LE(farthest, 2.0);
}

TEST_F(Analysis, XYHorizontalAxisReadsTheCurrentInMilliamperes) {
    // R = 10 at 100.7 mV RMS: a current of 10.07 mA RMS, 14.24 mA at its peak.
    for (int amplitude : {3000, 15000}) {
        bench = std::make_unique<BenchWindow>(circuit("R=10"));
        bench->state().generator1Amplitude = amplitude;
        bench->form().show();
        bench->settleOutput();
        bench->capture(2);
        bench->form().xyViewAction->setChecked(true);
        bench->pass();
        const auto points = lit(display::xyColour);
        ASSERT_GT(points.size(), 100u);
        int left = clientWidth, right = 0;
        for (QPoint p : points)
            left = std::min(left, p.x()), right = std::max(right, p.x());
        // The figure is 2 x peak wide; the axis' divisions say how many mA that is.
        const double division = display::divisionX(bench->state().gridUnitX, 1, 0) -
                                display::divisionX(bench->state().gridUnitX, 0, 0);
        const double peak =
            (right - left) / 2.0 / division * display::currentPerDivision(bench->state());
        const double expected = amplitude / 32.767 * 1.1 * std::numbers::sqrt2 / 10;
        EXPECT_NEAR(peak, expected, 0.04 * expected) << amplitude;
    }
}

TEST_F(Analysis, XYOfACapacitorCircuitIsAnEllipseThatShowsThePhase) {
    open("R=10,C=100u");
    bench->form().xyViewAction->setChecked(true);
    bench->form().phaseLineAction->setChecked(true);
    bench->pass();
    snapshot(bench->form(), "xy-view");
    const auto points = lit(display::xyColour);
    ASSERT_GT(points.size(), 100u);
    // For x = a cos t, y = b cos(t + phi) the figure is |sin phi| as high on
    // the vertical through its centre as it is at its highest.
    int top = 1000, bottom = -1, left = 1000, right = -1;
    for (QPoint p : points) {
        top = std::min(top, p.y()), bottom = std::max(bottom, p.y());
        left = std::min(left, p.x()), right = std::max(right, p.x());
    }
    const int centreX = (left + right) / 2;
    int upper = 1000, lower = -1;
    for (QPoint p : points)
        if (p.x() == centreX) upper = std::min(upper, p.y()), lower = std::max(lower, p.y());
    const double ratio = static_cast<double>(lower - upper) / (bottom - top);
    const double expected = std::abs(std::sin(57.9 * std::numbers::pi / 180));
    EXPECT_NEAR(ratio, expected, 0.05 * expected);
    // A closed figure: every column between its ends is crossed twice.
    EXPECT_GT(lower - upper, 20);
}

// The views are extras: switched off again, the screen is exactly the one of
// a window in which they were never used (the bench's manual clock makes two
// runs deliver the same blocks; the program has one window at a time).
TEST(Form1Analysis, SwitchedOffTheViewsLeaveTheScreenAsItWasWithoutThem) {
    auto run = [](bool useTheViews) {
        BenchWindow bench(circuit("R=10,C=100u"));
        TForm1& form = bench.form();
        form.show();
        bench.settleOutput();
        bench.capture(2);
        const QImage before = form.canvas()->canvas().image();
        if (useTheViews) {
            form.xyViewAction->setChecked(true);
            form.phaseLineAction->setChecked(true);
            bench.pass();
            EXPECT_NE(form.canvas()->canvas().image(), before);
            form.xyViewAction->setChecked(false);
            form.phaseLineAction->setChecked(false);
        }
        bench.pass();
        return form.canvas()->canvas().image();
    };
    const QImage untouched = run(false);
    EXPECT_EQ(run(true), untouched);
}

TEST_F(Analysis, TheBlockExportAndTheLogReadBack) {
    QTemporaryDir directory;
    open("R=10");
    TForm1& form = bench->form();
    BlockLog log(form);
    QString error;
    const QString logFile = directory.filePath("log.csv");
    ASSERT_TRUE(log.open(logFile, error)) << error.toStdString();
    bench->capture(3); // six blocks
    const QString csvFile = directory.filePath("block.csv");
    ASSERT_TRUE(form.saveBlockCsv(csvFile).isEmpty());

    QFile csv(csvFile);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8001);
    EXPECT_EQ(lines[0], "t [ms],IL [mA],UR [mV]");
    double current = 0, voltage = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(',');
        ASSERT_EQ(fields.size(), 3) << lines[i].toStdString();
        current += fields[1].toDouble() * fields[1].toDouble();
        voltage += fields[2].toDouble() * fields[2].toDouble();
    }
    // The RMS of each column is its readout: "10.1mA" and " 101mV".
    EXPECT_NEAR(std::sqrt(current / 8000), bench->state().currentReading, 0.05);
    EXPECT_NEAR(std::sqrt(voltage / 8000), bench->state().voltageReading, 0.5);

    QFile logged(logFile);
    ASSERT_TRUE(logged.open(QIODevice::ReadOnly));
    const QStringList entries = QString::fromUtf8(logged.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(entries.size(), 1 + 6);
    EXPECT_NEAR(entries[1].split(',')[5].toDouble(), 10.0, 0.1) << entries[1].toStdString();
}

// The RMS of the IL column of a block export, in mA.
double exportedCurrentRms(const QString& file) {
    QFile csv(file);
    if (!csv.open(QIODevice::ReadOnly)) return -1;
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    double sum = 0;
    for (int i = 1; i < lines.size(); ++i)
        sum += std::pow(lines[i].split(',')[1].toDouble(), 2);
    return lines.size() > 1 ? std::sqrt(sum / (lines.size() - 1)) : -1;
}

TEST_F(Analysis, InOneShotModeTheExportAndThePhaseLineTakeTheBlockOnTheScreen) {
    // R = 10, C = 100 uF driven with 100.7 mV: at 100 Hz |Z| = 18.80 ohm and
    // IL = 5.36 mA; at 400 Hz |Z| = 10.76 ohm and IL = 9.36 mA.
    const double volts = 3000 / 32.767 * 1.1;
    const double at100 = std::abs(impedance(10, 0, 100e-6, 100));
    const double at400 = std::abs(impedance(10, 0, 100e-6, 400));
    open("R=10,C=100u");
    TForm1& form = bench->form();
    form.Button3Click(); // one-shot: the 100 Hz picture stays
    ASSERT_EQ(form.state.periodicMode, 0);
    const QImage frozen = screen();
    form.ScrollBar5->setValue(400);
    bench->settleOutput();
    bench->capture(2);
    EXPECT_EQ(screen(), frozen);
    // The readouts follow the new blocks...
    EXPECT_NEAR(form.state.currentReading, volts / at400, 0.03 * volts / at400);
    // ...the export and the phase line do not.
    QTemporaryDir directory;
    const QString csvFile = directory.filePath("shown.csv");
    ASSERT_TRUE(form.saveBlockCsv(csvFile).isEmpty());
    EXPECT_NEAR(exportedCurrentRms(csvFile), volts / at100, 0.03 * volts / at100);
    form.phaseLineAction->setChecked(true);
    EXPECT_NEAR(form.shownCircuitReading().impedance, at100, 0.02 * at100);
    EXPECT_NEAR(form.circuitReading().impedance, at400, 0.02 * at400);
    // The line is added to the kept picture of the traces.
    EXPECT_NE(screen(), frozen);

    // Back to periodic mode, the export is the newest block again.
    form.Button3Click();
    bench->capture(1);
    ASSERT_TRUE(form.saveBlockCsv(csvFile).isEmpty());
    EXPECT_NEAR(exportedCurrentRms(csvFile), volts / at400, 0.03 * volts / at400);
}

// The frequency response of R = 10, L = 100 mH, C = 10 uF from 50 to 500 Hz
// in 31 points, in the window on simulated time.
std::string responseInTheWindow(double* resonance) {
    BenchWindow bench(circuit("R=10,L=100m,C=10u"));
    TForm1& form = bench.form();
    SimulatedTime time(bench.bench(), form.idleCycle());
    time.start();
    ResponseWindow& window = form.responseWindow();
    window.startEdit->setText("50");
    window.endEdit->setText("500");
    window.pointsEdit->setText("31");
    QEventLoop loop;
    QObject::connect(&window.run(), &ResponseRun::finished, &loop, &QEventLoop::quit);
    window.startButton->click();
    loop.exec();
    time.stop();
    window.resize(1200, 600);
    window.show();
    snapshot(window, "response");
    if (const auto found = window.resonance()) *resonance = found->frequency;
    for (const measure::ResponsePoint& p : window.run().points()) {
        const auto z = impedance(10, 0.1, 10e-6, p.frequency);
        EXPECT_NEAR(p.impedance, std::abs(z), 0.02 * std::abs(z)) << p.frequency;
        EXPECT_NEAR(p.phaseDegrees, std::arg(z) * 180 / std::numbers::pi, 2.0) << p.frequency;
    }
    EXPECT_EQ(window.run().points().size(), 31u);
    return window.csv();
}

TEST(Form1Response, SeriesResonanceInTheWindowAndFromTheCommandLine) {
    double resonance = 0;
    const std::string csv = responseInTheWindow(&resonance);
    EXPECT_NEAR(resonance, 159.15, 0.01 * 159.15);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    const ProgramRun run = runProgram(
        {"--audio=bench", "--circuit=R=10,L=100m,C=10u", "--response=50:500:31"}, environment);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    // The same points; a point is taken once two blocks agree, so which
    // blocks those are may differ with the window's own timing.
    const QStringList window = QString::fromStdString(csv).split('\n');
    const QStringList program = QString::fromUtf8(run.out).split('\n');
    ASSERT_EQ(program.size(), window.size());
    EXPECT_EQ(program[0], window[0]);
    for (qsizetype line = 1; line < window.size(); ++line) {
        const QStringList a = window[line].split(','), b = program[line].split(',');
        ASSERT_EQ(a.size(), b.size()) << line;
        if (a.size() < 5) continue;
        EXPECT_EQ(a[0], b[0]) << line;
        EXPECT_NEAR(a[3].toDouble(), b[3].toDouble(), 0.002 * a[3].toDouble()) << line;
        EXPECT_NEAR(a[4].toDouble(), b[4].toDouble(), 0.2) << line;
    }
    EXPECT_TRUE(run.err.contains("zo7scope: resonance 159.")) << run.err.toStdString();
}

TEST(Form1Response, BadSettingsAreReportedAndStartNothing) {
    BenchWindow bench;
    std::vector<QString> reports;
    app::setErrorBox([&](const QString&, const QString& text) { reports.push_back(text); });
    ResponseWindow& window = bench.form().responseWindow();
    const struct {
        QLineEdit* box;
        const char* text;
    } cases[] = {{window.startEdit, "abc"}, {window.startEdit, "5"},   {window.endEdit, "30000"},
                 {window.pointsEdit, "1"},  {window.settleEdit, "-1"}, {window.pointsEdit, ""}};
    for (const auto& c : cases) {
        const QString before = c.box->text();
        c.box->setText(QString::fromUtf8(c.text));
        window.startButton->click();
        EXPECT_FALSE(window.run().running()) << c.text;
        c.box->setText(before);
    }
    ASSERT_EQ(reports.size(), 6u);
    EXPECT_EQ(reports[0], "'abc' is not a valid integer value.");
    EXPECT_EQ(reports[1], QString::fromUtf8("Počáteční kmitočet musí být 10 až 20000."));
}

TEST(Form1Response, StopCloseOptimumAndTheMainWindowEndARunAndGiveGenerator1Back) {
    for (int way = 0; way < 4; ++way) {
        BenchWindow bench(circuit("R=10"));
        TForm1& form = bench.form();
        ResponseWindow& window = form.responseWindow();
        form.show();
        window.show();
        window.startRun(200, 2000, 5, 0);
        ASSERT_TRUE(window.run().running());
        EXPECT_EQ(bench.state().generator1Frequency, 200);
        if (way == 0) window.stopButton->click();
        if (way == 1) window.close();
        if (way == 2) form.Button2Click();
        // The program ends with its main window: the second one goes too.
        if (way == 3) form.close();
        EXPECT_FALSE(window.run().running()) << way;
        EXPECT_EQ(window.isVisible(), way == 0 || way == 2) << way;
        // Generator 1 is back at its start-up 100 Hz, where the run found it;
        // "optimum" sets it there itself.
        EXPECT_EQ(bench.state().generator1Frequency, 100) << way;
    }
}

} // namespace
