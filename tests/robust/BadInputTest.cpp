// Typed input, systematically: thousands of generated texts into every box
// the window converts to a number, and into every combo box, each followed by
// the action that reads it. Each ends one of two ways: the value is taken
// (clamped where the slider clamps), or the conversion error is shown and
// nothing changes. Never a crash, a wrap-around of a generator value, an
// amplitude outside 0..32767, or an output that stops.

#include "RobustWindow.h"
#include "Seed.h"
#include "Tally.h"
#include "TypedTexts.h"
#include "app/ErrorReport.h"
#include "app/ResponseWindow.h"
#include "app/StateFields.h"
#include "audio/AudioOut.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <array>
#include <cmath>
#include <optional>

namespace {

using robust::conversionError;
using robust::describe;
using robust::TypedText;
using robust::TypedTexts;

// Texts per box; every one is followed by the action that reads it.
constexpr int textsPerBox = 2000;

class BadInput : public robust::RobustWindow {
protected:
    void SetUp() override {
        RobustWindow::SetUp();
        // A recorded block on the screen, as the instrument runs.
        capture(2);
    }

    // The reading of a text that an empty box replaces by `ifEmpty` first.
    static std::optional<std::int32_t> reading(const TypedText& typed, std::int32_t ifEmpty) {
        return typed.text.empty() ? std::optional<std::int32_t>(ifEmpty) : typed.number;
    }

    // A refused text: its conversion error in one new box, and nothing changed.
    void expectRefused(const std::string& text, std::size_t shown, const StateSnapshot& before) {
        ASSERT_EQ(errors.size(), shown + 1);
        EXPECT_EQ(errors.back(), conversionError(text));
        EXPECT_TRUE(snapshotOf(state()) == before) << "something changed";
    }

