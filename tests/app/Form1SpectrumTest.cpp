// The spectrum view and the harmonic table on the bench: two generators whose
// second is a harmonic of the first, pure sines, a diode's current against
// an independent solution of its circuit, the diode's X-Y characteristic,
// the drawing against the scales, the menu's choices, the export, and the
// table from the command line.

#include "app/CanvasWidget.h"
#include "app/Snapshot.h"
#include "display/ScreenGeometry.h"
#include "display/SpectrumView.h"
#include "display/XYView.h"
#include "measure/Ranges.h"
#include "support/BenchWindow.h"
#include "support/ProgramRun.h"

#include <QAction>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <string>

namespace {

using testcard::BenchWindow;
constexpr double pi = std::numbers::pi;

void snapshot(QWidget& widget, const char* name) {
    const QString directory = qEnvironmentVariable("ZO_SNAPSHOT_DIR");
    if (directory.isEmpty()) return;
    EXPECT_TRUE(saveWindowImage(widget, directory + "/" + name + ".png").isEmpty());
}

// Milliamperes or millivolts per 20-pixel division of a channel's scale in
// force (a scale in A or V counts thousands).
double perDivision(const SharedState& s, measure::Channel channel) {
    const bool current = channel == measure::Channel::current;
    const auto spec =
        measure::rangeSpec(channel, current ? s.activeCurrentRange : s.activeVoltageRange);
    const bool milli = std::string(spec->upperUnit).find('m') != std::string::npos;
    return (current ? s.currentDivisionValue : s.voltageDivisionValue) * (milli ? 1 : 1000);
}

using testcard::circuit;

// The window on the circuit with the generators as given, settled, with
// "spektrum" on and drawn.
std::unique_ptr<BenchWindow> spectrumOf(const char* spec, int f1, int a1, int f2 = 0, int a2 = 0) {
    auto bench = std::make_unique<BenchWindow>(circuit(spec));
    SharedState& s = bench->state();
    s.generator1Frequency = f1;
    s.generator1Amplitude = a1;
    s.generator2Frequency = f2;
    s.generator2Amplitude = a2;
    bench->form().show();
    bench->settleOutput();
    bench->capture(3);
    bench->form().spectrumAction->setChecked(true);
    bench->pass();
    return bench;
}

TEST(Form1Spectrum, GeneratorTwoOnAnOddHarmonicReadsAsThatHarmonic) {
    // Into R = 10 the voltage is the generators' sum: generator 2's share of
    // the amplitude is its harmonic's percentage and the THD.
    const struct { int f1, f2, a1, a2; } cases[] = {{100, 300, 3000, 600}, {200, 1000, 4000, 400}};
    for (const auto& c : cases) {
        auto bench = spectrumOf("R=10", c.f1, c.a1, c.f2, c.a2);
        const measure::HarmonicTable& t = bench->form().harmonicTable();
        ASSERT_TRUE(t.valid) << c.f1;
        EXPECT_NEAR(t.fundamental, c.f1, 0.01 * c.f1);
        const double ratio = double(c.a2) / c.a1;
        const int order = c.f2 / c.f1;
        for (const measure::Harmonic& row : t.rows) {
            ASSERT_TRUE(row.voltagePercent && row.currentPercent);
            if (row.order == order) {
                EXPECT_NEAR(*row.voltagePercent / 100, ratio, 0.005 * ratio) << c.f1;
                EXPECT_NEAR(*row.currentPercent / 100, ratio, 0.005 * ratio) << c.f1;
            } else if (row.order > 1) {
                EXPECT_LT(*row.voltagePercent, 0.1) << c.f1 << " order " << row.order;
                EXPECT_LT(*row.currentPercent, 0.1) << c.f1 << " order " << row.order;
            }
        }
        EXPECT_NEAR(*t.voltageThd / 100, ratio, 0.005 * ratio) << c.f1;
        EXPECT_NEAR(*t.currentThd / 100, ratio, 0.005 * ratio) << c.f1;
        // Generator 1 at amplitude A plays A / 32.767 x 1.1 mV RMS.
        const double U = c.a1 / 32.767 * 1.1;
        EXPECT_NEAR(t.rows[0].voltage, U, 0.005 * U);
        EXPECT_NEAR(t.rows[0].current, U / 10, 0.005 * U / 10);
    }
}

TEST(Form1Spectrum, APureSineHasNoDistortionAndItsLineIsItsReadout) {
    // 1234 Hz lies between two bins (223.85 bin widths).
    for (const int f : {100, 1234, 3000}) {
        auto bench = spectrumOf("R=10", f, 5000);
        const measure::HarmonicTable& t = bench->form().harmonicTable();
        ASSERT_TRUE(t.valid) << f;
        EXPECT_LT(*t.voltageThd, 0.05) << f;
        EXPECT_LT(*t.currentThd, 0.05) << f;
        const SharedState& s = bench->state();
        EXPECT_NEAR(t.rows[0].voltage, s.voltageReading, 0.005 * s.voltageReading) << f;
        EXPECT_NEAR(t.rows[0].current, s.currentReading, 0.005 * s.currentReading) << f;
        // 3 kHz: harmonics 7 to 10 lie above 20 kHz.
        EXPECT_EQ(t.ordersInRange, f == 3000 ? 6 : 10);
    }
}

// The 1N4148 of the bench: IS = 2.52 nA, n = 1.752, VT = 25.85 mV; mA and mV.
constexpr double saturation = 2.52e-6;
constexpr double emission = 1.752 * 25.85;

// The current of R in series with the diode at voltage V, by bisection on
// V = I R + n VT ln(1 + I / IS).
double seriesCurrent(double V, double R) {
    double low = -saturation, high = std::max(0.0, V / R);
    for (int k = 0; k < 200; ++k) {
        const double mid = (low + high) / 2;
        const double v = mid * R + emission * std::log1p(mid / saturation);
        (v < V ? low : high) = mid;
    }
    return (low + high) / 2;
}

TEST(Form1Spectrum, TheDiodesCurrentHasTheHarmonicsOfItsCircuit) {
    for (const int amplitude : {20000, 30000}) {
        auto bench = spectrumOf("R=100,D", 100, amplitude);
        if (amplitude == 20000) snapshot(bench->form(), "spectrum-diode");
        const measure::HarmonicTable& t = bench->form().harmonicTable();
        ASSERT_TRUE(t.valid);
        // One period of 441 samples of the played sine, the current through
        // the circuit at each, and its Fourier sums.
        const double peak = amplitude / 32.767 * 1.1 * std::sqrt(2.0);
        constexpr int n = 441;
        std::complex<double> sums[11] = {};
        for (int k = 0; k < n; ++k) {
            const double u = peak * std::sin(2 * pi * k / n);
            const double i = seriesCurrent(u, 100);
            for (int h = 1; h <= 10; ++h)
                sums[h] += i * std::polar(1.0, -2 * pi * h * k / n);
        }
        // A line of peak 2 |sum| / n has the RMS |sum| sqrt(2) / n.
        const double fundamental = std::abs(sums[1]) * std::sqrt(2.0) / n;
        ASSERT_GT(fundamental, 0.5); // well into conduction: more than half a milliampere
        for (int h = 1; h <= 10; ++h) {
            const double expected = std::abs(sums[h]) * std::sqrt(2.0) / n;
            EXPECT_NEAR(t.rows[static_cast<std::size_t>(h - 1)].current, expected,
                        0.01 * fundamental)
                << amplitude << " harmonic " << h;
        }
        // A half-wave current: its second harmonic is far from small.
        EXPECT_GT(*t.rows[1].currentPercent, 10);
    }
}

TEST(Form1Spectrum, XYOfTheDiodeFollowsItsCharacteristic) {
    for (const int amplitude : {20000, 30000}) {
        BenchWindow bench(circuit("R=100,D"));
        bench.state().generator1Amplitude = amplitude;
        TForm1& form = bench.form();
        form.show();
        bench.settleOutput();
        bench.capture(3);
        form.xyViewAction->setChecked(true);
        bench.pass();
        if (amplitude == 20000) snapshot(form, "xy-diode");
        const QImage& image = form.canvas()->canvas().image();
        const SharedState& s = bench.state();
        // The figure's pixels per mA and mV: a raw unit is factor / sqrt(2)
        // mA (mV) by the readouts' calibration, and trace factor x gain pixels.
        const double xPerMa =
            s.currentTraceFactor * s.currentGain * std::sqrt(2.0) / s.currentReadoutFactor;
        const double yPerMv =
            s.voltageTraceFactor * s.voltageGain * std::sqrt(2.0) / s.voltageReadoutFactor;
        const int xc = display::divisionX(display::gridUnit(image.width()), 5, display::originX);
        const int yc = display::centreY(image.height());
        const double peak = amplitude / 32.767 * 1.1 * std::sqrt(2.0);
        // The characteristic in pixels over the played voltages, finely sampled.
        std::vector<QPointF> curve;
        for (double v = -peak; v <= peak; v += 0.5)
            curve.emplace_back(xc + seriesCurrent(v, 100) * xPerMa, yc - v * yPerMv);
        std::vector<QPoint> lit;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == display::xyColour) lit.emplace_back(x, y);
        ASSERT_GT(lit.size(), 100u);
        // The largest distance from a point of one set to the nearest of the other.
        auto farthest = [](const auto& from, const auto& to) {
            double worst = 0;
            for (const auto& p : from) {
                double nearest = 1e9;
                for (const auto& q : to)
                    nearest = std::min(nearest, std::hypot(p.x() - q.x(), p.y() - q.y()));
                worst = std::max(worst, nearest);
            }
            return worst;
        };
        // The curve passes within 2 pixels of the figure everywhere ...
        EXPECT_LE(farthest(curve, lit), 2.0) << amplitude;
        // ... and the figure strays from it by no more than 2 pixels and the
        // bench's recording noise of one raw unit of current.
        const double worstFigure = farthest(lit, curve);
        EXPECT_LE(worstFigure, 2.0 + s.currentTraceFactor * s.currentGain) << amplitude;
    }
}

