// TForm1: the measurement of each block. The readouts, the ranges with the
// input-gain switch, and the frequencies are computed by the kernels of
// measure/; these methods hand them the shared state and show the results.

#include "app/ComboBoxItem.h"
#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "measure/Amplitude.h"
#include "measure/Frequency.h"
#include "measure/GainSwitch.h"
#include "measure/Ranges.h"
#include "measure/ReadoutText.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

using measure::Channel;

namespace {

// A readout's new text. Setting a line edit's text lays it out and repaints
// it even when the text is the same, and most passes show the readouts they
// showed before: those leave the box alone.
void showText(QLineEdit& box, const QString& text) {
    if (box.text() != text) box.setText(text);
}

// A number for an edit box: the box shows it with its unit, and the number
// itself stays behind as the last formatted one.
void showNumber(SharedState& state, QLineEdit& box, const std::string& text,
                const std::optional<std::string>& number) {
    if (number) state.numberText = *number;
    showText(box, QString::fromStdString(text));
}

} // namespace

void TForm1::connectMeasureControls() {
    connect(ComboBox9, &QComboBox::activated, this, app::guarded([this] { ComboBox9Click(); }));
    connect(ComboBox10, &QComboBox::activated, this, app::guarded([this] { ComboBox10Click(); }));
}

void TForm1::MeasureCurrent() {
    measure::measureChannel(state, Channel::current);
    // Under reduced gain the current reads what full gain would have recorded.
    if (state.reducedGain == 1) state.currentPeak = measure::reducedGainPeak(state.currentPeak);
    // The diagnostic line pairs it with the voltage peak of the previous pass.
    showText(*Edit11,
             QStringLiteral("rmaxl =%1rmaxr =%2").arg(state.currentPeak).arg(state.voltagePeak));
    state.currentReading =
        measure::rmsReading(state.currentSquareSums, state.sampleCount, state.currentReadoutFactor);
    const measure::NumberText text = measure::readoutText(state.currentReading, "mA", "A");
    showNumber(state, *Edit4, text.text, text.number);
}

void TForm1::useReachedGain(std::int64_t asked) {
    // The step the control reached keeps the reduced readouts calibrated; a
    // card without a recording level has stayed at full gain.
    auto* level = AudioMixer1->LineInputLevel();
    const auto reached =
        level ? AudioMixer1->ReadBack(level).value_or(asked) : measure::fullGainLevel;
    const auto reduced = measure::reducedGainFor(reached, measure::inputCalibrated(state));
    measure::writeFactors(state, reduced.factors);
    gainNotReduced = !reduced.reduced;
}

void TForm1::MeasureVoltage() {
    measure::measureChannel(state, Channel::voltage);
    Panel2->setVisible(measure::overloadPanelVisible(state.voltagePeak, state.reducedGain));
    // The gain state and the factors change first, so that a mixer that
    // refuses the new level leaves them consistent with the peak all the same.
    if (const auto change = measure::switchGain(state)) {
        if (change->entersReduced) Panel2->hide();
        AudioMixer1->SetLeft(AudioMixer1->LineInputLevel(), change->level);
        if (state.reducedGain == 1)
            useReachedGain(change->level);
        else
            gainNotReduced = false;
    }
    state.voltageReading =
        measure::rmsReading(state.voltageSquareSums, state.sampleCount, state.voltageReadoutFactor);
    const measure::NumberText text = measure::readoutText(state.voltageReading, "mV", "V");
    showNumber(state, *Edit1, text.text, text.number);
}

namespace {

// Applies the range the channel should have; a new range writes its unit
// labels and repaints the window once.
void selectRange(TForm1& form, Channel channel, const QComboBox& box, QLineEdit& upperUnit,
                 QLineEdit& lowerUnit) {
    const std::optional<int> range = measure::chosenRange(form.state, channel, ItemIndex(box));
    if (!range) return;
    if (const auto spec = measure::applyRange(form.state, channel, *range)) {
        upperUnit.setText(QString::fromLatin1(spec->upperUnit));
        lowerUnit.setText(QString::fromLatin1(spec->lowerUnit));
        form.Refresh();
    }
}

} // namespace

void TForm1::SelectCurrentRange() {
    selectRange(*this, Channel::current, *ComboBox9, *Edit2, *Edit5);
}

void TForm1::SelectVoltageRange() {
    selectRange(*this, Channel::voltage, *ComboBox10, *Edit18, *Edit19);
}

void TForm1::ComboBox9Click() {
    state.currentAutoRange = ItemIndex(*ComboBox9) == 0 ? 1 : 0;
}

void TForm1::ComboBox10Click() {
    state.voltageAutoRange = ItemIndex(*ComboBox10) == 0 ? 1 : 0;
}

int TForm1::FindFirstPositiveCurrent() {
    return measure::findFirstPositive(measure::view(state, Channel::current), state.sampleCount);
}

int TForm1::FindFirstPositiveVoltage() {
    return measure::findFirstPositive(measure::view(state, Channel::voltage), state.sampleCount);
}

int TForm1::FindFirstNegativeCurrent() {
    return measure::findFirstNegative(measure::view(state, Channel::current), state.sampleCount);
}

int TForm1::FindFirstNegativeVoltage() {
    return measure::findFirstNegative(measure::view(state, Channel::voltage), state.sampleCount);
}

double TForm1::MeasurePeriodCurrent(measure::SearchPass pass) {
    return measure::measurePeriod(state, Channel::current, pass);
}

double TForm1::MeasurePeriodVoltage(measure::SearchPass pass) {
    return measure::measurePeriod(state, Channel::voltage, pass);
}

namespace {

void showFrequency(TForm1& form, Channel channel, QLineEdit& box) {
    const measure::FrequencyDisplay display = measure::showFrequency(form.state, channel);
    showNumber(form.state, box, display.text, display.number);
    if (display.hidesDisplayLimitWarning) form.Panel14->hide();
}

} // namespace

void TForm1::ShowCurrentFrequency() {
    showFrequency(*this, Channel::current, *Edit12);
}

void TForm1::ShowVoltageFrequency() {
    showFrequency(*this, Channel::voltage, *Edit8);
}
