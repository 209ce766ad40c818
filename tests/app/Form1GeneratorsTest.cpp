// Generator panels in the window: the slider reactions at start-up, the range
// boxes, typed values, and the menu that shows and cancels the panels.
#include "GeneratorWindow.h"
#include "audio/AudioIn.h"

#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <ostream>

namespace {

using Form1Generators = GeneratorWindow;

TEST(Form1GeneratorsStartUp, TheFrequencySliderReactionRunsInsideStartUp) {
    auto form = std::make_unique<TForm1>();
    EXPECT_EQ(form->Edit3->text(), " Hz");
    EXPECT_EQ(form->Edit14->text(), " 100");
    EXPECT_EQ(form->Edit13->text(), "101");
    // No idle pass has run yet: the capture was started by the reaction.
    EXPECT_EQ(form->idlePassCount(), 0u);
    EXPECT_TRUE(form->AudioIn1->DeviceOpen) << form->AudioIn1->LastError;
}

TEST_F(Form1Generators, AmplitudeRangesOfBothPanels) {
    struct Panel {
        QComboBox* box;
        QScrollBar* slider;
        QLineEdit* readout;
        std::int32_t* amplitude;
    };
    const Panel panels[] = {
        {form->ComboBox7, form->ScrollBar4, form->Edit13, &form->state.generator1Amplitude},
        {form->ComboBox410, form->ScrollBar403, form->Edit403, &form->state.generator2Amplitude}};
    const struct {
        int from, item, maximum, position;
        const char* readout;
    } table[] = {
        {3000, 3, 3280, 164, "6"},
        {16384, 0, 32767, 16384, "550"}, // refreshed although the position stays
        {3000, 2, 8200, 4100, "138"},
    };
    for (const Panel& p : panels) {
        for (const auto& c : table) {
            SCOPED_TRACE(p.box->objectName().toStdString() + " item " + std::to_string(c.item));
            p.slider->setRange(0, 32767);
            p.slider->setValue(c.from);
            p.readout->setText(QStringLiteral("x"));
            choose(*p.box, c.item);
            EXPECT_EQ(p.slider->maximum(), c.maximum);
            EXPECT_EQ(p.slider->value(), c.position);
            EXPECT_EQ(*p.amplitude, c.position);
            EXPECT_EQ(p.readout->text(), c.readout);
        }
    }
    // Full scale of " 0 až 2000m V" reads 1100 mV.
    choose(*form->ComboBox410, 0);
    form->ScrollBar403->setValue(32767);
    EXPECT_EQ(form->Edit403->text(), "1100");
    EXPECT_EQ(form->state.numberText, "1100");
}

TEST_F(Form1Generators, OffSilencesGenerator1AndTheLastItemsOfGenerator2ChangeNothing) {
    choose(*form->ComboBox7, 7); // "  vypnuto"
    EXPECT_EQ(form->state.generator1Amplitude, 0);
    EXPECT_EQ(form->ScrollBar4->value(), 0);
    EXPECT_EQ(form->Edit13->text(), "0");

    form->ScrollBar403->setValue(2000);
    const QString readout = form->Edit403->text();
    for (int item : {7, 8}) {
        choose(*form->ComboBox410, item);
        EXPECT_EQ(form->ScrollBar403->value(), 2000) << item;
        EXPECT_EQ(form->ScrollBar403->maximum(), 32767) << item;
        EXPECT_EQ(form->state.generator2Amplitude, 2000) << item;
        EXPECT_EQ(form->Edit403->text(), readout) << item;
    }
    form->ComboBox410->setEditText(QStringLiteral(" 0 až 3 V")); // typed: no item
    EXPECT_EQ(form->ScrollBar403->maximum(), 32767);
}

TEST_F(Form1Generators, FrequencyRangeMovesTheSliderInTheTablesOrder) {
    choose(*form->ComboBox8, 0);
    ASSERT_EQ(form->ScrollBar5->minimum(), 20);
    ASSERT_EQ(form->ScrollBar5->value(), 50);
    QSignalSpy moves(form->ScrollBar5, &QScrollBar::valueChanged);
    choose(*form->ComboBox8, 2);
    // Max 20000 keeps 50; Min 1000 moves it to 1000; then 4000.
    ASSERT_EQ(moves.count(), 2);
    EXPECT_EQ(moves[0][0].toInt(), 1000);
    EXPECT_EQ(moves[1][0].toInt(), 4000);
    EXPECT_EQ(form->ScrollBar5->maximum(), 20000);
    EXPECT_EQ(form->state.generator1Frequency, 4000);
    EXPECT_EQ(form->Edit14->text(), " 4.0");
    EXPECT_EQ(form->ScrollBar5->pageStep(), 100);
    EXPECT_EQ(form->ScrollBar5->singleStep(), 10);

    // Generator 2's box acts on its own slider, in Hz; its last item cancels it.
    form->zobrazit2->trigger();
    choose(*form->ComboBox411, 2);
    EXPECT_EQ(form->state.generator2Frequency, 4000);
    EXPECT_EQ(form->Edit409->text(), "4000");
    choose(*form->ComboBox411, 4);
    EXPECT_FALSE(form->Panel410->isVisible());
    EXPECT_EQ(form->state.generator2Frequency, 0);
    EXPECT_EQ(form->state.generator2Amplitude, 0);
}

TEST_F(Form1Generators, FrequencySliderPositions) {
    choose(*form->ComboBox8, 2);
    const struct {
        int position, frequency;
        const char* readout;
        const char* unit;
        bool warning;
    } table[] = {
        {4120, 4100, " 4.1", "kHz", true}, {4050, 4000, " 4.0", "kHz", true},
        {4150, 4200, " 4.2", "kHz", true}, {2500, 2500, " 2.5", "kHz", false},
        {2600, 2600, " 2.6", "kHz", true}, {1000, 1000, " 1.0", "kHz", false},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.position);
        form->ScrollBar5->setValue(c.position);
        EXPECT_EQ(form->state.generator1Frequency, c.frequency);
        EXPECT_EQ(form->Edit14->text(), c.readout);
        EXPECT_EQ(form->Edit3->text(), c.unit);
        EXPECT_EQ(form->Panel14->isVisible(), c.warning);
    }
    choose(*form->ComboBox8, 0);
    EXPECT_EQ(form->Edit3->text(), " Hz");
    EXPECT_EQ(form->Edit14->text(), " 50");
    EXPECT_EQ(form->ScrollBar5->pageStep(), 10);
}

