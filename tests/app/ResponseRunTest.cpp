// Frequency responses on the bench, on simulated time, against circuit
// theory computed here: points taken once the circuit has settled, the
// resonance only where a series circuit has one, and generators 1 and 2
// given back as the run found them, in the window and from the command line.

#include "app/ComboBoxItem.h"
#include "app/FileChooser.h"
#include "app/ResponseWindow.h"
#include "app/SimulatedTime.h"
#include "support/BenchWindow.h"
#include "support/ProgramRun.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using testcard::BenchWindow;
using testcard::circuit;

struct Series {
    const char* spec;
    double R, L, C; // L, C: 0 when absent
    // The series impedance at f: R + j(wL - 1/(wC)).
    std::complex<double> impedance(double f) const {
        const double w = 2 * std::numbers::pi * f;
        return {R, w * L - (C > 0 ? 1 / (w * C) : 0)};
    }
    double resonance() const { return 1 / (2 * std::numbers::pi * std::sqrt(L * C)); }
};


// Runs a response in the window on simulated time until it ends.
void runResponse(BenchWindow& bench, int start, int end, int count, int settleMs) {
    SimulatedTime time(bench.bench(), bench.form().idleCycle());
    time.start();
    ResponseWindow& window = bench.form().responseWindow();
    QEventLoop loop;
    QObject::connect(&window.run(), &ResponseRun::finished, &loop, &QEventLoop::quit);
    window.startRun(start, end, count, settleMs);
    if (window.run().running()) loop.exec();
    time.stop();
}

TEST(ResponseRun, SettledPointsFollowCircuitTheory) {
    const struct {
        Series circuit;
        int start, end, count;
        int amplitude; // generator 1: a current well above the noise, the gain full
    } cases[] = {
        // An iron-core coil: 2L / R = 0.4 s.
        {{"R=5,L=1,C=10u", 5, 1, 10e-6}, 20, 200, 8, 15000},
        // L / R = 1 s, and RC = 1 ms.
        {{"R=1,L=1", 1, 1, 0}, 10, 160, 5, 15000},
        {{"R=100,C=10u", 100, 0, 10e-6}, 10, 20000, 8, 15000},
        // Q = 1 and Q = 50.
        {{"R=100,L=100m,C=10u", 100, 0.1, 10e-6}, 50, 500, 11, 3000},
        {{"R=2,L=100m,C=10u", 2, 0.1, 10e-6}, 100, 250, 31, 3000},
        {{"R=10", 10, 0, 0}, 10, 20000, 5, 3000},
        // Across the whole band: L / R = 1 ms, 2L / R = 2 ms (Q = 3.2), and
        // RC = 10 ms with a phase still visible at 20 kHz.
        {{"R=10,L=10m", 10, 10e-3, 0}, 10, 20000, 8, 15000},
        {{"R=10,L=10m,C=10u", 10, 10e-3, 10e-6}, 10, 20000, 8, 15000},
        {{"R=1k,C=10u", 1000, 0, 10e-6}, 10, 20000, 8, 15000},
    };
    for (const auto& c : cases) {
        BenchWindow bench(circuit(c.circuit.spec));
        bench.state().generator1Amplitude = c.amplitude;
        runResponse(bench, c.start, c.end, c.count, 500);
        const auto& points = bench.form().responseWindow().run().points();
        ASSERT_EQ(points.size(), static_cast<std::size_t>(c.count)) << c.circuit.spec;
        for (const measure::ResponsePoint& p : points) {
            const auto z = c.circuit.impedance(p.frequency);
            // 0.5 % and 0.5 degrees, 1 % and 1 degree at the band's ends.
            const double tolerance = p.frequency <= 10 || p.frequency >= 20000 ? 1.0 : 0.5;
            ASSERT_TRUE(p.valid) << c.circuit.spec << " " << p.frequency;
            EXPECT_TRUE(p.settled) << c.circuit.spec << " " << p.frequency;
            EXPECT_NEAR(p.impedance, std::abs(z), tolerance / 100 * std::abs(z))
                << c.circuit.spec << " " << p.frequency;
            EXPECT_NEAR(p.phaseDegrees, std::arg(z) * 180 / std::numbers::pi, tolerance)
                << c.circuit.spec << " " << p.frequency;
        }
        const auto found = bench.form().responseWindow().resonance();
        if (c.circuit.L > 0 && c.circuit.C > 0) {
            ASSERT_TRUE(found) << c.circuit.spec;
            EXPECT_NEAR(found->frequency, c.circuit.resonance(), 0.002 * c.circuit.resonance())
                << c.circuit.spec;
        } else {
            EXPECT_FALSE(found) << c.circuit.spec;
        }
    }
}

// What a run may change of generators 1 and 2.
struct Generators {
    int range, minimum, maximum, position;
    QString readout, unit;
    std::int32_t frequency, amplitude2, frequency2;
    bool operator==(const Generators&) const = default;
};

Generators generators(TForm1& form) {
    return {ItemIndex(*form.ComboBox8),
            form.ScrollBar5->minimum(),
            form.ScrollBar5->maximum(),
            form.ScrollBar5->value(),
            form.Edit14->text(),
            form.Edit3->text(),
            form.state.generator1Frequency,
            form.state.generator2Amplitude,
            form.state.generator2Frequency};
}

