#pragma once
// The spectrum view: in place of the traces, the amplitude spectra of the
// current (yellow) and the voltage (aqua) of the block over a logarithmic
// frequency axis from 10 Hz to 20 kHz across the ten time divisions.
//
// Linear: each line stands on the centre line as high as its RMS value on
// the vertical scales in force (mA / mV per division), so that a line reads
// directly against the scale. Decibels: relative to each channel's
// fundamental, 0 dB at the top of the grid, 5 dB per division down to
// -100 dB, with its own labels at the left edge in place of the scales.

#include "core/SharedState.h"
#include "display/Canvas.h"
#include "measure/HarmonicText.h"
#include "measure/Spectrum.h"

#include <QPoint>
#include <optional>
#include <vector>

namespace display {

constexpr double spectrumLowest = 10;     // Hz at the left end of the axis
constexpr double spectrumHighest = 20000; // Hz at the right end
constexpr double decibelsPerDivision = 5;

// x of a frequency on the axis (not clamped).
double spectrumX(double frequency, int clientWidth);

// The lines drawn last, kept to erase them.
struct SpectrumFigure {
    std::vector<QPoint> current;
    std::vector<QPoint> voltage;
};

// The polyline of one channel's spectrum: one point per pixel column (the
// highest bin that falls into it) from 10 Hz to 20 kHz. pixelsPerUnit turns
// a bin's peak amplitude into pixels above the centre line (linear); with
// `reference` (a fundamental's peak amplitude in the same units) the line is
// in dB below the top of the grid instead. Heights are clipped to the grid.
std::vector<QPoint> spectrumPoints(const std::vector<float>& amplitudes, double binWidth,
                                   int clientWidth, int clientHeight, double pixelsPerUnit,
                                   std::optional<double> reference);

struct SpectrumScale {
    bool decibels = false;
    // The fundamentals' peak amplitudes in raw units (dB only; a channel
    // without one is not drawn in dB).
    std::optional<double> currentReference;
    std::optional<double> voltageReference;
};

// Erases the previous lines (drawn again in black), draws the centre line,
// the frequency axis, the dB labels when in dB, and the channels the
// channel choice shows, remembering them for the next frame.
void drawSpectrum(Canvas& canvas, const SharedState& state, const measure::BlockSpectra& spectra,
                  const SpectrumScale& scale, SpectrumFigure& figure);

// The harmonic table at the top right of the grid, opaque on black: the
// header white, the current's columns yellow, the voltage's aqua, then the
// note (or only the note when there is no table).
void drawHarmonicTable(Canvas& canvas, const measure::HarmonicText& text);

} // namespace display
