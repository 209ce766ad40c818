#pragma once
// Reading the canvas in the display tests.

#include "display/Canvas.h"

#include <QImage>
#include <QRect>
#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <utility>

// Rectangles in test messages.
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << " x "
         << rect.height() << ")";
}

namespace display::test {

// The centre line of the screen the tests draw on (the window's client
// height of 526 pixels).
inline constexpr int yc = 263;

using Pixel = std::pair<int, int>; // x, y
using PixelSet = std::set<Pixel>;

inline QRgb at(const Canvas& canvas, int x, int y) {
    return canvas.image().pixel(x, y) | 0xFF000000u;
}

// The pixels of the image that are not black.
inline PixelSet lit(const QImage& image) {
    PixelSet pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFFu) != 0) pixels.insert({x, y});
    return pixels;
}
inline PixelSet lit(const Canvas& canvas) {
    return lit(canvas.image());
}

// The pixels of a row (or of a column) from `from` to `to` inclusive.
inline PixelSet row(int y, int from, int to) {
    PixelSet pixels;
    for (int x = from; x <= to; ++x)
        pixels.insert({x, y});
    return pixels;
}
inline PixelSet column(int x, int from, int to) {
    PixelSet pixels;
    for (int y = from; y <= to; ++y)
        pixels.insert({x, y});
    return pixels;
}

// Whether `text` in `colour` stands with its cell's top-left corner at
// (x, y): the cell holds what writing the text there on a black screen gives.
inline ::testing::AssertionResult textAt(const Canvas& actual, int x, int y, std::string_view text,
                                         QRgb colour) {
    Canvas expected(actual.width(), actual.height());
    expected.setFontColor(colour);
    expected.textOut(x, y, text);
    const QSize cell = expected.textSize(text);
    int glyph = 0;
    for (int py = y; py < y + cell.height(); ++py) {
        for (int px = x; px < x + cell.width(); ++px) {
            if (at(expected, px, py) != colour::black) ++glyph;
            if (at(expected, px, py) != at(actual, px, py))
                return ::testing::AssertionFailure()
                       << "\"" << text << "\" at (" << x << ", " << y << "): pixel (" << px << ", "
                       << py << ") differs";
        }
    }
    if (glyph == 0) return ::testing::AssertionFailure() << "\"" << text << "\" shows nothing";
    return ::testing::AssertionSuccess();
}

} // namespace display::test
