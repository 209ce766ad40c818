#include "display/SpectrumView.h"

#include "display/Polyline.h"
#include "display/ScreenGeometry.h"
#include "display/Traces.h"

#include <algorithm>
#include <cmath>

namespace display {

namespace {

constexpr int gridHalfHeight = 10 * divisionHeight;

int leftX(int clientWidth) {
    return divisionX(gridUnit(clientWidth), 0, originX);
}

int rightX(int clientWidth) {
    return divisionX(gridUnit(clientWidth), 10, originX);
}

// The frequency axis on the centre line: a tick at 1, 2 and 5 of every
// decade, the decades and 20 kHz named below it, and its unit where the
// time axis has "ms".
void drawFrequencyAxis(Canvas& canvas) {
    const int yc = centreY(canvas.height());
    canvas.setPenColor(colour::white);
    canvas.setFontColor(colour::white);
    canvas.textOut(34, yc - 7, "Hz");
    const struct {
        double frequency;
        const char* label;
    } marks[] = {{10, "10"},      {20, nullptr},  {50, nullptr}, {100, "100"},
                 {200, nullptr},  {500, nullptr}, {1000, "1k"},  {2000, nullptr},
                 {5000, nullptr}, {10000, "10k"}, {20000, "20k"}};
    for (const auto& m : marks) {
        const int x = static_cast<int>(Round(spectrumX(m.frequency, canvas.width())));
        canvas.moveTo(x, yc - 3);
        canvas.lineTo(x, yc + 4);
        if (!m.label) continue;
        const int w = canvas.textSize(m.label).width();
        const int at = m.frequency == spectrumLowest    ? x
                       : m.frequency == spectrumHighest ? x - w
                                                        : x - w / 2;
        canvas.textOut(at, yc + 5, m.label);
    }
}

// The dB labels at the left edge, every four divisions.
void drawDecibelLabels(Canvas& canvas) {
    const int top = centreY(canvas.height()) - gridHalfHeight;
    canvas.setFontColor(colour::white);
    for (int db = 0; db <= 100; db += 20) {
        const std::string text = db == 0 ? "0 dB" : "-" + std::to_string(db);
        const int y = top + static_cast<int>(db / decibelsPerDivision) * divisionHeight;
        canvas.textOut(0, y - 7, text + "  ");
    }
}

} // namespace

double spectrumX(double frequency, int clientWidth) {
    const int left = leftX(clientWidth), right = rightX(clientWidth);
    return left + (right - left) * std::log10(frequency / spectrumLowest) /
                      std::log10(spectrumHighest / spectrumLowest);
}

std::vector<QPoint> spectrumPoints(const std::vector<float>& amplitudes, double binWidth,
                                   int clientWidth, int clientHeight, double pixelsPerUnit,
                                   std::optional<double> reference) {
    std::vector<QPoint> points;
    if (amplitudes.empty() || !(binWidth > 0)) return points;
    if (reference && !(*reference > 0)) return points;
    const int yc = centreY(clientHeight);
    const int top = yc - gridHalfHeight, bottom = yc + gridHalfHeight;
    const auto height = [&](float amplitude) {
        double y;
        if (reference) {
            const double db = 20 * std::log10(std::max<double>(amplitude, 1e-30) / *reference);
            y = top - db / decibelsPerDivision * divisionHeight;
        } else {
            y = yc - amplitude * pixelsPerUnit;
        }
        return static_cast<int>(Round(std::clamp(y, double(top), double(reference ? bottom : yc))));
    };
    const auto first = static_cast<std::size_t>(std::ceil(spectrumLowest / binWidth));
    const auto last = std::min(amplitudes.size() - 1,
                               static_cast<std::size_t>(std::floor(spectrumHighest / binWidth)));
    int column = -1;
    float highest = 0;
    for (std::size_t k = first; k <= last; ++k) {
        const int x = static_cast<int>(Round(spectrumX(k * binWidth, clientWidth)));
        if (x != column && column >= 0) points.emplace_back(column, height(highest));
        if (x != column) highest = 0;
        column = x;
        highest = std::max(highest, amplitudes[k]);
    }
    if (column >= 0) points.emplace_back(column, height(highest));
    return points;
}

void drawSpectrum(Canvas& canvas, const SharedState& state, const measure::BlockSpectra& spectra,
                  const SpectrumScale& scale, SpectrumFigure& figure) {
    canvas.setPenColor(colour::black);
    polyline(canvas, figure.current);
    polyline(canvas, figure.voltage);
    drawCentreLine(canvas);
    drawFrequencyAxis(canvas);
    if (scale.decibels) drawDecibelLabels(canvas);

    // A line's height is its RMS value on the trace's scale: a raw peak P is
    // P / sqrt(2) raw units of RMS, drawn as the trace draws raw units.
    const auto channel = [&](const std::vector<float>& amplitudes, double traceScale,
                             std::optional<double> reference, bool shown) {
        if (!shown || (scale.decibels && !reference)) return std::vector<QPoint>{};
        return spectrumPoints(amplitudes, spectra.binWidth, canvas.width(), canvas.height(),
                              traceScale / std::sqrt(2.0),
                              scale.decibels ? reference : std::nullopt);
    };
    figure.current = channel(spectra.current, state.currentTraceFactor * state.currentGain,
                             scale.currentReference, state.showCurrentTrace != 0);
    figure.voltage = channel(spectra.voltage, state.voltageTraceFactor * state.voltageGain,
                             scale.voltageReference, state.showVoltageTrace != 0);
    canvas.setPenColor(colour::yellow);
    polyline(canvas, figure.current);
    canvas.setPenColor(colour::aqua);
    polyline(canvas, figure.voltage);
}

void drawHarmonicTable(Canvas& canvas, const measure::HarmonicText& text) {
    // Right edges of the six columns, from the grid's right end.
    constexpr int widths[6] = {28, 56, 62, 50, 62, 50};
    const int right = canvas.width() - 11;
    int left = right;
    for (const int w : widths)
        left -= w;
    const int lineHeight = std::max(13, canvas.textSize("0").height());
    int y = centreY(canvas.height()) - gridHalfHeight + 2;
    const int blank = std::max(1, canvas.textSize(" ").width());
    const std::string clear(static_cast<std::size_t>((right - left + blank - 1) / blank), ' ');
    const auto line = [&](const measure::HarmonicCells* cells, const std::string& note) {
        canvas.setFontColor(colour::white);
        canvas.textOut(left, y, clear);
        if (cells) {
            int edge = left;
            for (std::size_t c = 0; c < 6; ++c) {
                edge += widths[c];
                const std::string& cell = (*cells)[c];
                canvas.setFontColor(y == centreY(canvas.height()) - gridHalfHeight + 2 || c < 2
                                        ? colour::white
                                    : c < 4 ? colour::yellow
                                            : colour::aqua);
                canvas.textOut(edge - canvas.textSize(cell).width(), y, cell);
            }
        } else {
            canvas.textOut(right - canvas.textSize(note).width(), y, note);
        }
        y += lineHeight;
    };
    for (const auto& row : text.rows)
        line(&row, {});
    if (!text.note.empty()) line(nullptr, text.note);
}

} // namespace display