TEST(Form1Spectrum, LinesStandOnTheScalesAndInDecibels) {
    auto bench = spectrumOf("R=10", 100, 3000, 300, 600);
    TForm1& form = bench->form();
    const QImage& image = form.canvas()->canvas().image();
    const SharedState& s = bench->state();
    const int yc = display::centreY(image.height());
    // The highest pixel of a colour within two columns of a frequency.
    auto top = [&](QRgb colour, double f) {
        const int x = static_cast<int>(std::lround(display::spectrumX(f, image.width())));
        for (int y = 0; y < image.height(); ++y)
            for (int dx = -2; dx <= 2; ++dx)
                if (image.pixel(x + dx, y) == colour) return y;
        return -1;
    };
    // Linear: as high above the centre line as the RMS value on the scale.
    const double U = 3000 / 32.767 * 1.1, I = U / 10;
    const double mV = perDivision(s, measure::Channel::voltage);
    const double mA = perDivision(s, measure::Channel::current);
    EXPECT_NEAR(yc - top(display::colour::aqua, 100), U / mV * 20, 2);
    EXPECT_NEAR(yc - top(display::colour::yellow, 100), I / mA * 20, 2);
    EXPECT_NEAR(yc - top(display::colour::aqua, 300), 0.2 * U / mV * 20, 2);
    // The table stands at the top right.
    int tableText = 0;
    for (int y = yc - 200; y < yc - 200 + 13 * 12; ++y)
        for (int x = image.width() - 320; x < image.width() - 11; ++x)
            tableText += image.pixel(x, y) != display::colour::black;
    EXPECT_GT(tableText, 300);

    // dB: the fundamental at the top of the grid, the 3rd harmonic 13.98 dB
    // (20 log 0.2) lower at 4 pixels per dB.
    form.spectrumDbAction->setChecked(true);
    bench->pass();
    snapshot(form, "spectrum-db");
    EXPECT_NEAR(top(display::colour::aqua, 100), yc - 200, 1);
    EXPECT_NEAR(top(display::colour::aqua, 300), yc - 200 + 13.98 * 4, 2);
    // The current alone (the voltage's line covers it through R = 10).
    form.RadioButton3->setChecked(true);
    bench->pass();
    EXPECT_NEAR(top(display::colour::yellow, 100), yc - 200, 1);
    EXPECT_NEAR(top(display::colour::yellow, 300), yc - 200 + 13.98 * 4, 2);
}

