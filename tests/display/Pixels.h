#pragma once
// Reading the canvas in the display tests.

#include "display/Canvas.h"

#include <QImage>
#include <QRect>
#include <ostream>
#include <set>
#include <utility>

// Rectangles in test messages.
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << " x "
         << rect.height() << ")";
}

namespace display::test {

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

} // namespace display::test
