// Start-up defaults, "optimum", the default button and the window's refresh.

#include "app/CanvasWidget.h"
#include "app/ComboBoxItem.h"
#include "app/Form1.h"
#include "app/StateFields.h"

#include <QComboBox>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct StartValue {
    const char* name;
    double value;
};

// The documented start value of every variable that start-up sets and its
// own display frame (drawn when the frequency slider moves) leaves alone.
const StartValue startValues[] = {
    {"sampleCount", 32000},
    {"voltageStartMark", 1},
    {"currentReadoutFactor", 0.03},
    {"currentTraceFactor", 0.042},
    {"voltageTraceFactor", 0.0494},
    {"voltageReadoutFactor", 0.0357},
    {"reducedGain", 0},
    {"generator2Frequency", 0},
    {"generator2Amplitude", 0},
    {"tracePenWidth", 1},
    {"voltageTraceShift", 0},
    {"drawnVoltageShift", 0},
    {"currentTraceShift", 0},
    {"drawnCurrentShift", 0},
    {"gridVisible", 1},
    {"periodicMode", 1},
    {"gridBrightness", 75},
    {"voltageSmoothingDivisor", 16},
    {"currentSmoothingDivisor", 16},
    {"autoTimeBase", 1},
    {"voltageAutoRange", 1},
    {"currentAutoRange", 1},
    {"generator1Frequency", 100},
    {"currentFrequency", 40},
    {"voltageFrequency", 40},
    {"generator1Amplitude", 3000},
    {"generatorTimeBase", 1},
    {"sweepActive", 0},
    {"steppingActive", 0},
    {"showCurrentTrace", 1},
    {"showVoltageTrace", 1},
};

class StartupTest : public ::testing::Test {
protected:
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>();
};

TEST_F(StartupTest, EveryStartValueIsSet) {
    const QJsonObject state = sharedStateScalars(form->state);
    for (const StartValue& expected : startValues) {
        SCOPED_TRACE(expected.name);
        ASSERT_TRUE(state.contains(QLatin1String(expected.name)));
        EXPECT_DOUBLE_EQ(state.value(QLatin1String(expected.name)).toDouble(), expected.value);
    }
    EXPECT_EQ(form->state.numberText, "101");
    // The frame drawn inside start-up, over silence, chose the most sensitive
    // ranges and, as the time base did not follow generator 1 yet, the 1 ms
    // time base of a silence measured as beyond the display limit.
    const struct {
        const char* name;
        double value;
    } frame[] = {{"activeCurrentRange", 8},  {"currentDivisionValue", 0.2}, {"currentGain", 50},
                 {"activeVoltageRange", 12}, {"voltageDivisionValue", 1},   {"voltageGain", 10},
                 {"sampleStep", 1},          {"pixelsPerPoint", 17}};
    for (const auto& expected : frame)
        EXPECT_DOUBLE_EQ(state.value(QLatin1String(expected.name)).toDouble(), expected.value)
            << expected.name;
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(form->state.timeBaseShown[i], i == 7 ? 1 : 0);
    // The sample array is untouched until the first block arrives.
    for (std::int32_t value : form->state.rawSamples)
        ASSERT_EQ(value, 0);
}