TEST(Form1Spectrum, TheChoicesExcludeXYAndTheScreenComesBack) {
    auto run = [](bool useTheSpectrum) {
        BenchWindow bench(circuit("R=10,C=100u"));
        TForm1& form = bench.form();
        form.show();
        bench.settleOutput();
        bench.capture(2);
        if (useTheSpectrum) {
            const QImage before = form.canvas()->canvas().image();
            form.xyViewAction->setChecked(true);
            form.spectrumAction->setChecked(true);
            EXPECT_FALSE(form.xyViewAction->isChecked());
            bench.pass();
            EXPECT_NE(form.canvas()->canvas().image(), before);
            form.spectrumDbAction->setChecked(true);
            EXPECT_TRUE(form.spectrumAction->isChecked());
            bench.pass();
            form.xyViewAction->setChecked(true);
            EXPECT_FALSE(form.spectrumAction->isChecked());
            EXPECT_FALSE(form.spectrumDbAction->isChecked());
            form.spectrumDbAction->setChecked(true); // dB switches the spectrum on
            EXPECT_TRUE(form.spectrumAction->isChecked());
            EXPECT_FALSE(form.xyViewAction->isChecked());
            bench.pass();
            form.spectrumAction->setChecked(false);
            EXPECT_FALSE(form.spectrumDbAction->isChecked());
        }
        bench.capture(1);
        return form.canvas()->canvas().image();
    };
    const QImage untouched = run(false);
    EXPECT_EQ(run(true), untouched);
}

