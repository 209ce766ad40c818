// TForm1: the oscilloscope screen. Grid, display frame, trigger, time base,
// channel choice, scales and labels are drawn by the kernels of display/ and
// measure/ into the canvas; these methods connect them to the controls.

#include "app/CanvasWidget.h"
#include "app/ComboBoxItem.h"
#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "display/CurrentAxis.h"
#include "display/Grid.h"
#include "display/Scales.h"
#include "display/TimeAxis.h"
#include "display/Traces.h"
#include "measure/Channel.h"
#include "measure/Frequency.h"
#include "measure/TimeBase.h"
#include "measure/Trigger.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using measure::Channel;
using measure::TriggerSource;

void TForm1::connectDisplayControls() {
    connect(file1, &QAction::triggered, this, app::guarded([this] { file1Click(); }));
    connect(ComboBox4, &QComboBox::activated, this, app::guarded([this] { ComboBox4Click(); }));
    connect(ComboBox1, &QComboBox::activated, this, app::guarded([this] { ComboBox1Click(); }));
    // Typing into the time-base box changes it as well.
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this,
            app::guarded([this] { ComboBox1Click(); }));
    connect(Button3, &QPushButton::clicked, this, app::guarded([this] { Button3Click(); }));
    // A radio button reacts when it becomes checked, by a click or from code.
    const auto onChecked = [this](QRadioButton* button, void (TForm1::*reaction)()) {
        connect(button, &QRadioButton::toggled, this, [this, reaction](bool checked) {
            if (checked) app::reportExceptions([&] { (this->*reaction)(); });
        });
    };
    onChecked(RadioButton3, &TForm1::RadioButton3Click);
    onChecked(RadioButton4, &TForm1::RadioButton4Click);
    onChecked(RadioButton5, &TForm1::RadioButton5Click);
}

display::Canvas& TForm1::screen() {
    return canvas_->canvas();
}

void TForm1::DrawGrid() {
    display::drawGrid(screen(), state);
    canvas_->present();
}

void TForm1::UpDown2Changing() {
    // The brightness of the position before the pending change; the control
    // stays hidden, so only the grid's own value is ever used.
    state.gridBrightness = static_cast<std::int16_t>(5 * gridBrightnessPosition_);
    DrawGrid();
}

void TForm1::file1Click() {
    Refresh();
    DrawScreen();
}

void TForm1::DrawScreen() {
    // 1. The measurement of both channels, each readout followed by its range.
    MeasureCurrent();
    SelectCurrentRange();
    ShowCurrentFrequency();
    MeasureVoltage();
    SelectVoltageRange();
    ShowVoltageFrequency();

    // 2.
    state.voltageTraceShift = 0;
    state.currentTraceShift = 0;

    // 3. The triggering channel; a trigger box with typed text draws nothing.
    const TriggerSource source =
        measure::chooseTriggerSource(ItemIndex(*ComboBox4), state.voltagePeak, state.currentPeak);
    if (source == TriggerSource::none) return;
    const bool byVoltage = source == TriggerSource::voltage;

    // 4. The time base for that channel's frequency.
    if (byVoltage)
        SelectTimeBaseByVoltage();
    else
        SelectTimeBaseByCurrent();

    // 5. Grid, time-axis labels and vertical scales.
    DrawScales();

    // 6., 7. The start of a negative half-wave of the triggering channel.
    if (byVoltage)
        FindFirstNegativeVoltage();
    else
        FindFirstNegativeCurrent();
    const std::uint16_t trigger = measure::searchTrigger(
        measure::view(state, byVoltage ? Channel::voltage : Channel::current), state.sampleCount);

    // 8. - 10. Centre line and both traces from the trigger point.
    drawTraces(trigger);
}

void TForm1::drawTraces(std::uint16_t trigger) {
    keepShownBlock(*shownBlock_, state, blocksRecorded_, blockFactors_.current,
                   blockFactors_.voltage);
    if (spectrumAction->isChecked())
        drawSpectrumView();
    else if (xyViewAction->isChecked())
        drawXYView();
    else
        display::drawTraces(screen(), state, trigger);
    if (phaseLineAction->isChecked()) drawCircuitLine();
    canvas_->present();
}

