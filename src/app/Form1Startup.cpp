// TForm1: the start-up sequence, "optimum", shutdown and resize. The order of
// the steps is fixed: later steps rely on earlier ones, and playback may only
// start once the generator values are in place.

#include "app/CanvasWidget.h"
#include "app/ComboBoxItem.h"
#include "app/Form1.h"
#include "app/IdleCycle.h"
#include "app/ResponseWindow.h"
#include "audio/AudioOut.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void TForm1::FormCreate() {
    runStartupSequence(false);
}

void TForm1::Button2Click() {
    // A frequency response in progress ends first.
    if (responseWindow_) responseWindow_->run().stop();
    runStartupSequence(true);
}

void TForm1::runStartupSequence(bool optimum) {
    SharedState& s = state;

    // 1. Until the first block arrives, the measurement works over a whole
    //    buffer's worth of the still all-zero samples.
    s.sampleCount = recordingBufferBytes;

    // 2. Window at the top-left corner of the screen with its client area.
    move(0, 0);
    setClientSize(clientWidth, clientHeight);
    Panel110->move(388, 498);

    // 3.
    s.voltageStartMark = 1;

    // 4. Unit labels of the vertical scales, above and below the scales.
    const int h = canvas_->height() / 2;
    Edit18->move(Edit18->x(), h - 226);
    Edit2->move(Edit2->x(), h - 226);
    Edit19->move(Edit19->x(), h + 212);
    Edit5->move(Edit5->x(), h + 212);

    // 5. Calibration: "optimum" uses the readout factors measured on the bench.
    //    The card's own calibration multiplies them.
    s.currentReadoutFactor = (optimum ? 0.02644596 : 0.03) * s.currentCalibration;
    s.currentTraceFactor = 0.042 * s.currentCalibration;
    s.voltageTraceFactor = 0.0494 * s.voltageCalibration;
    s.voltageReadoutFactor = (optimum ? 0.035 : 0.0357) * s.voltageCalibration;

    // 6. Full line-input gain; generator 2 silent.
    s.reducedGain = 0;
    s.generator2Frequency = 0;
    s.generator2Amplitude = 0;

    // 7. Automatic ranges and both traces ("optimum" does this after step 19).
    if (!optimum) {
        SetItemIndex(*ComboBox9, 0);
        SetItemIndex(*ComboBox10, 0);
        RadioButton5->setChecked(true);
    }

    // 8. Both vertical axes at 10 per division, gain 1, no shift.
    s.tracePenWidth = 1;
    s.voltageDivisionValue = 10.0;
    s.voltageGain = 1.0;
    s.voltageTraceShift = 0;
    s.drawnVoltageShift = 0;
    s.currentDivisionValue = 10.0;
    s.currentGain = 1.0;
    s.currentTraceShift = 0;
    s.drawnCurrentShift = 0;

    // 9. Periodic display over a visible grid.
    s.gridVisible = 1;
    s.periodicMode = 1;
    s.gridBrightness = 75;
    DrawGrid();

    // 10. Trace sampling, smoothing, and the 100 mA / 100 mV ranges in force.
    s.sampleStep = 6;
    s.voltageSmoothingDivisor = 16;
    s.currentSmoothingDivisor = 16;
    s.activeVoltageRange = range::voltage100mV;
    s.activeCurrentRange = range::current100mA;
    s.timeBaseShown.fill(0);

    // 11. Time base from generator 1, automatic ranges, automatic trigger source.
    s.autoTimeBase = 1;
    SetItemIndex(*ComboBox1, 8);
    s.voltageAutoRange = 1;
    s.currentAutoRange = 1;
    SetItemIndex(*ComboBox4, 0);

    // 12. The sound card's output and auxiliary volumes, before anything changes them.
    // 13. The mixer is opened and the line input set up (start-up only).
    if (optimum)
        SaveVolumes();
    else
        setUpMixerWhenReady();

    // 14.-17. Generator 1 panel with its start values: frequency slider
    //     100 Hz to 1 kHz (raising its minimum moves the position, which runs
    //     the slider's change reaction: unit " Hz", the first capture and a
    //     frame), shown frequencies 40 Hz, range boxes, amplitude 3000 and its
    //     readout in millivolts (the slider's change reaction writes it too).
    Panel13->move(0, h + 235);
    setGenerator1StartValues();
    Edit13->setText(QString::fromStdString(s.numberText));

    // 18.
    s.generatorTimeBase = 1;
    s.autoTimeBase = 1;

    // 19. Generator 2 panel place; sweep and stepping off; both traces shown.
    Panel410->move(Panel410->x(), 472);
    s.sweepActive = 0;
    s.steppingActive = 0;
    Timer1->stop();
    s.showCurrentTrace = 1;
    s.showVoltageTrace = 1;

    if (optimum) {
        SetItemIndex(*ComboBox9, 0);
        SetItemIndex(*ComboBox10, 0);
        RadioButton5->setChecked(true);
    }

    // 20. Playback starts, once the generator values are in place; one retry.
    //     While it runs, both attempts are refused without effect.
    if (!AudioOut1->StartStream(&AudioOut1)) AudioOut1->StartStream(&AudioOut1);

    // 21. From now on every empty moment of the event queue runs an idle pass.
    hookIdle();
}

void TForm1::FormClose() {
    // A set-up still waiting for its mixer does not come after the close,
    // and the volumes it never read are not written: the values in their
    // place are no one's.
    const bool setUpWaits = mixerWait_ && mixerWait_->isActive();
    if (mixerWait_) mixerWait_->stop();
    // The capture-side mixer settings and the saved output and auxiliary
    // volumes are given back.
    RestoreMixer();
    if (!setUpWaits) RestoreVolumes();
}

void TForm1::FormResize() {
    Refresh();
}

void TForm1::Refresh() {
    canvas_->clear();
    repaint();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The frequency-response window belongs to this one: closing it ends a
    // run in progress, and the program does not stay behind it.
    if (responseWindow_) responseWindow_->close();
    FormClose();
    emit closing();
    // No idle pass runs on a closed window, and no device is tried again.
    idle_->unhook();
    watchTimer_->stop();
    QMainWindow::closeEvent(event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // "optimum" is the default button: Enter presses it unless a button that
    // has the focus has taken the key itself.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (Button2->isVisible() && Button2->isEnabled()) {
            Button2->click();
            event->accept();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}
