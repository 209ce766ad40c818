#include "app/ResponseRun.h"

#include "app/ComboBoxItem.h"
#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"
#include "generator/Synthesis.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

namespace {

// Half a second of sound per playback buffer.
constexpr int bufferMilliseconds = 500;
// After this long at the new frequency a point is taken as it is.
constexpr int longestWaitMilliseconds = 10000;
// "10 Hz až 20 kHz": the frequency range that reaches every point.
constexpr int widestRange = 3;

} // namespace

ResponseRun::ResponseRun(TForm1& form, QObject* parent) : QObject(parent), form_(form) {
    connect(&form_, &TForm1::blockRecorded, this, [this] { blockRecorded(); });
}

ResponseRun::Generators ResponseRun::saveGenerators() const {
    const QScrollBar& slider = *form_.ScrollBar5;
    Generators g;
    g.rangeItem = ItemIndex(*form_.ComboBox8);
    g.sliderMinimum = slider.minimum();
    g.sliderMaximum = slider.maximum();
    g.sliderValue = slider.value();
    g.sliderPageStep = slider.pageStep();
    g.sliderSingleStep = slider.singleStep();
    g.frequency = form_.state.generator1Frequency;
    g.readout = form_.Edit14->text();
    g.unit = form_.Edit3->text();
    g.beyondDisplayLimit = !form_.Panel14->isHidden();
    g.generator2Amplitude = form_.state.generator2Amplitude;
    g.generator2Frequency = form_.state.generator2Frequency;
    return g;
}

void ResponseRun::restoreGenerators(const Generators& g) {
    SetItemIndex(*form_.ComboBox8, g.rangeItem);
    {
        // Given back as they were, without the slider's reaction, which would
        // write its own readout over the one the generator had.
        QScrollBar& slider = *form_.ScrollBar5;
        const QSignalBlocker quiet(slider);
        slider.setRange(g.sliderMinimum, g.sliderMaximum);
        slider.setValue(g.sliderValue);
        slider.setPageStep(g.sliderPageStep);
        slider.setSingleStep(g.sliderSingleStep);
    }
    form_.state.generator1Frequency = g.frequency;
    form_.Edit14->setText(g.readout);
    form_.Edit3->setText(g.unit);
    form_.Panel14->setVisible(g.beyondDisplayLimit);
    form_.state.generator2Amplitude = g.generator2Amplitude;
    form_.state.generator2Frequency = g.generator2Frequency;
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
    // Nothing else may move generator 1 meanwhile, and generator 2 would
    // add its own current to every point.
    if (form_.state.steppingActive == 1) form_.Button203Click();
    form_.state.sweepActive = 0;
    saved_ = saveGenerators();
    form_.state.generator2Amplitude = 0;
    SetItemIndex(*form_.ComboBox8, widestRange);
    form_.ComboBox8Click();
    setFrequency();
}

void ResponseRun::stop() {
    if (active_) end(false);
}

void ResponseRun::end(bool completed) {
    active_ = false;
    if (saved_) restoreGenerators(*saved_);
    saved_.reset();
    emit finished(completed);
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
    giveUpTarget_ = form_.AudioOut1->BuffersFilled + longestWaitMilliseconds / bufferMilliseconds;
    outputReached_ = false;
    previous_.reset();
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
    if (captures_ <= captureAtOutput_) return;

    // The fit knows the frequency the output plays.
    const SharedState& state = form_.state;
    const measure::CircuitReading reading = measure::analyseDrivenBlock(
        state.rawSamples, state.sampleCount, form_.blockFactors().current,
        form_.blockFactors().voltage, synthesis::playedFrequency(state.generator1Frequency));
    measure::ResponsePoint point;
    point.frequency = state.generator1Frequency;
    point.frequencyMismatch = reading.frequencyMismatch;
    point.current = reading.currentRms;
    point.voltage = reading.voltageRms;
    point.overdriven = reading.overdriven;
    point.valid = reading.valid && !reading.currentTooSmall && !reading.overdriven;
    if (point.valid) {
        point.impedance = reading.impedance;
        point.phaseDegrees = reading.phaseDegrees;
        point.impedanceUncertainty = reading.impedanceUncertainty;
        point.phaseUncertainty = reading.phaseUncertainty;
    }
    if (previous_ && measure::pointsAgree(*previous_, point)) {
        takePoint(point);
    } else if (form_.AudioOut1->BuffersReturned >= giveUpTarget_) {
        point.settled = false;
        takePoint(point);
    } else {
        previous_ = point;
    }
}

void ResponseRun::takePoint(measure::ResponsePoint point) {
    points_.push_back(point);
    const int index = static_cast<int>(next_);
    ++next_;
    emit pointMeasured(index);
    // Whoever heard of the point may have stopped the run.
    if (!active_) return;
    if (next_ < frequencies_.size())
        setFrequency();
    else
        end(true);
}
