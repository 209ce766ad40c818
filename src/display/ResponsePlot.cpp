#include "display/ResponsePlot.h"

#include "core/FixedText.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace display {

namespace {

struct Axes {
    QRectF area;
    double xLow, xHigh; // log10 of the frequencies
    double yLow, yHigh; // log10 of |Z|, or degrees
    bool yLog;
    double x(double f) const {
        return area.left() + (std::log10(f) - xLow) / (xHigh - xLow) * area.width();
    }
    double y(double v) const {
        const double value = yLog ? std::log10(v) : v;
        return area.bottom() - (value - yLow) / (yHigh - yLow) * area.height();
    }
};

// "50", "200", "1k", "20k"
QString hertzLabel(double f) {
    if (f >= 1000)
        return QString::fromStdString(
                   fixedText(f / 1000, 0, f < 10000 && std::fmod(f, 1000) != 0 ? 1 : 0)) +
               "k";
    return QString::fromStdString(fixedText(f, 0, f < 10 ? 1 : 0));
}

// A line through the points that have an impedance, broken where one has
// none; `each` is called with every point's place and the point.
template <class Each>
QPainterPath lineThrough(const Axes& axes, const std::vector<measure::ResponsePoint>& points,
                         Each each) {
    QPainterPath path;
    bool started = false;
    for (const auto& p : points) {
        if (!(p.impedance > 0) || !(p.frequency > 0)) {
            started = false;
            continue;
        }
        const QPointF at(axes.x(p.frequency), axes.y(axes.yLog ? p.impedance : p.phaseDegrees));
        if (!started)
            path.moveTo(at);
        else
            path.lineTo(at);
        started = true;
        each(at, p);
    }
    return path;
}

} // namespace

void drawResponsePlot(QImage& image, ResponsePlotKind kind,
                      const std::vector<measure::ResponsePoint>& points, double fLow, double fHigh,
                      const std::optional<measure::Resonance>& resonance,
                      const std::vector<measure::ResponsePoint>& model) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(image.rect(), Qt::black);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);

    fLow = std::max(fLow, 1.0);
    fHigh = std::max(fHigh, fLow * 1.01);
    Axes axes{QRectF(52, 22, image.width() - 64, image.height() - 48),
              std::log10(fLow),
              std::log10(fHigh),
              0,
              0,
              kind == ResponsePlotKind::impedance};
    if (axes.yLog) {
        double low = 1e300, high = 0;
        for (const auto& p : points)
            if (p.valid) {
                low = std::min(low, p.impedance);
                high = std::max(high, p.impedance);
            }
        if (high <= 0) low = 1, high = 100;
        axes.yLow = std::floor(std::log10(low));
        axes.yHigh = std::max(std::ceil(std::log10(high)), axes.yLow + 1);
    } else {
        axes.yLow = -90;
        axes.yHigh = 90;
        for (const auto& p : points)
            if (p.valid && std::abs(p.phaseDegrees) > 90) axes.yLow = -180, axes.yHigh = 180;
    }

    const QColor grid(75, 75, 75), text(255, 255, 255);
    painter.setPen(text);
    painter.drawText(QRectF(0, 2, image.width(), 16), Qt::AlignHCenter,
                     axes.yLog ? QStringLiteral("|Z| [Ω]") : QStringLiteral("φ [°]"));
    // Frequency grid: 1, 2, 5 of every decade.
    for (double decade = std::pow(10, std::floor(axes.xLow)); decade <= fHigh; decade *= 10)
        for (double m : {1.0, 2.0, 5.0}) {
            const double f = decade * m;
            if (f < fLow * 0.999 || f > fHigh * 1.001) continue;
            const double x = axes.x(f);
            painter.setPen(grid);
            painter.drawLine(QPointF(x, axes.area.top()), QPointF(x, axes.area.bottom()));
            painter.setPen(text);
            painter.drawText(QRectF(x - 20, axes.area.bottom() + 3, 40, 14), Qt::AlignHCenter,
                             hertzLabel(f));
        }
    painter.drawText(QRectF(axes.area.right() - 40, axes.area.bottom() + 14, 40, 12),
                     Qt::AlignRight, QStringLiteral("f [Hz]"));
    // Value grid: every decade of |Z|, every 30 degrees of the phase.
    const double yStep = axes.yLog ? 1 : 30;
    for (double v = axes.yLow; v <= axes.yHigh + 1e-9; v += yStep) {
        const double y = axes.y(axes.yLog ? std::pow(10, v) : v);
        painter.setPen(v == 0 && !axes.yLog ? QColor(160, 160, 160) : grid);
        painter.drawLine(QPointF(axes.area.left(), y), QPointF(axes.area.right(), y));
        painter.setPen(text);
        const QString label =
            axes.yLog ? QString::fromStdString(fixedText(std::pow(10, v), 0, v < 0 ? 3 : 0))
                      : QString::number(static_cast<int>(v));
        painter.drawText(QRectF(0, y - 7, axes.area.left() - 4, 14), Qt::AlignRight, label);
    }
    painter.setPen(text);
    painter.drawRect(axes.area);

    // The points, joined.
    const QColor colour = axes.yLog ? QColor(255, 255, 0) : QColor(0, 255, 255);
    painter.setClipRect(axes.area.adjusted(-3, -3, 3, 3));
    const QPainterPath path =
        lineThrough(axes, points, [&](QPointF at, const measure::ResponsePoint& p) {
            // A point that had not settled, or played another frequency, is
            // an open circle.
            if (p.settled && !p.frequencyMismatch) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(colour);
            } else {
                painter.setPen(QPen(colour, 1));
                painter.setBrush(Qt::black);
            }
            painter.drawEllipse(at, 3.0, 3.0);
        });
    // With a model, its curve goes through the points as a thin white line
    // in place of their own joining line.
    painter.setBrush(Qt::NoBrush);
    if (model.empty()) {
        painter.setPen(QPen(colour, 1.5));
        painter.drawPath(path);
    } else {
        painter.setPen(QPen(QColor(255, 255, 255), 1));
        painter.drawPath(lineThrough(axes, model, [](QPointF, const measure::ResponsePoint&) {}));
    }

    if (resonance && resonance->frequency >= fLow && resonance->frequency <= fHigh) {
        const double x = axes.x(resonance->frequency);
        painter.setPen(QPen(QColor(255, 64, 64), 1.5, Qt::DashLine));
        painter.drawLine(QPointF(x, axes.area.top()), QPointF(x, axes.area.bottom()));
        painter.setClipping(false);
        painter.setPen(QColor(255, 96, 96));
        const QString label = QStringLiteral("f₀ = ") +
                              QString::fromStdString(fixedText(resonance->frequency, 0, 1)) +
                              QStringLiteral(" Hz");
        const bool right = x < axes.area.center().x();
        painter.drawText(QRectF(right ? x + 4 : x - 124, axes.area.top() + 2, 120, 14),
                         right ? Qt::AlignLeft : Qt::AlignRight, label);
    }
}

} // namespace display
