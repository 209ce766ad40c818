#include "app/CanvasWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("canvas");
    // The image covers every pixel, so Qt need not erase the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    refresh_.setSingleShot(true);
    connect(&refresh_, &QTimer::timeout, this, [this] { presentNow(); });
}

void CanvasWidget::setScreenSize(int width, int height) {
    setFixedSize(width, height);
    if (canvas_.width() != width || canvas_.height() != height) canvas_.resize(width, height);
}

void CanvasWidget::clear() {
    canvas_.clear();
    canvas_.takeDirty();
    showArea(rect());
}

void CanvasWidget::present() {
    // The screen is brought up to date from the event loop, between the
    // passes and handlers that draw, never in the middle of a picture.
    if (refresh_.isActive()) return;
    const qint64 since = shown_.isValid() ? shown_.elapsed() : refreshInterval();
    refresh_.start(static_cast<int>(std::max<qint64>(0, refreshInterval() - since)));
}

void CanvasWidget::presentNow() {
    // Only the tiles that changed are copied to the screen: the traces of a
    // new block cover a fraction of their bounding rectangle.
    QRegion tiles;
    if (!canvas_.takeDirty(&tiles).isEmpty()) showArea(tiles);
}

void CanvasWidget::showArea(const QRegion& area) {
    refresh_.stop();
    shown_.start();
    update(area);
}

int CanvasWidget::refreshInterval() const {
    const QScreen* display = screen();
    const double rate = display != nullptr ? display->refreshRate() : 0;
    // Whole milliseconds, rounded down, so that no refresh is missed.
    return rate >= 1 ? std::max(1, static_cast<int>(std::floor(1000 / rate))) : 16;
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage& image = canvas_.imageToShow();
    for (const QRect& area : event->region())
        painter.drawImage(area, image, area);
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
    // A new size starts from a black screen; the next frame draws everything again.
    if (QSize(canvas_.width(), canvas_.height()) != event->size())
        canvas_.resize(event->size().width(), event->size().height());
    QWidget::resizeEvent(event);
}