void TForm1::DrawScales() {
    if (state.gridVisible == 1) DrawGrid();
    // The spectrum has a frequency axis of its own, and in dB its own labels;
    // the X-Y view's horizontal axis is the current, not the time.
    const bool spectrum = spectrumAction->isChecked();
    const bool xy = !spectrum && xyViewAction && xyViewAction->isChecked();
    if (xy)
        display::drawCurrentAxis(screen(), state);
    else if (const int shown = measure::shownTimeBase(state); shown != 0 && !spectrum)
        drawTimeAxis(shown);
    state.currentStartMark = 0;
    if (!spectrum || !spectrumDbAction->isChecked())
        display::drawScales(screen(), state, xy ? "mA" : spectrum ? "Hz" : "ms");
    canvas_->present();
}

void TForm1::drawTimeAxis(int index) {
    display::drawTimeAxis(screen(), state, index);
    canvas_->present();
}

void TForm1::DrawTimeAxis100ms() {
    drawTimeAxis(display::timebase::ms100);
}

void TForm1::DrawTimeAxis50ms() {
    drawTimeAxis(display::timebase::ms50);
}

void TForm1::DrawTimeAxis20ms() {
    drawTimeAxis(display::timebase::ms20);
}

void TForm1::DrawTimeAxis10ms() {
    drawTimeAxis(display::timebase::ms10);
}

void TForm1::DrawTimeAxis5ms() {
    drawTimeAxis(display::timebase::ms5);
}

void TForm1::DrawTimeAxis2ms() {
    drawTimeAxis(display::timebase::ms2);
}

void TForm1::DrawTimeAxis1ms() {
    drawTimeAxis(display::timebase::ms1);
}

namespace {

void selectTimeBase(TForm1& form, TriggerSource source) {
    const std::optional<int> index =
        measure::chosenTimeBase(form.state, source, ItemIndex(*form.ComboBox1));
    if (!index || !measure::applyTimeBase(form.state, *index)) return;
    // A new time base starts from a clear screen with its own labels.
    form.Refresh();
    form.drawTimeAxis(*index);
}

} // namespace

void TForm1::SelectTimeBaseByVoltage() {
    selectTimeBase(*this, TriggerSource::voltage);
}

void TForm1::SelectTimeBaseByCurrent() {
    selectTimeBase(*this, TriggerSource::current);
}

void TForm1::ComboBox4Click() {
    Refresh();
}

void TForm1::RadioButton3Click() {
    Refresh();
    state.showCurrentTrace = 1;
    state.showVoltageTrace = 0;
    SetItemIndex(*ComboBox4, measure::triggerFromCurrent);
}

void TForm1::RadioButton4Click() {
    Refresh();
    state.showCurrentTrace = 0;
    state.showVoltageTrace = 1;
    SetItemIndex(*ComboBox4, measure::triggerFromVoltage);
}

void TForm1::RadioButton5Click() {
    Refresh();
    state.showCurrentTrace = 1;
    state.showVoltageTrace = 1;
    SetItemIndex(*ComboBox4, measure::triggerAutomatic);
}

void TForm1::Button3Click() {
    // The caption names the mode the next click selects.
    if (state.periodicMode == 1) {
        state.periodicMode = 0;
        Button3->setText(QString::fromUtf8("periodické"));
        Refresh();
        DrawScreen();
    } else {
        state.periodicMode = 1;
        Button3->setText(QString::fromUtf8("jednorázové"));
    }
}

void TForm1::ComboBox1Click() {
    const int item = ItemIndex(*ComboBox1);
    state.autoTimeBase = item == measure::timeBaseAutomaticItem ? 1 : 0;
    if (item == measure::timeBaseGeneratorItem) {
        state.generatorTimeBase = 1;
        state.autoTimeBase = 1;
    } else {
        state.generatorTimeBase = 0;
    }
}
