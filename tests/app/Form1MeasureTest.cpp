// The measurement in the window: readouts, ranges with their labels and the
// input-gain switch through the mixer, driven on the bench through the real
// idle cycle.

#include "app/CanvasWidget.h"
#include "app/ComboBoxItem.h"
#include "support/BenchWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using testcard::BenchWindow;

using testcard::circuit;

// The number of a readout, in the small unit: " 101mV" -> 101, "1.50V" -> 1500.
double reading(const QLineEdit& box) {
    QString text = box.text().trimmed();
    const bool big = !text.contains(QLatin1Char('m'));
    text.remove(QRegularExpression(QStringLiteral("[^0-9.]")));
    return text.toDouble() * (big ? 1000 : 1);
}

// A generator amplitude as an RMS voltage at the line output, in mV.
double millivolts(int amplitude) {
    return amplitude / 32.767 * 1.1;
}

TEST(Form1Measure, ReadoutsOfAResistorFollowOhmsLaw) {
    BenchWindow bench(circuit("R=10"));
    bench.settleOutput();
    bench.capture(2);
    TForm1& form = bench.form();
    EXPECT_EQ(bench.state().sampleCount, 16000); // a recorded block reached the state
    const double U = millivolts(3000);           // 100.7 mV
    EXPECT_NEAR(reading(*form.Edit1), U, 0.02 * U) << form.Edit1->text().toStdString();
    EXPECT_NEAR(reading(*form.Edit4), U / 10, 0.02 * U / 10) << form.Edit4->text().toStdString();
    // 100 Hz from the generator, shown from the coarse pass.
    EXPECT_EQ(form.Edit12->text(), QStringLiteral("   100Hz"));
    // Peaks of about 670 (current) and 5640 (voltage): 20 mA and 200 mV.
    EXPECT_EQ(bench.state().activeCurrentRange, 5);
    EXPECT_EQ(bench.state().activeVoltageRange, 8);
    EXPECT_EQ(form.Edit2->text(), QStringLiteral("+mA"));
    EXPECT_EQ(form.Edit19->text(), QStringLiteral("-mV"));
    // The last number formatted: the top of the voltage scale (10 x 20 mV).
    EXPECT_EQ(bench.state().numberText, "200");
}

// The readouts are laid out without shaping, which is quicker; they look as
// the form font draws the same texts with it.
TEST(Form1Measure, ReadoutsLookAsTheFormFontDrawsThem) {
    BenchWindow bench(circuit("R=10"));
    TForm1& form = bench.form();
    const QFont shaped = form.font();
    for (QLineEdit* box : {form.Edit4, form.Edit12, form.Edit1, form.Edit8}) {
        SCOPED_TRACE(box->objectName().toStdString());
        const QFont own = box->font();
        EXPECT_EQ(own.family(), shaped.family());
        EXPECT_EQ(own.pixelSize(), shaped.pixelSize());
        EXPECT_EQ(own.bold(), shaped.bold());
        for (const char* text : {" 5.4mA", "98.7mA", " 101mV", "1.23A", "12.05V", "   100Hz",
                                 " 19999Hz", "-", "-0.4mA", " 0.0mV"}) {
            box->setText(QString::fromLatin1(text));
            const QImage drawn = box->grab().toImage();
            box->setFont(shaped);
            const QImage reference = box->grab().toImage();
            box->setFont(own);
            EXPECT_EQ(drawn, reference) << text;
        }
    }
}

TEST(Form1Measure, ATypedAmplitudeIsTheVoltageTheLineOutputCarries) {
    // Across a resistor alone UR is the line output's voltage.
    BenchWindow bench(circuit("R=10"));
    TForm1& form = bench.form();
    form.Edit13->setText(QStringLiteral("250"));
    form.Edit13DblClick();
    bench.settleOutput();
    bench.capture(2);
    EXPECT_NEAR(reading(*form.Edit1), 250, 0.02 * 250) << form.Edit1->text().toStdString();
    EXPECT_NEAR(reading(*form.Edit4), 25, 0.02 * 25) << form.Edit4->text().toStdString();
}

TEST(Form1Measure, OneKilohertzReadsOnTheAutomaticTimeBase) {
    BenchWindow bench(circuit("R=10"));
    TForm1& form = bench.form();
    SetItemIndex(*form.ComboBox1, 0); // "automatická"
    form.ComboBox1Click();
    bench.state().generator1Frequency = 1000;
    bench.settleOutput();
    bench.capture(2);
    EXPECT_EQ(form.Edit8->text(), QStringLiteral(" 1000Hz"));
    EXPECT_EQ(form.Edit12->text(), QStringLiteral(" 1000Hz"));
}

TEST(Form1Measure, ALargeVoltageSwitchesToReducedGainAndReadsTrueAllTheSame) {
    BenchWindow bench(circuit("R=10"));
    TForm1& form = bench.form();
    auto lineLevel = [&] { return bench.bench().mixer(0).signalLevels().lineRecording; };
    bench.state().generator1Amplitude = 20000; // 671 mV: clips at full gain
    bench.settleOutput();
    bench.capture(1);
    EXPECT_EQ(bench.state().reducedGain, 1);
    EXPECT_NEAR(lineLevel(), 35535.0 / 65535, 1e-4);
    EXPECT_DOUBLE_EQ(bench.state().voltageReadoutFactor, 0.0652);
    // Until a block recorded at the lower level arrives, the clipped block
    // still overloads the reduced range, and the warning says so.
    EXPECT_TRUE(form.Panel2->isVisibleTo(&form));
    bench.capture(2);
    EXPECT_FALSE(form.Panel2->isVisibleTo(&form));
    const double U = millivolts(20000);
    EXPECT_NEAR(reading(*form.Edit1), U, 0.02 * U) << form.Edit1->text().toStdString();
    EXPECT_NEAR(reading(*form.Edit4), U / 10, 0.02 * U / 10) << form.Edit4->text().toStdString();
    EXPECT_EQ(bench.state().activeVoltageRange, 5); // automatic: 2 V under reduced gain
    EXPECT_EQ(form.Edit18->text(), QStringLiteral("+ V"));

    // A small voltage again: full gain, full level.
    bench.state().generator1Amplitude = 3000;
    bench.settleOutput();
    bench.capture(2);
    EXPECT_EQ(bench.state().reducedGain, 0);
    EXPECT_NEAR(lineLevel(), 1.0, 1e-9);
    EXPECT_NEAR(reading(*form.Edit1), millivolts(3000), 0.02 * millivolts(3000));
}

