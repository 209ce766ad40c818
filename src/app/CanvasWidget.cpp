#include "app/CanvasWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("canvas");
    // The image covers every pixel, so Qt need not erase the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(Qt::black);
}

void CanvasWidget::clear() {
    image_.fill(Qt::black);
    update();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), image_, event->rect());
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
    // A new size starts from a black screen; the next frame draws everything again.
    if (image_.size() != event->size()) {
        image_ = QImage(event->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        image_.fill(Qt::black);
    }
    QWidget::resizeEvent(event);
}
