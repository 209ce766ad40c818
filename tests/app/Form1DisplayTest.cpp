// The display's controls in the window: channel choice, trigger source, the
// time-base box, one-shot and periodic display, and what "optimum" resets.

#include "app/ComboBoxItem.h"
#include "support/BenchWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

using testcard::BenchWindow;

TEST(Form1Display, ChannelChoiceSetsTracesAndTriggerSource) {
    BenchWindow bench;
    TForm1& form = bench.form();
    const struct {
        QRadioButton* button;
        int current, voltage, source;
    } cases[] = {
        {form.RadioButton3, 1, 0, 1}, {form.RadioButton4, 0, 1, 2}, {form.RadioButton5, 1, 1, 0}};
    for (const auto& c : cases) {
        c.button->click();
        EXPECT_EQ(bench.state().showCurrentTrace, c.current);
        EXPECT_EQ(bench.state().showVoltageTrace, c.voltage);
        EXPECT_EQ(ItemIndex(*form.ComboBox4), c.source);
    }
}

TEST(Form1Display, OptimumReturnsToLPlusRAndClearsTheTimeBase) {
    BenchWindow bench;
    TForm1& form = bench.form();
    form.RadioButton4->click(); // "R"
    bench.capture(1);
    EXPECT_NE(bench.state().timeBaseShown, (std::array<std::int32_t, 8>{}));
    form.Button2Click();
    EXPECT_TRUE(form.RadioButton5->isChecked());
    EXPECT_EQ(bench.state().showCurrentTrace, 1);
    EXPECT_EQ(ItemIndex(*form.ComboBox4), 0);
    // Every entry cleared, so that the next frame switches and draws its labels.
    EXPECT_EQ(bench.state().timeBaseShown, (std::array<std::int32_t, 8>{}));
    bench.pass();
    EXPECT_EQ(bench.state().timeBaseShown[3], 1); // 100 Hz from the generator: 20 ms
}

TEST(Form1Display, TimeBaseBoxSetsTheTimeBaseFlags) {
    BenchWindow bench;
    TForm1& form = bench.form();
    const struct {
        int item;
        int autoTimeBase, generatorTimeBase;
    } cases[] = {{0, 1, 0}, {3, 0, 0}, {8, 1, 1}, {7, 0, 0}};
    for (const auto& c : cases) {
        SetItemIndex(*form.ComboBox1, c.item);
        emit form.ComboBox1->activated(c.item);
        EXPECT_EQ(bench.state().autoTimeBase, c.autoTimeBase) << c.item;
        EXPECT_EQ(bench.state().generatorTimeBase, c.generatorTimeBase) << c.item;
    }
    // A manual time base stays whatever the frequency.
    SetItemIndex(*form.ComboBox1, 3);
    form.ComboBox1Click();
    bench.state().generator1Frequency = 1000;
    bench.settleOutput();
    bench.capture(2);
    EXPECT_EQ(bench.state().timeBaseShown[3], 1);
    EXPECT_EQ(bench.state().sampleStep, 1);
    EXPECT_DOUBLE_EQ(bench.state().pixelsPerPoint, 0.83);
}

TEST(Form1Display, OneShotFreezesTheTraceWhileTheReadoutsFollow) {
    BenchWindow bench;
    TForm1& form = bench.form();
    bench.settleOutput();
    bench.capture(1);
    form.Button3->click();
    EXPECT_EQ(bench.state().periodicMode, 0);
    EXPECT_EQ(form.Button3->text(), QString::fromUtf8("periodické"));
    const std::uint16_t trigger = bench.state().currentTriggerIndex;
    const auto timeBase = bench.state().timeBaseShown;

    // A louder generator: the readouts follow, the frame does not.
    const QString before = form.Edit1->text();
    bench.state().generator1Amplitude = 6000;
    bench.settleOutput();
    bench.capture(2);
    EXPECT_NE(form.Edit1->text(), before);
    EXPECT_EQ(bench.state().timeBaseShown, timeBase);
    EXPECT_EQ(bench.state().currentTriggerIndex, trigger);

    form.Button3->click();
    EXPECT_EQ(bench.state().periodicMode, 1);
    EXPECT_EQ(form.Button3->text(), QString::fromUtf8("jednorázové"));
}

} // namespace