TEST_F(StartupTest, ControlsTakeTheirStartPositions) {
    EXPECT_EQ(form->Edit14->text(), " 100");
    EXPECT_EQ(form->Edit13->text(), "101");
    EXPECT_EQ(ItemIndex(*form->ComboBox9), 0);
    EXPECT_EQ(ItemIndex(*form->ComboBox10), 0);
    EXPECT_EQ(ItemIndex(*form->ComboBox4), 0);
    EXPECT_EQ(ItemIndex(*form->ComboBox1), 8);
    EXPECT_EQ(ItemIndex(*form->ComboBox7), 0);
    EXPECT_EQ(ItemIndex(*form->ComboBox8), 1);
    EXPECT_TRUE(form->RadioButton5->isChecked());
    EXPECT_EQ(form->ScrollBar5->minimum(), 100);
    EXPECT_EQ(form->ScrollBar5->maximum(), 1000);
    EXPECT_EQ(form->ScrollBar5->value(), 100);
    EXPECT_EQ(form->ScrollBar5->pageStep(), 10);
    EXPECT_EQ(form->ScrollBar5->singleStep(), 1);
    EXPECT_EQ(form->ScrollBar4->maximum(), 32767);
    EXPECT_EQ(form->ScrollBar4->value(), 3000);
    EXPECT_EQ(form->Panel13->pos(), QPoint(0, 498));
    EXPECT_EQ(form->Panel410->pos(), QPoint(0, 472));
    EXPECT_EQ(form->Panel110->pos(), QPoint(388, 498));
    EXPECT_EQ(form->Edit18->y(), 37);
    EXPECT_EQ(form->Edit2->y(), 37);
    EXPECT_EQ(form->Edit19->y(), 475);
    EXPECT_EQ(form->Edit5->y(), 475);
    EXPECT_FALSE(form->Panel14->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(form->idleHooked());
    EXPECT_EQ(form->canvas()->size(), QSize(clientWidth, clientHeight));
}

// Pressing "optimum" after everything has changed gives the start-up state
// again, except the two readout factors.
TEST_F(StartupTest, OptimumRestoresTheDefaultsWithItsOwnReadoutFactors) {
    const QJsonObject afterStart = sharedStateScalars(form->state);

    SharedState& s = form->state;
    s = *std::make_unique<SharedState>();
    s.reducedGain = 1;
    s.generator2Amplitude = 500;
    s.generator2Frequency = 700;
    s.sweepActive = 1;
    s.steppingActive = 1;
    s.voltageTraceShift = 3;
    s.drawnVoltageShift = 4;
    s.currentTraceShift = 5;
    s.drawnCurrentShift = 6;
    s.timeBaseShown[3] = 1;
    SetItemIndex(*form->ComboBox9, 4);
    form->ComboBox10->setEditText("typed");
    form->RadioButton3->setChecked(true);
    SetItemIndex(*form->ComboBox1, 2);
    SetItemIndex(*form->ComboBox8, 0);
    form->ScrollBar5->setRange(20, 100);
    form->ScrollBar5->setValue(50);
    form->ScrollBar4->setValue(9000);
    form->Edit14->setText("x");
    form->Panel13->move(0, 300);
    form->Timer1->start();

    form->Button2->click();

    const QJsonObject afterOptimum = sharedStateScalars(form->state);
    QStringList differing;
    for (auto it = afterStart.begin(); it != afterStart.end(); ++it) {
        if (afterOptimum.value(it.key()) != it.value()) differing << it.key();
    }
    differing.sort();
    EXPECT_EQ(differing, QStringList({"currentReadoutFactor", "voltageReadoutFactor"}));
    EXPECT_DOUBLE_EQ(s.currentReadoutFactor, 0.02644596);
    EXPECT_DOUBLE_EQ(s.voltageReadoutFactor, 0.035);
    EXPECT_EQ(s.timeBaseShown[3], 0);

    EXPECT_EQ(ItemIndex(*form->ComboBox9), 0);
    EXPECT_EQ(ItemIndex(*form->ComboBox10), 0);
    EXPECT_EQ(ItemIndex(*form->ComboBox1), 8);
    EXPECT_EQ(ItemIndex(*form->ComboBox8), 1);
    EXPECT_TRUE(form->RadioButton5->isChecked());
    EXPECT_EQ(form->ScrollBar5->value(), 100);
    EXPECT_EQ(form->ScrollBar5->maximum(), 1000);
    EXPECT_EQ(form->ScrollBar4->value(), 3000);
    EXPECT_EQ(form->Edit14->text(), " 100");
    EXPECT_EQ(form->Edit13->text(), "101");
    EXPECT_EQ(form->Panel13->pos(), QPoint(0, 498));
    EXPECT_FALSE(form->Timer1->isActive());
}

// "optimum" checks L+R after the generator settings, so its click reaction
// runs only when another channel choice was active.
TEST_F(StartupTest, OptimumChecksLPlusRAfterTheGeneratorSettings) {
    form->RadioButton4->setChecked(true);
    int amplitudeWhenChecked = -1;
    QObject::connect(form->RadioButton5, &QRadioButton::toggled, [&](bool checked) {
        if (checked) amplitudeWhenChecked = form->state.generator1Amplitude;
    });
    form->state.generator1Amplitude = 7;
    form->Button2->click();
    EXPECT_EQ(amplitudeWhenChecked, 3000);
}

struct EnterCase {
    const char* focus;
    bool optimumPressed;
    bool button3Pressed;
};

// Shown by its name in test listings.
void PrintTo(const EnterCase& c, std::ostream* os) {
    *os << c.focus;
}

class DefaultButtonTest : public ::testing::TestWithParam<EnterCase> {};

TEST_P(DefaultButtonTest, EnterPressesOptimumUnlessAButtonHasTheFocus) {
    const EnterCase c = GetParam();
    auto form = std::make_unique<TForm1>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QSignalSpy button3(form->Button3, &QPushButton::clicked);
    form->state.currentReadoutFactor = 1.0;

    QWidget* focus = form->findChild<QWidget*>(QString::fromLatin1(c.focus));
    ASSERT_NE(focus, nullptr);
    form->activateWindow();
    focus->setFocus();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : focus,
                    Qt::Key_Return);

    EXPECT_EQ(form->state.currentReadoutFactor == 0.02644596, c.optimumPressed);
    EXPECT_EQ(button3.count(), c.button3Pressed ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Focus, DefaultButtonTest,
    ::testing::Values(EnterCase{"Edit4", true, false}, EnterCase{"Edit14", true, false},
                      EnterCase{"ComboBox9", true, false}, EnterCase{"RadioButton3", true, false},
                      EnterCase{"ScrollBar5", true, false}, EnterCase{"Button2", true, false},
                      EnterCase{"Button3", false, true}),
    [](const auto& info) { return std::string(info.param.focus); });

TEST_F(StartupTest, RefreshAndResizeClearTheScreenToBlack) {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QImage& image = form->canvas()->image();
    ASSERT_EQ(image.size(), QSize(clientWidth, clientHeight));

    image.fill(Qt::green);
    form->Refresh();
    EXPECT_EQ(image.pixelColor(400, 263), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));

    image.setPixelColor(100, 100, Qt::yellow);
    form->FormResize();
    EXPECT_EQ(image.pixelColor(100, 100), QColor(Qt::black));

    // What was drawn reaches the screen with the next paint.
    image.setPixelColor(200, 200, Qt::yellow);
    form->canvas()->present();
    const QImage shown = form->canvas()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(200, 200), QColor(Qt::yellow));
    EXPECT_EQ(shown.pixelColor(201, 200), QColor(Qt::black));
}

TEST_F(StartupTest, ClosingStopsTheIdleCycle) {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QSignalSpy closing(form.get(), &TForm1::closing);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(closing.count(), 1);
    EXPECT_FALSE(form->idleHooked());
    const auto passes = form->idlePassCount();
    QTest::qWait(30);
    EXPECT_EQ(form->idlePassCount(), passes);
}

} // namespace