TEST(ResponseRun, GeneratorsAreGivenBackAsTheRunFoundThemAndGenerator2IsSilentMeanwhile) {
    for (bool stopped : {false, true}) {
        BenchWindow bench(circuit("R=10,C=100u"));
        TForm1& form = bench.form();
        // Generator 2 on, generator 1 at 2.5 kHz in "1 kHz až 20 kHz".
        form.zobrazit2Click();
        SetItemIndex(*form.ComboBox8, 2);
        form.ComboBox8Click();
        form.ScrollBar5->setValue(2500);
        const Generators before = generators(form);
        ASSERT_NE(before.amplitude2, 0);
        ASSERT_EQ(before.frequency, 2500);

        ResponseRun& run = form.responseWindow().run();
        std::vector<std::int32_t> generator2During;
        QObject::connect(&run, &ResponseRun::pointMeasured, [&](int index) {
            generator2During.push_back(form.state.generator2Amplitude);
            if (stopped && index == 1) run.stop();
        });
        runResponse(bench, 100, 300, 4, 0);
        EXPECT_EQ(generator2During, std::vector<std::int32_t>(stopped ? 2 : 4, 0)) << stopped;
        const Generators after = generators(form);
        EXPECT_TRUE(after == before) << stopped << " " << after.frequency << " "
                                     << after.readout.toStdString() << " " << after.range;
    }
}

TEST(ResponseRun, FromTheCommandLineTheGeneratorsEndAsTheyStarted) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    // The window's report as it closes: once without a run, once after one.
    auto report = [&](const QStringList& more) {
        const ProgramRun run =
            runProgram(QStringList{"--audio=bench", "--report"} + more, environment);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        const QByteArray json = run.out.mid(run.out.indexOf("{\"audio\""));
        return QJsonDocument::fromJson(json).object();
    };
    const QJsonObject idle = report({"--quit-after=0"});
    const QJsonObject after = report({"--response=50:5000:3", "--response-settle=0"});
    ASSERT_FALSE(idle.isEmpty());
    ASSERT_FALSE(after.isEmpty());
    for (const char* variable : {"generator1Frequency", "generator2Amplitude"})
        EXPECT_EQ(after["state"].toObject()[variable], idle["state"].toObject()[variable])
            << variable;
    auto control = [](const QJsonObject& r, const char* name) {
        for (const auto& c : r["controls"].toArray())
            if (c.toObject()["name"].toString() == QLatin1String(name)) return c.toObject();
        return QJsonObject();
    };
    for (const char* name : {"ComboBox8", "ScrollBar5", "Edit14", "Edit3", "Panel14"}) {
        ASSERT_FALSE(control(idle, name).isEmpty()) << name;
        EXPECT_EQ(control(after, name), control(idle, name)) << name;
    }
}

TEST(ResponseRun, AnOpenCircuitLeavesItsFieldsEmptyInBothCsvStyles) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    const ProgramRun run = runProgram(
        {"--audio=bench", "--circuit=R=1000M", "--response=100:1000:2", "--response-settle=0"},
        environment);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    for (int line : {1, 2}) {
        const QStringList fields = lines[line].split(',');
        ASSERT_EQ(fields.size(), 8) << lines[line].toStdString();
        EXPECT_GT(fields[2].toDouble(), 90) << lines[line].toStdString(); // UR is there
        for (int empty : {3, 4, 5, 6})
            EXPECT_TRUE(fields[empty].isEmpty()) << lines[line].toStdString();
    }
    EXPECT_TRUE(run.err.contains("no resonance in the range")) << run.err.toStdString();

    // The spreadsheet file of a measured circuit: a byte-order mark, ";"
    // between fields, numbers with a decimal comma.
    BenchWindow bench(circuit("R=10"));
    runResponse(bench, 100, 1000, 2, 0);
    QTemporaryDir directory;
    const QString file = directory.filePath("r.csv");
    const app::FileChooser before = app::setFileChooser(
        [&](QWidget*, const QString&, const QString&, const QString& filters, QString* chosen) {
            *chosen = filters.split(";;").last();
            return file;
        });
    bench.form().responseWindow().saveCsvClick();
    app::setFileChooser(before);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << bytes.toStdString();
    // The fitted model's comment lines come before the table.
    QStringList rows = QString::fromUtf8(bytes.mid(3)).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_TRUE(rows.first().startsWith('#')) << rows.first().toStdString();
    rows.removeIf([](const QString& row) { return row.startsWith('#'); });
    ASSERT_EQ(rows.size(), 3);
    const QLocale czech(QLocale::Czech);
    for (int row : {1, 2}) {
        const QStringList fields = rows[row].split(';');
        ASSERT_EQ(fields.size(), 8) << rows[row].toStdString();
        for (int field = 0; field < 5; ++field) {
            bool number = false;
            czech.toDouble(fields[field], &number);
            EXPECT_TRUE(number) << rows[row].toStdString() << " " << field;
        }
        EXPECT_NEAR(czech.toDouble(fields[3]), 10.0, 0.05) << rows[row].toStdString();
    }
}

} // namespace
