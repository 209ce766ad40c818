// The oscilloscope screen on the window: after repaints of only the parts
// that changed, the window shows every pixel of the canvas.

#include "app/CanvasWidget.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// What the window itself shows (its backing store), not a new paint of it.
QImage shown(const CanvasWidget& widget) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(widget.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

TEST(CanvasWidget, TheWindowShowsTheCanvasAfterEveryPartialRepaint) {
    CanvasWidget widget;
    widget.setScreenSize(200, 120);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    display::Canvas& canvas = widget.canvas();
    // Lines here and there, then over and away again: each repaint shows
    // the tiles that changed since the one before.
    const struct {
        QRgb colour;
        QPoint from, to;
    } strokes[] = {
        {display::colour::yellow, {3, 5}, {190, 110}},
        {display::colour::aqua, {150, 2}, {151, 118}},
        {display::colour::white, {0, 60}, {200, 60}},
        {display::colour::black, {3, 5}, {190, 110}},
        {display::colour::grey(80), {17, 0}, {17, 119}},
        {display::colour::yellow, {120, 90}, {40, 33}},
    };
    for (const auto& stroke : strokes) {
        canvas.setPenColor(stroke.colour);
        canvas.moveTo(stroke.from.x(), stroke.from.y());
        canvas.lineTo(stroke.to.x(), stroke.to.y());
        widget.presentNow();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(shown(widget), canvas.image().convertToFormat(QImage::Format_RGB32));
    }
}

} // namespace
