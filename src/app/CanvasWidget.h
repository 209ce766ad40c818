#pragma once
// The oscilloscope screen: the client area under the menu bar. Drawing
// routines draw into the back-buffer image and then call present(); a paint
// of the widget copies the image to the screen. The child controls of the
// window are children of this widget and are drawn above the image.

#include <QImage>
#include <QWidget>

class CanvasWidget : public QWidget {
    Q_OBJECT
public:
    explicit CanvasWidget(QWidget* parent = nullptr);

    // The back buffer, the size of the widget. Draw into it, then present().
    QImage& image() { return image_; }
    const QImage& image() const { return image_; }

    // Fills the back buffer with black (the form colour) and schedules a repaint.
    void clear();
    // Schedules a repaint that shows what was drawn into the back buffer.
    void present() { update(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage image_;
};