TEST_F(Form1Generators, TypedValuesTakeWhatTheSliderShows) {
    typeAndDoubleClick(*form->Edit13, QStringLiteral("100"));
    EXPECT_EQ(form->Edit13->text(), "100");
    EXPECT_EQ(form->state.generator1Amplitude, 2979);
    EXPECT_EQ(form->ScrollBar4->value(), 2979);

    // Beyond full scale, with the slider there already: no change event.
    form->ScrollBar4->setValue(32767);
    typeAndDoubleClick(*form->Edit13, QStringLiteral("2000"));
    EXPECT_EQ(form->state.generator1Amplitude, 32767);
    EXPECT_EQ(form->Edit13->text(), "1100");

    typeAndDoubleClick(*form->Edit14, QStringLiteral(" 250"));
    EXPECT_EQ(form->state.generator1Frequency, 250);
    EXPECT_EQ(form->ScrollBar5->value(), 250);
    for (int repeat = 0; repeat < 2; ++repeat) { // moving to 1000, then standing there
        typeAndDoubleClick(*form->Edit14, QStringLiteral("50000"));
        EXPECT_EQ(form->ScrollBar5->value(), 1000);
        EXPECT_EQ(form->state.generator1Frequency, 1000) << repeat;
        EXPECT_EQ(form->Edit14->text(), " 1.0") << repeat;
        EXPECT_EQ(form->Edit3->text(), "kHz") << repeat;
    }
    // The slider at 4120 plays 4.1 kHz; typing the position it stands at
    // plays the same, not the typed 4120 Hz.
    choose(*form->ComboBox8, 2);
    form->ScrollBar5->setValue(4120);
    typeAndDoubleClick(*form->Edit14, QStringLiteral("4120"));
    EXPECT_EQ(form->state.generator1Frequency, 4100);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Form1Generators, ATypedAmplitudeIsWhatTheReadoutShowsAndDoubleClicksKeepIt) {
    // Peak sample values of 100, 250 and 1000 mV RMS at the line output
    // (1100 mV at 32767): 2979, 7447, 29788.
    const struct {
        const char* typed;
        std::int32_t amplitude;
    } table[] = {{"100", 2979}, {"250", 7447}, {"1000", 29788}};
    for (const auto& c : table) {
        SCOPED_TRACE(c.typed);
        typeAndDoubleClick(*form->Edit13, QString::fromLatin1(c.typed));
        EXPECT_EQ(form->Edit13->text(), c.typed);
        EXPECT_EQ(form->state.generator1Amplitude, c.amplitude);
        EXPECT_EQ(form->ScrollBar4->value(), c.amplitude);
        // Double-clicks on the readout as it stands change nothing.
        for (int repeat = 0; repeat < 3; ++repeat) {
            QTest::mouseDClick(form->Edit13, Qt::LeftButton);
            EXPECT_EQ(form->Edit13->text(), c.typed) << repeat;
            EXPECT_EQ(form->state.generator1Amplitude, c.amplitude) << repeat;
        }
    }
    // The start-up amplitude 3000 reads "101"; a double-click keeps 3000.
    form->ScrollBar4->setValue(3000);
    QTest::mouseDClick(form->Edit13, Qt::LeftButton);
    EXPECT_EQ(form->state.generator1Amplitude, 3000);
    EXPECT_EQ(form->Edit13->text(), "101");
    EXPECT_TRUE(errors.empty());
}

