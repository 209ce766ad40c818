#pragma once
// The oscilloscope screen: the client area under the menu bar. Drawing
// routines draw into the back buffer and then call present(); a paint of the
// widget copies the image to the screen. The child controls of the window are
// children of this widget and are drawn above the image.

#include "display/Canvas.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
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

    // The widget and its back buffer take this size at once (also while the
    // window is not shown yet, so that drawing has its real geometry).
    void setScreenSize(int width, int height);

    // Fills the back buffer with black (the form colour) and shows it with
    // the repaint that follows at once (the window's Refresh).
    void clear();
    // Asks for a repaint of what changed in the back buffer. It happens from
    // the event loop, once the drawing under way has ended, and at most once
    // per display refresh: changes that come sooner are shown together, with
    // the newest picture, when the refresh is due. A picture that ends as it
    // was (the same block drawn again) repaints nothing.
    void present();
    // Repaints the part that changed since the screen last showed the canvas, now.
    void presentNow();
    // The timer that shows gathered changes when the refresh is due.
    const QObject* refreshTimer() const { return &refresh_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showArea(const QRegion& area);
    int refreshInterval() const;

    display::Canvas canvas_{1, 1};
    QElapsedTimer shown_; // since the screen last showed the canvas
    QTimer refresh_;      // shows the pending changes when the refresh is due
};
