// TForm1: the generator panels (generators 1 and 2), the automatic frequency
// stepping and the swept generator, and the playback component's events.
// The panels only change the generator variables and their readouts; every
// buffer of the output signal is computed here from those variables and, for
// the sweep, from the texts of the sweep panel's two boxes.

#include "app/ComboBoxItem.h"
#include "app/DoubleClick.h"
#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"
#include "core/Convert.h"
#include "core/Exception.h"
#include "generator/PanelReadouts.h"
#include "generator/RangeTables.h"
#include "generator/Stepping.h"
#include "generator/Synthesis.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

namespace {

// ComboBox7's "  vypnuto" switches generator 1 off; ComboBox411's
// "     zrušit" closes generator 2.
constexpr int generator1OffItem = 7;
constexpr int generator2CancelItem = 4;

// Sets a slider's minimum, maximum and position in the order given. Each call
// that moves the position raises the slider's change event.
void applySliderCalls(QScrollBar& slider, const generator::SliderCalls& calls) {
    for (const generator::SliderCall& call : calls) {
        switch (call.setting) {
        case generator::SliderSetting::minimum:
            slider.setMinimum(call.value);
            break;
        case generator::SliderSetting::maximum:
            slider.setMaximum(call.value);
            break;
        case generator::SliderSetting::position:
            slider.setValue(call.value);
            break;
        }
    }
}

// Moves a slider to a typed value. A value outside the slider's range stops
// at the range's end; when the slider stood there already no change event
// follows, and `reaction` (the slider's change reaction) runs instead, so
// that the generator takes the value the slider shows, never the typed one.
template <class Reaction>
void moveSliderTo(QScrollBar& slider, std::int64_t value, Reaction reaction) {
    const auto held =
        static_cast<int>(std::clamp<std::int64_t>(value, slider.minimum(), slider.maximum()));
    const bool moves = held != slider.value();
    slider.setValue(held);
    if (held != value && !moves) reaction();
}

// The millivolt readout of an amplitude, also left in numberText.
QString amplitudeText(SharedState& state, std::int32_t amplitude) {
    state.numberText =
        std::to_string(generator::amplitudeMillivolts(amplitude, state.outputCalibration));
    return QString::fromStdString(state.numberText);
}

// Applies an amplitude range box item to its slider; items 0 and 1 then take
// the amplitude from the slider and write the readout themselves.
void applyAmplitudeRange(SharedState& state, int item, QScrollBar& slider, std::int32_t& amplitude,
                         QLineEdit& readout) {
    const auto calls = generator::amplitudeRange(item);
    if (!calls) return;
    applySliderCalls(slider, *calls);
    if (generator::amplitudeRangeRefreshesReadout(item)) {
        amplitude = slider.value();
        readout.setText(amplitudeText(state, amplitude));
    }
}

// Generator 2 silent: the panels that replace it, and its own cancel.
void silenceGenerator2(SharedState& state) {
    state.generator2Amplitude = 0;
    state.generator2Frequency = 0;
}

// The number in a value box of the stepping panel; an empty box is given
// `ifEmpty` first.
std::int32_t boxNumber(QLineEdit& box, const char* ifEmpty) {
    if (box.text().isEmpty()) box.setText(QString::fromLatin1(ifEmpty));
    return StrToInt(box.text().toStdString());
}

} // namespace

// Generator 1.

void TForm1::ScrollBar4Change() {
    state.generator1Amplitude = ScrollBar4->value();
    Edit13->setText(amplitudeText(state, state.generator1Amplitude));
}

void TForm1::ComboBox7Click() {
    const int item = ItemIndex(*ComboBox7);
    if (item == generator1OffItem) {
        // Off: amplitude 0, with slider and readout at 0.
        ScrollBar4->setValue(0);
        ScrollBar4Change();
        return;
    }
    applyAmplitudeRange(state, item, *ScrollBar4, state.generator1Amplitude, *Edit13);
}

void TForm1::ScrollBar5Change() {
    const generator::FrequencySlider slider = generator::frequencySlider(ScrollBar5->value());
    state.generator1Frequency = slider.frequency;
    Edit14->setText(QString::fromStdString(slider.readout));
    ScrollBar5->setPageStep(slider.largeChange);
    ScrollBar5->setSingleStep(slider.smallChange);
    Edit3->setText(QString::fromStdString(slider.unit));
    Panel14->setVisible(slider.beyondDisplayLimit);
    // A new capture and a frame show the new frequency at once.
    if (!AudioIn1->StartStream(&AudioIn1)) AudioIn1->StartStream(&AudioIn1);
    if (state.periodicMode == 1) DrawScreen();
}