    TypedTexts texts{robust::testSeed()};
};

// A readout of the amplitude boxes: a whole number of millivolts, 0 .. 1100.
bool isAmplitudeReadout(const QString& text) {
    bool ok = false;
    const int millivolts = text.toInt(&ok);
    return ok && millivolts >= 0 && millivolts <= 1100 && text == QString::number(millivolts);
}

TEST_F(BadInput, Generator1AmplitudeBox) {
    SCOPED_TRACE(robust::seedNote());
    int tried = 0;
    for (; tried < textsPerBox && !HasFailure(); ++tried) {
        // Now and then another amplitude range, so that the slider's end moves.
        if (texts.oneIn(10)) choose(*form().ComboBox7, texts.below(7));
        const TypedText typed = texts.next();
        SCOPED_TRACE(describe(typed));
        if (!type(*form().Edit13, typed.text)) return;
        const StateSnapshot before = snapshotOf(state());
        const int position = form().ScrollBar4->value();
        const int most = form().ScrollBar4->maximum();
        const std::size_t shown = errors.size();

        doubleClick(*form().Edit13);

        if (!typed.number) {
            expectRefused(typed.text, shown, before);
            EXPECT_EQ(form().ScrollBar4->value(), position);
            continue;
        }
        EXPECT_EQ(errors.size(), shown);
        // The typed millivolts as the readout shows them (32.767 sample
        // units per 1.1 mV), stopped at the slider's ends.
        const double wanted = *typed.number * 32.767 / 1.1;
        const int amplitude = state().generator1Amplitude;
        EXPECT_EQ(amplitude, form().ScrollBar4->value());
        if (wanted <= 0)
            EXPECT_EQ(amplitude, 0);
        else if (wanted >= most)
            EXPECT_EQ(amplitude, most);
        else
            EXPECT_NEAR(amplitude, wanted, 0.5);
        // A moved slider shows its readout; one that stays leaves the text.
        if (form().ScrollBar4->value() != position) {
            EXPECT_TRUE(isAmplitudeReadout(form().Edit13->text()))
                << form().Edit13->text().toStdString();
        }
        expectSane("Edit13");
    }
    robust::tally("texts tried in Edit13", tried);
}

TEST_F(BadInput, Generator1FrequencyBox) {
    SCOPED_TRACE(robust::seedNote());
    QScrollBar& slider = *form().ScrollBar5;
    int tried = 0;
    for (; tried < textsPerBox && !HasFailure(); ++tried) {
        if (texts.oneIn(8)) choose(*form().ComboBox8, texts.below(4));
        if (texts.oneIn(8))
            slider.setValue(slider.minimum() +
                            texts.below(slider.maximum() - slider.minimum() + 1));
        const TypedText typed = texts.next();
        SCOPED_TRACE(describe(typed));
        if (!type(*form().Edit14, typed.text)) return;
        const StateSnapshot before = snapshotOf(state());
        const int position = slider.value();
        const std::size_t shown = errors.size();

        doubleClick(*form().Edit14);

        if (!typed.number) {
            expectRefused(typed.text, shown, before);
            EXPECT_EQ(slider.value(), position);
            continue;
        }
        EXPECT_EQ(errors.size(), shown);
        EXPECT_EQ(slider.value(), std::clamp(*typed.number, slider.minimum(), slider.maximum()));
        // The frequency is the slider's (to 100 Hz from 1 kHz on) within its range.
        const int frequency = state().generator1Frequency;
        EXPECT_GE(frequency, slider.minimum());
        EXPECT_LE(frequency, slider.maximum());
        EXPECT_LE(std::abs(frequency - slider.value()), 50);
        // A moved slider shows its frequency; one that stays leaves the text.
        if (slider.value() != position) {
            EXPECT_TRUE(form().Edit14->text().startsWith(QLatin1Char(' ')))
                << form().Edit14->text().toStdString();
        }
        expectSane("Edit14");
    }
    robust::tally("texts tried in Edit14", tried);
}

// The four value boxes of the stepping panel, read by "start" in this order.
TEST_F(BadInput, SteppingBoxes) {
    SCOPED_TRACE(robust::seedNote());
    form().zobrazit3->trigger();
    const std::array<QLineEdit*, 4> boxes = {form().Edit206, form().Edit216, form().Edit222,
                                             form().Edit223};
    const std::array<std::int32_t, 4> ifEmpty = {20, 20, 1, 1};
    int tried = 0;
    int started = 0;
    for (int i = 0; i < textsPerBox && !HasFailure(); ++i) {
        // One box gets any text, the others mostly an integer, so that
        // starts happen too.
        const int fuzzed = texts.below(4);
        std::array<TypedText, 4> typed;
        for (int b = 0; b < 4; ++b) {
            typed[b] = b == fuzzed || texts.oneIn(4) ? texts.next() : texts.integer();
            if (!type(*boxes[b], typed[b].text)) return;
        }
        tried += 4;
        SCOPED_TRACE(describe(typed[0]) + " | " + describe(typed[1]) + " | " + describe(typed[2]) +
                     " | " + describe(typed[3]));
        std::array<std::optional<std::int32_t>, 4> value;
        int firstBad = -1;
        for (int b = 0; b < 4; ++b) {
            value[b] = reading(typed[b], ifEmpty[b]);
            if (!value[b] && firstBad < 0) firstBad = b;
        }
        const StateSnapshot before = snapshotOf(state());
        const std::size_t shown = errors.size();

        click(*form().Button203);

        if (firstBad >= 0) {
            expectRefused(typed[firstBad].text, shown, before);
            EXPECT_FALSE(form().Timer1->isActive());
            EXPECT_EQ(form().Button203->text(), "start");
            // The empty boxes read before the bad one show what they were given.
            for (int b = 0; b < firstBad; ++b) {
                if (typed[b].text.empty()) {
                    EXPECT_EQ(boxes[b]->text(), QString::number(ifEmpty[b])) << b;
                }
            }
            continue;
        }
        ++started;
        EXPECT_EQ(errors.size(), shown);
        const SharedState& s = state();
        ASSERT_EQ(s.steppingActive, 1);
        EXPECT_TRUE(form().Timer1->isActive());
        EXPECT_EQ(form().Button203->text(), "stop");
        // Each value is taken, or raised to its least (which its box then shows).
        const auto taken = [](std::int32_t used, std::int32_t typedValue, std::int32_t least,
                              std::int32_t raised, const QLineEdit& box) {
            if (typedValue >= least) {
                EXPECT_EQ(used, typedValue);
            } else {
                EXPECT_EQ(used, raised);
                EXPECT_EQ(box.text(), QString::number(raised));
            }
        };
        taken(s.stepStartFrequency, *value[0], 20, 20, *boxes[0]);
        taken(s.stepEndFrequency, *value[1], 20, 21, *boxes[1]);
        taken(s.stepSize, *value[3], 1, 1, *boxes[3]);
        EXPECT_GE(s.stepIntervalMs, 1000);
        if (*value[2] <= 1) {
            EXPECT_EQ(boxes[2]->text(), "1");
        }
        if (*value[2] > 1 && *value[2] <= 2147483) {
            EXPECT_EQ(s.stepIntervalMs, *value[2] * 1000);
        }
        EXPECT_EQ(form().Timer1->interval(), s.stepIntervalMs);
        EXPECT_GE(s.stepCount, 1);

        // A few ticks. The frequency is the slider's, or the stepped one
        // beyond the slider's range; it never wraps round below the start.
        const std::int32_t lowest = std::min(s.stepStartFrequency, form().ScrollBar5->minimum());
        EXPECT_GE(s.generator1Frequency, lowest);
        for (int tick = 0; tick < 3 && s.steppingActive == 1; ++tick) {
            form().Timer1Timer();
            EXPECT_GE(s.generator1Frequency, lowest) << "tick " << tick;
            expectSane("tick");
        }
        // "stop" reads no box: a bad text cannot keep the stepping running.
        if (s.steppingActive == 1) {
            if (!type(*boxes[texts.below(4)], "x")) return;
            click(*form().Button203);
            EXPECT_EQ(s.steppingActive, 0);
            EXPECT_FALSE(form().Timer1->isActive());
            EXPECT_EQ(errors.size(), shown);
        }
        expectSane("stepping");
    }
    EXPECT_GT(started, textsPerBox / 20) << "too few starts to tell";
    robust::tally("texts tried in Edit206/Edit216/Edit222/Edit223", tried);
}

// The sweep's two boxes, read at every refill of the output.
TEST_F(BadInput, SweepBoxes) {
    SCOPED_TRACE(robust::seedNote());
    form().zobrazit4->trigger();
    click(*form().Button103);
    play(4 * 22050); // the buffers queued before the sweep
    std::optional<QString> reported;
    int tried = 0;
    for (int i = 0; i < textsPerBox && !HasFailure(); ++i) {
        const TypedText from = texts.oneIn(2) ? texts.next() : texts.integer();
        const TypedText to = texts.oneIn(2) ? texts.next() : texts.integer();
        SCOPED_TRACE(describe(from) + " | " + describe(to));
        if (!type(*form().Edit106, from.text) || !type(*form().Edit110, to.text)) return;
        tried += 2;
        const std::int32_t start = state().lastSweepStartFrequency;
        const std::int32_t step = state().lastSweepStepSamples;
        const std::int32_t filled = form().AudioOut1->BuffersFilled;
        const std::size_t shown = errors.size();

        play(5000); // at least one burst played and refilled

        EXPECT_GT(form().AudioOut1->BuffersFilled, filled) << "no refill";
        const std::optional<std::int32_t> first = reading(from, 1);
        const std::optional<std::int32_t> second = reading(to, 1);
        if (from.text.empty()) {
            EXPECT_EQ(form().Edit106->text(), "1");
        }
        if (to.text.empty() && first) {
            EXPECT_EQ(form().Edit110->text(), "1");
        }
        if (!first || !second) {
            // The burst goes on with the last parameters; the error is shown
            // once, not again with every burst.
            const QString error = conversionError(!first ? from.text : to.text);
            const bool news = error != reported;
            ASSERT_EQ(errors.size(), shown + (news ? 1 : 0));
            if (news) {
                EXPECT_EQ(errors.back(), error);
            }
            reported = error;
            EXPECT_EQ(state().lastSweepStartFrequency, start);
            EXPECT_EQ(state().lastSweepStepSamples, step);
        } else {
            EXPECT_EQ(errors.size(), shown);
            reported.reset();
            // from / 5 and to / 25, rounded, at least 1.
            const std::int32_t startUsed = state().lastSweepStartFrequency;
            const std::int32_t stepUsed = state().lastSweepStepSamples;
            EXPECT_GE(startUsed, 1);
            EXPECT_GE(stepUsed, 1);
            if (*first >= 8) {
                EXPECT_LE(std::abs(5.0 * startUsed - *first), 2.5);
            }
            if (*second >= 38) {
                EXPECT_LE(std::abs(25.0 * stepUsed - *second), 12.5);
            }
        }
        expectSane("sweep");
    }
    robust::tally("texts tried in Edit106/Edit110", tried);
}

// The sweep's conversion error in the real message box: the sound goes on
// while the box is open (the bench's clock moves in the box's own event
// loop, and every burst meets the same bad text), the box comes once, and
// the test dismisses it.
TEST_F(BadInput, TheSweepsErrorBoxIsDismissedWhileTheSoundGoesOn) {
    app::setErrorBox({});
    form().zobrazit4->trigger();
    click(*form().Button103);
    play(4 * 22050);
    const int reports = app::errorReportCount();
    const std::int32_t filled = form().AudioOut1->BuffersFilled;
    int dismissed = 0;
    int advancedInBox = 0;
    QTimer user;
    user.setInterval(1);
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr) return;
        if (advancedInBox < 40) {
            window->advance(2000);
            ++advancedInBox;
        } else {
            box->close();
            ++dismissed;
        }
    });
    user.start();
    if (!type(*form().Edit106, "12a")) return;
    for (int i = 0; i < 20 && dismissed == 0; ++i) {
        play(5000);
        QCoreApplication::processEvents();
    }
    user.stop();

    EXPECT_EQ(dismissed, 1);
    EXPECT_EQ(app::errorReportCount(), reports + 1) << "the same error came again";
    EXPECT_EQ(advancedInBox, 40);
    // Bursts went on being made while the box was open.
    EXPECT_GE(form().AudioOut1->BuffersFilled, filled + 40 * 2000 / 5000);
    expectSane("after the box");
}

