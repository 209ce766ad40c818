// TForm1: the calibration of the sound card in use. The factors are kept
// per card in the settings file; the measure/ kernels compute them and carry
// them into the readout and trace factors.

#include "app/CalibrationDialog.h"
#include "app/CalibrationStore.h"
#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "generator/PanelReadouts.h"
#include "measure/Amplitude.h"
#include "measure/GainSwitch.h"
#include "platform/SoundCard.h"

#include <QAction>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <cstdio>
#include <memory>

namespace {

const QString calibratedSuffix = QString::fromUtf8(" (kalibrováno)");

QString cardInUse() {
    return platform::hasSoundCard() ? QString::fromStdString(platform::soundCard().cardIdentity())
                                    : QStringLiteral("none");
}

// One channel of the last recorded block as the readout reads it now.
measure::BlockReading blockReading(const SharedState& state, int frameOffset, double factor) {
    auto samples = std::make_unique<SharedState::SampleArray>();
    const measure::Amplitude amplitude =
        measure::splitChannel(state.rawSamples, state.sampleCount, frameOffset, *samples);
    return {measure::rmsReading(amplitude.squareSums, state.sampleCount, factor), amplitude.peak,
            state.reducedGain == 1};
}

} // namespace

void TForm1::enableCalibration() {
    const SavedCalibration saved = savedCalibration(cardInUse());
    if (!saved.problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", saved.problem.toLocal8Bit().constData());
        std::fflush(stderr);
    }
    useCalibration(saved.factors);
    if (calibrationAction) return;
    screenMenu->addSeparator();
    calibrationAction = screenMenu->addAction(QString::fromUtf8("kalibrace…"));
    connect(calibrationAction, &QAction::triggered, this,
            app::guarded([this] { openCalibrationDialog(); }));
}

measure::CalibrationFactors TForm1::calibration() const {
    return {state.voltageCalibration, state.currentCalibration, state.outputCalibration};
}

void TForm1::useCalibration(const measure::CalibrationFactors& factors) {
    // The same factors again change nothing, not even the picture.
    if (factors == calibration()) return;
    measure::applyCalibration(state, factors.voltage, factors.current, factors.output);
    // Under reduced gain the set that belongs to the level reached, as the
    // gain switch would write it now.
    if (state.reducedGain == 1) {
        auto* level = AudioMixer1->LineInputLevel();
        const auto reached = AudioMixer1->ReadBack(level).value_or(measure::reducedGainLevel);
        measure::writeFactors(
            state, measure::reducedGainFor(reached, measure::inputCalibrated(state)).factors);
    }
    // The amplitude readouts of both generators on the new output scale.
    Edit13->setText(QString::number(
        generator::amplitudeMillivolts(state.generator1Amplitude, state.outputCalibration)));
    if (state.generator2Amplitude != 0 || Panel410->isVisible())
        Edit403->setText(QString::number(
            generator::amplitudeMillivolts(state.generator2Amplitude, state.outputCalibration)));
    QString title = windowTitle();
    if (title.endsWith(calibratedSuffix)) title.chop(calibratedSuffix.size());
    setWindowTitle(factors.isDefault() ? title : title + calibratedSuffix);
    Refresh();
}

void TForm1::openCalibrationDialog() {
    const QString card = cardInUse();
    auto* dialog = new CalibrationDialog(this, calibration(), [this, card](const auto& factors) {
        const QString problem = saveCalibration(card, factors, QDate::currentDate());
        if (problem.isEmpty()) useCalibration(factors);
        return problem;
    });
    const auto generator = [this, dialog] {
        dialog->setGenerator(generator::exactAmplitudeMillivolts(state.generator1Amplitude),
                             state.generator2Amplitude != 0 || state.sweepActive != 0);
    };
    generator();
    connect(this, &TForm1::blockRecorded, dialog, [this, dialog, generator] {
        // The readouts of the block with the factors it was recorded with.
        dialog->addBlock(blockReading(state, 0, blockFactors().voltage),
                         blockReading(state, 1, blockFactors().current));
        generator();
    });
    dialog->open();
}