void TForm1::ComboBox8Click() {
    if (const auto calls = generator::frequencyRange(ItemIndex(*ComboBox8)))
        applySliderCalls(*ScrollBar5, *calls);
}

void TForm1::Edit13DblClick() {
    const std::int32_t typed = StrToInt(Edit13->text().toStdString());
    // The readout as it stands: the amplitude it shows stays as it is.
    if (typed == generator::amplitudeMillivolts(ScrollBar4->value(), state.outputCalibration))
        return;
    const std::int64_t amplitude =
        generator::amplitudeForTypedValue(typed, state.outputCalibration);
    state.generator1Amplitude = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(amplitude, ScrollBar4->minimum(), ScrollBar4->maximum()));
    moveSliderTo(*ScrollBar4, amplitude, [this] { ScrollBar4Change(); });
}

void TForm1::Edit14DblClick() {
    const std::int32_t typed = StrToInt(Edit14->text().toStdString());
    // What the slider gives at the clamped position, also when the slider
    // stands there already and no change reaction follows.
    state.generator1Frequency =
        generator::frequencySlider(
            std::clamp<std::int32_t>(typed, ScrollBar5->minimum(), ScrollBar5->maximum()))
            .frequency;
    moveSliderTo(*ScrollBar5, typed, [this] { ScrollBar5Change(); });
}

void TForm1::setGenerator1StartValues() {
    // Frequency slider 100 Hz to 1 kHz at 100 Hz; raising the minimum moves
    // a position below it, which runs the slider's change reaction.
    ScrollBar5->setMinimum(100);
    ScrollBar5->setMaximum(1000);
    ScrollBar5->setValue(100);
    state.generator1Frequency = ScrollBar5->value();
    Edit14->setText(QStringLiteral(" ") + QString::number(ScrollBar5->value()));
    ScrollBar5->setPageStep(10);
    ScrollBar5->setSingleStep(1);
    // Shown frequencies until the next measurement.
    state.currentFrequency = 40.0;
    state.voltageFrequency = 40.0;
    Panel14->hide();
    // Amplitude range " 0 až 1 V", frequency range "100 Hz až 1 kHz".
    SetItemIndex(*ComboBox7, 0);
    SetItemIndex(*ComboBox8, 1);
    // Amplitude 3000 (101 mV); a moved slider refreshes the readout itself.
    ScrollBar4->setMinimum(0);
    ScrollBar4->setMaximum(32767);
    ScrollBar4->setValue(3000);
    state.generator1Amplitude = ScrollBar4->value();
    amplitudeText(state, state.generator1Amplitude);
}

void TForm1::zobrazit1Click() {
    Panel13->show();
    setGenerator1StartValues();
}

void TForm1::zruit1Click() {
    Panel13->hide();
    state.generator1Amplitude = 0;
    // Nothing to follow: the time base follows the measured frequency.
    SetItemIndex(*ComboBox1, 0);
    state.autoTimeBase = 1;
    state.generatorTimeBase = 0;
}

// Generator 2.

void TForm1::zobrazit2Click() {
    Panel410->show();
    Panel110->hide();
    Panel215->hide();
    Panel215->setEnabled(false);
    state.generator2Frequency = ScrollBar406->value();
    AudioOut1->StartStream(&AudioOut1);
    Edit409->setText(QString::number(ScrollBar406->value()));
    state.generator2Amplitude = ScrollBar403->value();
    AudioOut1->StartStream(&AudioOut1);
    Edit403->setText(amplitudeText(state, state.generator2Amplitude));
}

void TForm1::zruit2Click() {
    Panel410->hide();
    Panel110->hide();
    Panel215->hide();
    Panel215->setEnabled(true);
    silenceGenerator2(state);
}

void TForm1::ScrollBar403Change() {
    state.generator2Amplitude = ScrollBar403->value();
    AudioOut1->StartStream(&AudioOut1);
    Edit403->setText(amplitudeText(state, state.generator2Amplitude));
}

