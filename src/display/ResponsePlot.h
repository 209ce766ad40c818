#pragma once
// The plots of a frequency response: |Z| on logarithmic axes, and the phase
// on a logarithmic frequency axis, with the resonance marked.

#include "measure/Response.h"

#include <QImage>
#include <optional>
#include <vector>

namespace display {

enum class ResponsePlotKind { impedance, phase };

// Draws the plot into the whole image: axes from fLow to fHigh Hz, grid lines
// at 1, 2 and 5 of every decade, the points joined by lines, and the
// resonance as a vertical line with its frequency. A fitted model's curve,
// where there is one, is drawn as a thin line through the points in place of
// their joining line.
void drawResponsePlot(QImage& image, ResponsePlotKind kind,
                      const std::vector<measure::ResponsePoint>& points, double fLow, double fHigh,
                      const std::optional<measure::Resonance>& resonance,
                      const std::vector<measure::ResponsePoint>& model = {});

} // namespace display
