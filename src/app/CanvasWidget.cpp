#include "app/CanvasWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("canvas");
    // The image covers every pixel, so Qt need not erase the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::clear() {
    canvas_.clear();
    present();
}

void CanvasWidget::present() {
    const QRect changed = canvas_.takeDirty();
    if (!changed.isEmpty()) update(changed);
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), canvas_.image(), event->rect());
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
    // A new size starts from a black screen; the next frame draws everything again.
    if (QSize(canvas_.width(), canvas_.height()) != event->size())
        canvas_.resize(event->size().width(), event->size().height());
    QWidget::resizeEvent(event);
}
