#include "app/ResponseRun.h"

#include "app/ComboBoxItem.h"
#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"

#include <QComboBox>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

// Half a second of sound per playback buffer.
constexpr int bufferMilliseconds = 500;
// "10 Hz až 20 kHz": the frequency range that reaches every point.
constexpr int widestRange = 3;

} // namespace

ResponseRun::ResponseRun(TForm1& form, QObject* parent) : QObject(parent), form_(form) {
    connect(&form_, &TForm1::blockRecorded, this, [this] { blockRecorded(); });
}

void ResponseRun::start(std::vector<int> frequencies, int settleMilliseconds) {
    if (running()) stop();
    frequencies_ = std::move(frequencies);
    points_.clear();
    next_ = 0;
    active_ = !frequencies_.empty();
    settleBuffers_ =
        std::max(0, (settleMilliseconds + bufferMilliseconds - 1) / bufferMilliseconds);
    if (frequencies_.empty()) {
        emit finished(true);
        return;
    }
    // Nothing else may move generator 1 meanwhile.
    if (form_.state.steppingActive == 1) form_.Button203Click();
    form_.state.sweepActive = 0;
    SetItemIndex(*form_.ComboBox8, widestRange);
    form_.ComboBox8Click();
    setFrequency();
}

void ResponseRun::stop() {
    if (!active_) return;
    active_ = false;
    emit finished(false);
}

void ResponseRun::setFrequency() {
    QScrollBar& slider = *form_.ScrollBar5;
    const int f = std::clamp(frequencies_[next_], slider.minimum(), slider.maximum());
    // The slider's own reaction sets the generator, also when it stands there.
    if (slider.value() != f)
        slider.setValue(f);
    else
        form_.ScrollBar5Change();
    playedTarget_ = form_.AudioOut1->BuffersFilled + settleBuffers_;
    outputReached_ = false;
}

void ResponseRun::blockRecorded() {
    // The first block of each capture.
    const bool firstOfCapture = form_.AudioIn1->BuffersReturned == 1;
    if (firstOfCapture) ++captures_;
    if (!running()) return;
    if (!outputReached_) {
        if (form_.AudioOut1->BuffersReturned < playedTarget_) return;
        outputReached_ = true;
        captureAtOutput_ = captures_;
        return;
    }
    if (!firstOfCapture || captures_ <= captureAtOutput_) return;

    const measure::CircuitReading& reading = form_.circuitReading();
    measure::ResponsePoint point;
    point.frequency = form_.state.generator1Frequency;
    point.current = reading.currentRms;
    point.voltage = reading.voltageRms;
    if (reading.valid && !reading.currentTooSmall) {
        point.impedance = reading.impedance;
        point.phaseDegrees = reading.phaseDegrees;
    }
    points_.push_back(point);
    const int index = static_cast<int>(next_);
    ++next_;
    emit pointMeasured(index);
    if (next_ < frequencies_.size()) {
        setFrequency();
    } else {
        active_ = false;
        emit finished(true);
    }
}