// A text for a combo box: one of its items, an item's text slightly off
// (case, blanks), or anything else a user might type.
QString comboText(TypedTexts& texts, const QComboBox& box) {
    const QString item = box.count() > 0 ? box.itemText(texts.below(box.count())) : QString();
    switch (texts.below(6)) {
    case 0:
        return item;
    case 1:
        return item.toUpper();
    case 2:
        return item.trimmed();
    case 3:
        return item + QLatin1Char(' ');
    default:
        return QString::fromStdString(texts.next().text);
    }
}

struct Sliders {
    int values[4][3];
    bool operator==(const Sliders&) const = default;
};

Sliders slidersOf(TForm1& form) {
    Sliders s{};
    const QScrollBar* bars[4] = {form.ScrollBar4, form.ScrollBar5, form.ScrollBar403,
                                 form.ScrollBar406};
    for (int i = 0; i < 4; ++i) {
        s.values[i][0] = bars[i]->minimum();
        s.values[i][1] = bars[i]->maximum();
        s.values[i][2] = bars[i]->value();
    }
    return s;
}

// Every combo box of the window: typed text and Enter, or an item from the list.
TEST_F(BadInput, ComboBoxes) {
    SCOPED_TRACE(robust::seedNote());
    form().zobrazit2->trigger();
    TForm1& f = form();
    const std::array<QComboBox*, 9> boxes = {f.ComboBox4,   f.ComboBox9,   f.ComboBox10,
                                             f.ComboBox1,   f.ComboBox7,   f.ComboBox8,
                                             f.ComboBox410, f.ComboBox411, f.ComboBox212};
    int tried = 0;
    for (; tried < textsPerBox && !HasFailure(); ++tried) {
        QComboBox& box = *boxes[static_cast<std::size_t>(texts.below(9))];
        const QString text = comboText(texts, box);
        SCOPED_TRACE(box.objectName().toStdString() + " \"" + text.left(40).toStdString() + "\"");
        const StateSnapshot before = snapshotOf(state());
        const Sliders sliders = slidersOf(f);
        const std::size_t shown = errors.size();

        if (texts.oneIn(4)) {
            choose(box, texts.below(box.count()));
        } else {
            typeAndEnter(box, text);
            if (box.findText(text, Qt::MatchFixedString) < 0) {
                // No item has this text: nothing is chosen, nothing changes.
                EXPECT_TRUE(snapshotOf(state()) == before) << "something changed";
                EXPECT_TRUE(slidersOf(f) == sliders) << "a slider moved";
            }
        }
        EXPECT_EQ(errors.size(), shown);
        pass();
        expectSane(box.objectName().toStdString());
        // A cancelled generator 2 comes back, so that its boxes act again.
        if (!f.Panel410->isVisibleTo(&f)) f.zobrazit2->trigger();
    }
    robust::tally("texts tried in the combo boxes", tried);
}

