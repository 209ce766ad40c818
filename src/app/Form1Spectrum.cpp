// TForm1: the spectrum of the recorded block and its harmonic table, from the
// screen's context menu. "spektrum" draws the spectra in place of the traces
// and excludes "X-Y"; "spektrum v dB" shows them in dB of the fundamental.
// While neither is on, nothing is computed.

#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "measure/HarmonicText.h"

#include <QAction>

void TForm1::connectSpectrumActions() {
    // A new way of drawing starts from a clear screen.
    const auto redraw = [this] {
        spectrumFigure_ = {};
        Refresh();
    };
    connect(spectrumAction, &QAction::toggled, this, app::guarded([this, redraw] {
                if (spectrumAction->isChecked())
                    xyViewAction->setChecked(false);
                else
                    spectrumDbAction->setChecked(false);
                redraw();
            }));
    connect(spectrumDbAction, &QAction::toggled, this, app::guarded([this, redraw] {
                if (spectrumDbAction->isChecked()) spectrumAction->setChecked(true);
                redraw();
            }));
    connect(xyViewAction, &QAction::toggled, this, app::guarded([this] {
                if (xyViewAction->isChecked()) spectrumAction->setChecked(false);
            }));
}

const measure::BlockSpectra& TForm1::blockSpectra() {
    if (spectrumBlock_ != blocksRecorded_) {
        spectrumAnalyser_.analyse(state.rawSamples, state.sampleCount, blockSpectra_);
        spectrumBlock_ = blocksRecorded_;
    }
    return blockSpectra_;
}

const measure::HarmonicTable& TForm1::harmonicTable() {
    if (harmonicBlock_ != blocksRecorded_) {
        const measure::CircuitReading& reading = circuitReading();
        const double fundamental = reading.valid ? reading.frequency : state.generator1Frequency;
        harmonicTable_ = measure::harmonicTable(
            blockSpectra(), fundamental, state.currentReadoutFactor, state.voltageReadoutFactor);
        harmonicBlock_ = blocksRecorded_;
    }
    return harmonicTable_;
}

void TForm1::drawSpectrumView() {
    const measure::HarmonicTable& table = harmonicTable();
    display::SpectrumScale scale;
    scale.decibels = spectrumDbAction->isChecked();
    // The fundamentals' peaks in raw units: an RMS of R reads from a peak of
    // 2 R / factor.
    const measure::Harmonic& first = table.rows[0];
    if (table.valid && first.currentPercent)
        scale.currentReference = 2 * first.current / state.currentReadoutFactor;
    if (table.valid && first.voltagePercent)
        scale.voltageReference = 2 * first.voltage / state.voltageReadoutFactor;
    display::drawSpectrum(screen(), state, blockSpectra(), scale, spectrumFigure_);
    display::drawHarmonicTable(screen(), measure::harmonicText(table));
}