// A block whose voltage channel peaks at `peak`, put straight into the state.
void voltageBlock(SharedState& state, int peak) {
    for (int k = 0; k < 8000; ++k) {
        state.rawSamples[static_cast<std::size_t>(2 * k)] = k == 500 ? peak : 100;
        state.rawSamples[static_cast<std::size_t>(2 * k + 1)] = 0;
    }
    state.sampleCount = 16000;
}

TEST(Form1Measure, OverloadWarningInBothDisplayModes) {
    // Entering reduced gain hides the warning; the periodic pass then decides
    // it again by the new gain state, the one-shot pass does not.
    const struct {
        int periodic;
        int peak;
        std::int32_t reducedGain;
        bool shown;
    } cases[] = {{1, 30499, 1, false}, {1, 30500, 1, true},  {1, 32767, 1, true},
                 {1, 30500, 0, true},  {0, 30499, 1, false}, {0, 30500, 1, true},
                 {0, 30500, 0, false}};
    {
        for (const auto& c : cases) {
            const int periodic = c.periodic;
            BenchWindow bench;
            TForm1& form = bench.form();
            bench.state().periodicMode = periodic;
            bench.state().reducedGain = c.reducedGain;
            voltageBlock(bench.state(), c.peak);
            form.Panel2->setVisible(!c.shown);
            bench.pass();
            EXPECT_EQ(form.Panel2->isVisibleTo(&form), c.shown)
                << c.peak << " " << c.reducedGain << " periodic " << periodic;
            EXPECT_EQ(bench.state().reducedGain, 1); // 30500 at full gain switches
        }
    }
}

TEST(Form1Measure, ARangeIsAppliedOnlyWhenItDiffersWithOneRefresh) {
    BenchWindow bench;
    TForm1& form = bench.form();
    form.show();
    QImage& screen = form.canvas()->image();
    const QRgb mark = qRgb(1, 2, 3);
    auto marked = [&] { return screen.pixel(400, 300) == mark; };

    // The range that start-up's frame chose for silence is active: choosing
    // it again repaints nothing.
    SetItemIndex(*form.ComboBox10, 12); // 10 mV
    form.ComboBox10Click();
    screen.setPixel(400, 300, mark);
    form.SelectVoltageRange();
    EXPECT_TRUE(marked());

    // Another range: its labels, its gain, and the screen cleared.
    SetItemIndex(*form.ComboBox10, 3); // 10 V
    form.ComboBox10Click();
    form.SelectVoltageRange();
    EXPECT_FALSE(marked());
    EXPECT_EQ(form.Edit18->text(), QStringLiteral("+ V"));
    EXPECT_EQ(form.Edit19->text(), QStringLiteral("- V"));
    EXPECT_DOUBLE_EQ(bench.state().voltageGain, 0.01);

    // Typed text selects no item: the range in force stays, nothing repaints.
    form.ComboBox10->setEditText(QStringLiteral("7 V"));
    form.ComboBox10Click();
    screen.setPixel(400, 300, mark);
    form.SelectVoltageRange();
    EXPECT_TRUE(marked());
    EXPECT_EQ(bench.state().activeVoltageRange, 3);
}

TEST(Form1Measure, CurrentPeakUnderReducedGainAndTheOneAmpereRange) {
    BenchWindow bench;
    TForm1& form = bench.form();
    for (int k = 0; k < 8000; ++k)
        bench.state().rawSamples[static_cast<std::size_t>(2 * k + 1)] = k == 9 ? -20000 : 0;
    bench.state().sampleCount = 16000;
    bench.state().reducedGain = 1;
    bench.state().voltagePeak = 1234;
    form.MeasureCurrent();
    EXPECT_EQ(bench.state().currentPeak, 36000);
    EXPECT_EQ(form.Edit11->text(), QStringLiteral("rmaxl =36000rmaxr =1234"));
    form.SelectCurrentRange();
    EXPECT_EQ(bench.state().activeCurrentRange, 9);
    EXPECT_EQ(form.Edit2->text(), QStringLiteral("+ A"));
    EXPECT_EQ(form.Edit5->text(), QStringLiteral("- A"));
}

TEST(Form1Measure, BeforeTheFirstBlockTheReadoutsAreZero) {
    BenchWindow bench;
    TForm1& form = bench.form();
    EXPECT_EQ(bench.state().sampleCount, 32000);
    form.MeasureCurrent();
    form.MeasureVoltage();
    EXPECT_EQ(form.Edit4->text(), QStringLiteral(" 0.0mA"));
    EXPECT_EQ(form.Edit1->text(), QStringLiteral(" 0.0mV"));
    // Silence has no half-wave: beyond the display limit.
    SetItemIndex(*form.ComboBox1, 0);
    form.ComboBox1Click();
    form.ShowVoltageFrequency();
    EXPECT_EQ(form.Edit8->text(), QStringLiteral("f > fmax"));
}

} // namespace