// The boxes of the frequency-response window, read by its "start": a run
// starts from the typed value, or the box's error is shown and nothing
// starts or changes.
TEST_F(BadInput, ResponseWindowBoxes) {
    SCOPED_TRACE(robust::seedNote());
    ResponseWindow& window = form().responseWindow();
    struct Box {
        QLineEdit* edit;
        const char* valid;
        int low, high;
    };
    const std::array<Box, 4> boxes = {{{window.startEdit, "50", 10, 20000},
                                       {window.endEdit, "500", 10, 20000},
                                       {window.pointsEdit, "31", 2, 200},
                                       {window.settleEdit, "500", 0, 10000}}};
    int tried = 0;
    for (const Box& box : boxes) {
        for (const Box& other : boxes)
            other.edit->setText(QString::fromLatin1(other.valid));
        for (int i = 0; i < textsPerBox / 4 && !HasFailure(); ++i, ++tried) {
            const TypedText typed = texts.next();
            SCOPED_TRACE(describe(typed));
            if (!type(*box.edit, typed.text)) return;
            const StateSnapshot before = snapshotOf(state());
            const std::size_t shown = errors.size();

            window.startButton->click();

            const bool inRange =
                typed.number && *typed.number >= box.low && *typed.number <= box.high;
            if (!inRange) {
                ASSERT_EQ(errors.size(), shown + 1);
                if (!typed.number) {
                    EXPECT_EQ(errors.back(), conversionError(typed.text));
                } else {
                    EXPECT_TRUE(errors.back().contains(QString::fromUtf8(" musí být ")))
                        << errors.back().toStdString();
                }
                EXPECT_FALSE(window.run().running());
                EXPECT_TRUE(snapshotOf(state()) == before) << "something changed";
                continue;
            }
            EXPECT_EQ(errors.size(), shown);
            ASSERT_TRUE(window.run().running());
            // Generator 1 stands at the first point, within the widest range.
            const int f = state().generator1Frequency;
            EXPECT_GE(f, 10);
            EXPECT_LE(f, 20000);
            if (box.edit == window.startEdit && *typed.number < 1000) {
                EXPECT_EQ(f, *typed.number);
            }
            window.stopButton->click();
            EXPECT_FALSE(window.run().running());
            expectSane("response window");
        }
    }
    robust::tally("texts tried in the response window's boxes", tried);
}

} // namespace