TEST(Form1Spectrum, TheBlockExportGainsTheSpectrumsColumns) {
    QTemporaryDir directory;
    auto bench = spectrumOf("R=10", 1000, 3000);
    const QString file = directory.filePath("block.csv");
    ASSERT_TRUE(bench->form().saveBlockCsv(file).isEmpty());
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8001);
    EXPECT_EQ(lines[0], "t [ms],IL [mA],UR [mV],f [Hz],IL RMS [mA],UR RMS [mV]");
    // The highest line and its frequency, against the readouts.
    double f = 0, current = 0, voltage = 0, currentSquares = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(',');
        ASSERT_EQ(fields.size(), 6) << i;
        currentSquares += fields[1].toDouble() * fields[1].toDouble();
        if (i > 4001) {
            EXPECT_TRUE(fields[3].isEmpty()) << i;
            continue;
        }
        if (fields[5].toDouble() > voltage) {
            voltage = fields[5].toDouble();
            current = fields[4].toDouble();
            f = fields[3].toDouble();
        }
    }
    EXPECT_NEAR(f, 1000, 5.5125);
    EXPECT_NEAR(voltage, bench->state().voltageReading, 0.005 * bench->state().voltageReading);
    EXPECT_NEAR(current, bench->state().currentReading, 0.005 * bench->state().currentReading);
    // The time columns are as before.
    EXPECT_NEAR(std::sqrt(currentSquares / 8000), bench->state().currentReading, 0.05);
}

TEST(Form1Spectrum, WithoutSignalTheTableSaysSo) {
    auto bench = spectrumOf("R=10", 100, 0);
    const measure::HarmonicTable& t = bench->form().harmonicTable();
    EXPECT_FALSE(t.valid);
    EXPECT_EQ(t.missing, measure::HarmonicTable::Missing::signal);
    // The screen's note, at the top right.
    const QImage& image = bench->form().canvas()->canvas().image();
    const int yc = display::centreY(image.height());
    int text = 0;
    for (int y = yc - 198; y < yc - 198 + 13; ++y)
        for (int x = image.width() - 320; x < image.width() - 11; ++x)
            text += image.pixel(x, y) == display::colour::white;
    EXPECT_GT(text, 50);
}

TEST(Form1Spectrum, HarmonicsFromTheCommandLine) {
    QTemporaryDir directory;
    const QString file = directory.filePath("h.csv");
    const struct {
        QStringList arguments;
        int status;
        const char* says; // on stderr, or nothing
    } cases[] = {
        {{"--audio=bench", "--circuit=R=10", "--harmonics"}, 0, nullptr},
        {{"--audio=bench", "--circuit=R=10", "--harmonics-out=" + file}, 0, nullptr},
        {{"--audio=bench", "--circuit=R=1M", "--harmonics"}, 0, "the current is too small"},
        {{"--audio=bench", "--circuit=R=10,L=1m,D", "--harmonics"}, 2, "diode with L"},
        {{"--audio=bench", "--circuit=D", "--harmonics"}, 2, "resistor R is required"},
        {{"--audio=bench", "--harmonics-out=" + directory.filePath("no/such/h.csv")},
         2,
         "--harmonics-out="},
        {{"--harmonics", "--response=50:500:3"}, 2, "cannot run together"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runProgram(c.arguments);
        const std::string what = c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.status, c.status) << what << "\n" << run.err.toStdString();
        if (c.says) {
            EXPECT_NE(run.err.indexOf(c.says), -1) << what << "\n" << run.err.toStdString();
        }
        if (c.status == 2) {
            EXPECT_EQ(ownLines(run.err).size(), 1) << what << "\n" << run.err.toStdString();
            EXPECT_TRUE(run.out.isEmpty()) << what;
            continue;
        }
        QByteArray csv = run.out;
        if (c.arguments.last().startsWith("--harmonics-out")) {
            QFile written(file);
            ASSERT_TRUE(written.open(QIODevice::ReadOnly));
            csv = written.readAll();
            EXPECT_TRUE(run.out.isEmpty());
        }
        const QList<QByteArray> lines = csv.split('\n');
        ASSERT_EQ(lines.size(), 13) << what; // 12 lines and the empty end
        EXPECT_EQ(lines[0], "n,f [Hz],IL [mA],IL [%],UR [mV],UR [%]");
        // The start-up generator: 100 Hz at 3000, 100.7 mV RMS.
        const QList<QByteArray> first = lines[1].split(',');
        ASSERT_EQ(first.size(), 6);
        EXPECT_NEAR(first[1].toDouble(), 100, 0.1) << what;
        EXPECT_NEAR(first[4].toDouble(), 3000 / 32.767 * 1.1, 0.5) << what;
        EXPECT_EQ(first[3].isEmpty(), c.says != nullptr) << what;
        EXPECT_TRUE(lines[11].startsWith("THD,,,")) << what;
    }
}

} // namespace
