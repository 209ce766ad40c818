// TForm1: circuit analysis for the laboratory, reached from the screen's
// context menu (right mouse button): the impedance and phase line, the X-Y
// view, the frequency-response window, and the export of the recorded block
// and of the window's picture. None of it changes the instrument's window
// while it is not used.

#include "app/CanvasWidget.h"
#include "app/ErrorReport.h"
#include "app/FileChooser.h"
#include "app/Form1.h"
#include "app/ResponseWindow.h"
#include "app/Snapshot.h"
#include "app/TextFile.h"
#include "core/Exception.h"
#include "display/CircuitLine.h"
#include "display/XYView.h"
#include "measure/BlockExport.h"
#include "measure/CircuitText.h"

#include <QMenu>

void TForm1::createScreenMenu() {
    screenMenu = new QMenu(this);
    screenMenu->setObjectName(QStringLiteral("screenMenu"));
    auto item = [this](const char* name, const char* caption, bool checkable) {
        QAction* action = screenMenu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(checkable);
        return action;
    };
    phaseLineAction = item("phaseLineAction", "fáze a impedance", true);
    xyViewAction = item("xyViewAction", "X-Y", true);
    spectrumAction = item("spectrumAction", "spektrum", true);
    spectrumDbAction = item("spectrumDbAction", "spektrum v dB", true);
    screenMenu->addSeparator();
    responseAction = item("responseAction", "frekvenční charakteristika…", false);
    screenMenu->addSeparator();
    saveDataAction = item("saveDataAction", "uložit data…", false);
    saveImageAction = item("saveImageAction", "uložit obrázek…", false);

    canvas_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(canvas_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { screenMenu->popup(canvas_->mapToGlobal(at)); });
    // A new way of drawing starts from a clear screen, as a new time base does.
    // In one-shot mode the picture stays: the line is added to it, for the
    // block it shows.
    connect(phaseLineAction, &QAction::toggled, this, app::guarded([this] {
                if (phaseLineAction->isChecked() && state.periodicMode == 0 &&
                    !shownBlock_->empty()) {
                    drawCircuitLine();
                    canvas_->present();
                    return;
                }
                Refresh();
            }));
    connect(xyViewAction, &QAction::toggled, this, app::guarded([this] {
                xyFigure_.points.clear();
                Refresh();
            }));
    connectSpectrumActions();
    connect(responseAction, &QAction::triggered, this, app::guarded([this] {
                ResponseWindow& window = responseWindow();
                window.show();
                window.raise();
            }));
    connect(saveDataAction, &QAction::triggered, this, app::guarded([this] {
                CsvStyle style;
                const QString file = app::chooseCsvFile(this, QString::fromUtf8("uložit data"),
                                                        QStringLiteral("blok.csv"), style);
                if (file.isEmpty()) return;
                if (const QString failure = saveBlockCsv(file, style); !failure.isEmpty())
                    throw Exception(failure.toStdString());
            }));
    connect(saveImageAction, &QAction::triggered, this, app::guarded([this] {
                const QString file = app::chooseSaveFile(this, QString::fromUtf8("uložit obrázek"),
                                                         QStringLiteral("osciloskop.png"),
                                                         QStringLiteral("PNG (*.png)"));
                if (file.isEmpty()) return;
                if (const QString failure = saveWindowImage(*this, file); !failure.isEmpty())
                    throw Exception(pictureNotSaved(file, failure).toStdString());
            }));
}

const measure::CircuitReading& TForm1::circuitReading() {
    if (analysedBlock_ != blocksRecorded_) {
        circuitReading_ =
            measure::analyseBlock(state.rawSamples, state.sampleCount, blockFactors_.current,
                                  blockFactors_.voltage, state.generator1Frequency);
        analysedBlock_ = blocksRecorded_;
    }
    return circuitReading_;
}

const measure::CircuitReading& TForm1::shownCircuitReading() {
    const ShownBlock& shown = *shownBlock_;
    if (shown.empty()) return circuitReading();
    if (analysedShownBlock_ != shown.block) {
        shownCircuitReading_ =
            measure::analyseBlock(shown.samples, shown.sampleCount, shown.currentReadoutFactor,
                                  shown.voltageReadoutFactor, shown.generatorFrequency);
        analysedShownBlock_ = shown.block;
    }
    return shownCircuitReading_;
}

void TForm1::drawXYView() {
    // A whole number of periods of the block's own frequency.
    const measure::CircuitReading& reading = circuitReading();
    display::drawXY(screen(), state, reading.valid ? reading.frames : 0, xyFigure_);
}

void TForm1::drawCircuitLine() {
    display::drawCircuitLine(screen(), measure::circuitLine(shownCircuitReading()));
}

QString TForm1::saveBlockCsv(const QString& file, const CsvStyle& style) {
    const bool withSpectrum = spectrumAction->isChecked();
    // In one-shot mode the picture stays while new blocks arrive: the block
    // saved is the one on the screen; with the spectrum on screen, its
    // columns come along.
    if (state.periodicMode == 0 && !shownBlock_->empty()) {
        const ShownBlock& shown = *shownBlock_;
        measure::BlockSpectra spectra;
        if (withSpectrum) spectrumAnalyser_.analyse(shown.samples, shown.sampleCount, spectra);
        return writeTextFile(file, measure::blockCsv(shown.samples, shown.sampleCount,
                                                     shown.currentReadoutFactor,
                                                     shown.voltageReadoutFactor, style,
                                                     withSpectrum ? &spectra : nullptr));
    }
    return writeTextFile(file, measure::blockCsv(state.rawSamples, state.sampleCount,
                                                 state.currentReadoutFactor,
                                                 state.voltageReadoutFactor, style,
                                                 withSpectrum ? &blockSpectra() : nullptr));
}

ResponseWindow& TForm1::responseWindow() {
    if (!responseWindow_) responseWindow_ = std::make_unique<ResponseWindow>(*this);
    return *responseWindow_;
}
