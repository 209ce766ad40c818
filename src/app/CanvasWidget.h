#pragma once
// The oscilloscope screen: the client area under the menu bar. Drawing
// routines draw into the back buffer and then call present(); a paint of the
// widget copies the image to the screen. The child controls of the window are
// children of this widget and are drawn above the image.

#include "display/Canvas.h"

#include <QImage>
#include <QWidget>

class CanvasWidget : public QWidget {
    Q_OBJECT
public:
    explicit CanvasWidget(QWidget* parent = nullptr);

    // The back buffer, the size of the widget: draw into it, then present().
    display::Canvas& canvas() { return canvas_; }
    // Its image; what is drawn on it by other means reaches the screen too.
    QImage& image() { return canvas_.editImage(); }
    const QImage& image() const { return canvas_.image(); }

    // Fills the back buffer with black (the form colour) and schedules a repaint.
    void clear();
    // Schedules a repaint of what changed in the back buffer since the last
    // present(); a pass that changed no pixel repaints nothing.
    void present();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    display::Canvas canvas_{1, 1};
};