TEST_F(Form1Generators, ATypedTextThatIsNoIntegerIsReportedAndChangesNothing) {
    form->ScrollBar5->setValue(420);
    form->Edit14->setText(QStringLiteral(" 4.1"));
    QTest::mouseDClick(form->Edit14, Qt::LeftButton);
    typeAndDoubleClick(*form->Edit13, QStringLiteral("12a"));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], "' 4.1' is not a valid integer value.");
    EXPECT_EQ(errors[1], "'12a' is not a valid integer value.");
    EXPECT_EQ(form->state.generator1Frequency, 420);
    EXPECT_EQ(form->ScrollBar5->value(), 420);
    EXPECT_EQ(form->state.generator1Amplitude, 3000);
    EXPECT_EQ(form->ScrollBar4->value(), 3000);
}

// The menu "generátor": what each item leaves shown, enabled and sounding,
// from a window with every panel open, generator 2 at 800 Hz / 700 and the
// sweep on.
struct MenuCase {
    const char* name;
    QAction* TForm1::*action;
    bool panel13, panel410, panel215, panel110, panel215Enabled;
    std::int32_t amplitude1, frequency2, amplitude2, sweep;
};

void PrintTo(const MenuCase& c, std::ostream* out) {
    *out << c.name;
}

class Form1GeneratorMenu : public GeneratorWindow,
                           public ::testing::WithParamInterface<MenuCase> {};

TEST_P(Form1GeneratorMenu, ShowsAndCancelsPanels) {
    const MenuCase& c = GetParam();
    SharedState& s = form->state;
    for (TPanel* panel : {form->Panel13, form->Panel410, form->Panel215, form->Panel110})
        panel->show();
    form->Panel215->setEnabled(true);
    form->ScrollBar4->setValue(5000);
    s.generator2Frequency = 800;
    s.generator2Amplitude = 700;
    s.sweepActive = 1;

    (form.get()->*c.action)->trigger();

    EXPECT_EQ(form->Panel13->isVisible(), c.panel13);
    EXPECT_EQ(form->Panel410->isVisible(), c.panel410);
    EXPECT_EQ(form->Panel215->isVisible(), c.panel215);
    EXPECT_EQ(form->Panel110->isVisible(), c.panel110);
    EXPECT_EQ(form->Panel215->isEnabled(), c.panel215Enabled);
    EXPECT_EQ(s.generator1Amplitude, c.amplitude1);
    EXPECT_EQ(s.generator2Frequency, c.frequency2);
    EXPECT_EQ(s.generator2Amplitude, c.amplitude2);
    EXPECT_EQ(s.sweepActive, c.sweep);
}

// clang-format off
const MenuCase menuCases[] = {
    //                                   shown: 13     410    215    110   215 enabled
    {"Generator1Show",   &TForm1::zobrazit1, true,  true,  true,  true,  true,  3000, 800, 700,  1},
    {"Generator1Cancel", &TForm1::zruit1,    false, true,  true,  true,  true,  0,    800, 700,  1},
    // Generator 2 takes its sliders' design positions, 500 Hz and 1000.
    {"Generator2Show",   &TForm1::zobrazit2, true,  true,  false, false, false, 5000, 500, 1000, 1},
    {"Generator2Cancel", &TForm1::zruit2,    true,  false, false, false, true,  5000, 0,   0,    1},
    {"SteppingShow",     &TForm1::zobrazit3, true,  false, true,  false, true,  5000, 0,   0,    0},
    {"SteppingCancel",   &TForm1::zruit3,    true,  true,  false, true,  true,  5000, 800, 700,  1},
    {"SweepShow",        &TForm1::zobrazit4, true,  false, false, true,  false, 5000, 0,   0,    1},
    {"SweepCancel",      &TForm1::zruit4,    true,  false, true,  false, true,  5000, 800, 700,  1},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Menu, Form1GeneratorMenu, ::testing::ValuesIn(menuCases),
                         [](const ::testing::TestParamInfo<MenuCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Form1Generators, Generator1ShowRestoresItsStartValues) {
    choose(*form->ComboBox8, 2);
    form->ScrollBar5->setValue(4120);
    choose(*form->ComboBox7, 3);
    form->zruit1->trigger();
    EXPECT_EQ(ItemIndex(*form->ComboBox1), 0);
    EXPECT_EQ(form->state.autoTimeBase, 1);
    EXPECT_EQ(form->state.generatorTimeBase, 0);
    form->state.currentFrequency = 123;

    form->zobrazit1->trigger();
    EXPECT_EQ(form->state.generator1Frequency, 100);
    EXPECT_EQ(form->ScrollBar5->maximum(), 1000);
    EXPECT_EQ(form->Edit14->text(), " 100");
    EXPECT_EQ(form->Edit3->text(), " Hz");
    EXPECT_FALSE(form->Panel14->isVisible());
    EXPECT_EQ(ItemIndex(*form->ComboBox7), 0);
    EXPECT_EQ(ItemIndex(*form->ComboBox8), 1);
    EXPECT_EQ(form->ScrollBar4->value(), 3000);
    EXPECT_EQ(form->Edit13->text(), "101");
    EXPECT_DOUBLE_EQ(form->state.currentFrequency, 40.0);
}

} // namespace