void TForm1::ScrollBar406Change() {
    state.generator2Frequency = ScrollBar406->value();
    AudioOut1->StartStream(&AudioOut1);
    Edit409->setText(QString::number(ScrollBar406->value()));
}

void TForm1::ComboBox410Change() {
    // Items 7 and 8, and a typed text (no item), change nothing.
    applyAmplitudeRange(state, ItemIndex(*ComboBox410), *ScrollBar403, state.generator2Amplitude,
                        *Edit403);
}

void TForm1::ComboBox411Click() {
    const int item = ItemIndex(*ComboBox411);
    if (item == generator2CancelItem) {
        Panel410->hide();
        silenceGenerator2(state);
        AudioOut1->StartStream(&AudioOut1);
        return;
    }
    if (const auto calls = generator::frequencyRange(item)) applySliderCalls(*ScrollBar406, *calls);
}

// Automatic frequency stepping.

void TForm1::zobrazit3Click() {
    Panel215->show();
    Panel215->setEnabled(true);
    Panel410->hide();
    state.sweepActive = 0;
    AudioOut1->StartStream(&AudioOut1);
    Panel110->hide();
    silenceGenerator2(state);
}

void TForm1::zruit3Click() {
    // The panel goes; a running stepping goes on.
    Panel215->hide();
    Panel110->setEnabled(true);
    Panel215->setEnabled(true);
}

void TForm1::showSteppedFrequency() {
    Panel14->setVisible(state.generator1Frequency > displayLimitHz);
    // The readout of the position the slider reached, as the slider shows it.
    Edit14->setText(
        QString::fromStdString(generator::frequencySlider(ScrollBar5->value()).readout));
    // The range box names the low range below 100 Hz (its slider range stays).
    SetItemIndex(*ComboBox8, state.generator1Frequency < 100 ? 0 : 1);
}

void TForm1::stopStepping() {
    Button203->setText(QStringLiteral("start"));
    state.steppingActive = 0;
    Timer1->stop();
}

void TForm1::Button203Click() {
    // "stop" never reads the boxes, so that a bad text cannot keep it running.
    if (state.steppingActive == 1) {
        stopStepping();
        return;
    }
    const std::int32_t start = boxNumber(*Edit206, "20");
    const std::int32_t end = boxNumber(*Edit216, "20");
    const std::int32_t delay = boxNumber(*Edit222, "1");
    const std::int32_t step = boxNumber(*Edit223, "1");

    Button203->setText(QStringLiteral("stop"));
    const generator::SteppingPlan plan = generator::planStepping(start, end, step, delay);
    state.stepStartFrequency = plan.start;
    if (plan.startRaised) Edit206->setText(QString::number(plan.start));
    state.stepEndFrequency = plan.end;
    if (plan.endRaised) Edit216->setText(QString::number(plan.end));
    state.stepSize = plan.size;
    if (plan.sizeRaised) Edit223->setText(QString::number(plan.size));
    state.stepIntervalMs = plan.intervalMs;
    if (plan.intervalRaised) Edit222->setText(QString::number(plan.intervalMs / 1000));
    state.stepCount = plan.count;

    // The start frequency plays until the first tick.
    state.stepIndex = 0;
    state.generator1Frequency = state.stepStartFrequency;
    ScrollBar5->setValue(state.stepStartFrequency);
    showSteppedFrequency();
    Refresh();
    DrawScreen();

    Timer1->setInterval(state.stepIntervalMs);
    Timer1->start();
    state.steppingActive = 1;
}

void TForm1::Timer1Timer() {
    ++state.stepIndex;
    state.generator1Frequency =
        generator::steppedFrequency(state.stepStartFrequency, state.stepSize, state.stepIndex);
    // Beyond the slider's range the position stays and the stepped value holds.
    ScrollBar5->setValue(state.generator1Frequency);
    showSteppedFrequency();
    DrawScreen();
    if (state.stepIndex >= state.stepCount) stopStepping();
}

void TForm1::Button204Click() {
    // The timer stops, but the stepping counts as running until "stop" is pressed.
    Panel215->hide();
    state.sweepActive = 0;
    Timer1->stop();
}

// Swept generator.

void TForm1::zobrazit4Click() {
    Panel110->show();
    Panel215->setEnabled(false);
    Panel215->hide();
    Panel410->hide();
    silenceGenerator2(state);
}

void TForm1::zruit4Click() {
    // The panel goes; a running sweep goes on.
    Panel110->hide();
    Panel215->setEnabled(true);
    Panel410->hide();
}

void TForm1::Button103Click() {
    // A burst a buffer: the fixed 100 ms time base shows it whole.
    SetItemIndex(*ComboBox1, 1);
    state.autoTimeBase = 0;
    state.generatorTimeBase = 0;
    state.sweepActive = 1;
    AudioOut1->StartStream(&AudioOut1);
}

void TForm1::Button104Click() {
    Panel110->hide();
    state.sweepActive = 0;
}

// The playback component's events.

bool TForm1::AudioOut1FillBuffer(char* Buffer, std::int32_t& Size) {
    const bool sweep = state.sweepActive == 1;
    std::string from = sweep ? Edit106->text().toStdString() : std::string();
    std::string to = sweep ? Edit110->text().toStdString() : std::string();
    std::string error;
    // A buffer of generators 1 + 2 carries generator 1's frequency; a sweep none.
    AudioOut1->BufferTag = sweep ? 0 : state.generator1Frequency;
    const bool supplied = synthesis::fillOutputBuffer(state, Buffer, Size, AudioOut1->FrameRate(),
                                                      AudioOut1->BuffersFilled == 0, from, to,
                                                      error, &generatorBuffers_);
    if (sweep) {
        // An empty box has been given "1".
        if (Edit106->text().isEmpty()) Edit106->setText(QString::fromStdString(from));
        if (Edit110->text().isEmpty()) Edit110->setText(QString::fromStdString(to));
    }
    if (!error.empty()) {
        // Shown once the buffer is queued: a message box opened in here would
        // handle further playback notifications in the middle of this one.
        QTimer::singleShot(0, qApp, [error] { app::reportException(EConvertError(error)); });
    }
    return supplied;
}

void TForm1::AudioOut1Start(QObject* /*Sender*/) {}

void TForm1::connectGeneratorControls() {
    auto on = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this, app::guarded([this, handler] { (this->*handler)(); }));
    };
    on(ScrollBar4, &QScrollBar::valueChanged, &TForm1::ScrollBar4Change);
    on(ComboBox7, &QComboBox::activated, &TForm1::ComboBox7Click);
    on(ScrollBar5, &QScrollBar::valueChanged, &TForm1::ScrollBar5Change);
    on(ComboBox8, &QComboBox::activated, &TForm1::ComboBox8Click);
    onDoubleClick(*Edit13, [this] { Edit13DblClick(); });
    onDoubleClick(*Edit14, [this] { Edit14DblClick(); });
    on(zobrazit1, &QAction::triggered, &TForm1::zobrazit1Click);
    on(zruit1, &QAction::triggered, &TForm1::zruit1Click);

    on(zobrazit2, &QAction::triggered, &TForm1::zobrazit2Click);
    on(zruit2, &QAction::triggered, &TForm1::zruit2Click);
    on(ScrollBar403, &QScrollBar::valueChanged, &TForm1::ScrollBar403Change);
    on(ScrollBar406, &QScrollBar::valueChanged, &TForm1::ScrollBar406Change);
    // Its change event comes with every change of the text, a click on an
    // item included, and its click event too: both run the table.
    on(ComboBox410, &QComboBox::editTextChanged, &TForm1::ComboBox410Change);
    on(ComboBox410, &QComboBox::activated, &TForm1::ComboBox410Change);
    on(ComboBox411, &QComboBox::activated, &TForm1::ComboBox411Click);

    on(zobrazit3, &QAction::triggered, &TForm1::zobrazit3Click);
    on(zruit3, &QAction::triggered, &TForm1::zruit3Click);
    on(Button203, &QPushButton::clicked, &TForm1::Button203Click);
    on(Timer1, &QTimer::timeout, &TForm1::Timer1Timer);
    on(Button204, &QPushButton::clicked, &TForm1::Button204Click);

    on(zobrazit4, &QAction::triggered, &TForm1::zobrazit4Click);
    on(zruit4, &QAction::triggered, &TForm1::zruit4Click);
    on(Button103, &QPushButton::clicked, &TForm1::Button103Click);
    on(Button104, &QPushButton::clicked, &TForm1::Button104Click);
}
