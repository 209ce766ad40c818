#include "display/Canvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <type_traits>

namespace display {

namespace {

// Texts and fonts kept at most; the screen uses a few dozen texts in one font.
constexpr std::size_t maxTexts = 2048;
constexpr std::size_t maxFonts = 32;

// Wide enough for the products of the clipping arithmetic with any int coordinates.
using Wide = __int128;

Wide ceilDiv(Wide numerator, Wide positiveDivisor) {
    const Wide quotient = numerator / positiveDivisor;
    return quotient + (numerator % positiveDivisor > 0 ? 1 : 0);
}

} // namespace

QFont screenFont() {
    static const bool condensed =
        QFontDatabase::families().contains(QStringLiteral("DejaVu Sans Condensed"));
    QFont font;
    if (condensed) font.setFamily(QStringLiteral("DejaVu Sans Condensed"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

std::size_t Canvas::TextKeyHash::operator()(const TextKey& key) const {
    const std::size_t text = std::hash<std::string>{}(key.text);
    return text ^ (std::size_t{key.colour} * 0x9E3779B97F4A7C15ull) ^
           (static_cast<std::size_t>(key.font) << 1);
}

Canvas::Canvas(int width, int height) {
    resize(width, height);
}

void Canvas::resize(int width, int height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    image_ = QImage(width_, height_, QImage::Format_RGB32);
    image_.fill(colour::black);
    touchBits();
    // 0 is no pixel value (every pixel is opaque), so the first takeDirty()
    // reports the whole image.
    shown_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    differing_ = 0;
    resetMarks();
    compareAll_ = true;
}

QImage& Canvas::editImage() {
    compareAll_ = true;
    return image_;
}

void Canvas::clear() {
    syncImage();
    image_.fill(colour::black);
    compareAll_ = true;
}

void Canvas::syncImage() {
    // The image may have been replaced through editImage(): adopt what is there.
    if (image_.width() != width_ || image_.height() != height_ ||
        image_.format() != QImage::Format_RGB32) {
        QImage replaced = image_.isNull() ? QImage() : image_.convertToFormat(QImage::Format_RGB32);
        resize(replaced.width(), replaced.height());
        if (!replaced.isNull()) image_ = replaced;
    }
    touchBits();
}

void Canvas::resetMarks() {
    markLeft_ = INT_MAX;
    markRight_ = -1;
    markTop_ = INT_MAX;
    markBottom_ = -1;
}

QRect Canvas::takeDirty() {
    syncImage();
    QRect scan;
    if (compareAll_)
        scan = QRect(0, 0, width_, height_);
    else if (differing_ != 0 && markLeft_ <= markRight_)
        scan = QRect(QPoint(markLeft_, markTop_), QPoint(markRight_, markBottom_));
    differing_ = 0;
    resetMarks();
    compareAll_ = false;
    if (scan.isEmpty()) return {};

    int left = INT_MAX, right = -1, top = INT_MAX, bottom = -1;
    const int n = scan.width();
    for (int y = scan.top(); y <= scan.bottom(); ++y) {
        const std::size_t start = static_cast<std::size_t>(y) * width_ + scan.left();
        const QRgb* now = bits_ + start;
        QRgb* was = shown_.data() + start;
        if (std::memcmp(now, was, static_cast<std::size_t>(n) * sizeof(QRgb)) == 0) continue;
        int first = 0;
        while (now[first] == was[first])
            ++first;
        int last = n - 1;
        while (now[last] == was[last])
            --last;
        std::memcpy(was + first, now + first, static_cast<std::size_t>(last - first + 1) * 4);
        left = std::min(left, scan.left() + first);
        right = std::max(right, scan.left() + last);
        top = std::min(top, y);
        bottom = y;
    }
    if (right < 0) return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void Canvas::lineTo(int x, int y) {
    syncImage();
    const QPoint from = pos_;
    pos_ = QPoint(x, y);
    if (penWidth_ <= 1)
        thinLine(from, pos_);
    else
        wideLine(from, pos_);
}

void Canvas::thinLine(QPoint from, QPoint to) {
    if (from.y() == to.y()) {
        const int y = from.y();
        if (from.x() == to.x() || y < 0 || y >= height_) return;
        // The end point is left out on whichever side it lies.
        int left = to.x() > from.x() ? from.x() : to.x() + 1;
        int right = to.x() > from.x() ? to.x() - 1 : from.x();
        left = std::max(left, 0);
        right = std::min(right, width_ - 1);
        const std::size_t row = static_cast<std::size_t>(y) * width_;
        for (int px = left; px <= right; ++px)
            put(row + px, px, y, pen_);
        return;
    }
    if (from.x() == to.x()) {
        const int x = from.x();
        if (x < 0 || x >= width_) return;
        int top = to.y() > from.y() ? from.y() : to.y() + 1;
        int bottom = to.y() > from.y() ? to.y() - 1 : from.y();
        top = std::max(top, 0);
        bottom = std::min(bottom, height_ - 1);
        for (int py = top; py <= bottom; ++py)
            put(static_cast<std::size_t>(py) * width_ + x, x, py, pen_);
        return;
    }
    walk(from, to, QRect(0, 0, width_, height_),
         [this](int px, int py) { put(static_cast<std::size_t>(py) * width_ + px, px, py, pen_); });
}

void Canvas::wideLine(QPoint from, QPoint to) {
    // Every pixel of the one-pixel line whose square reaches into the image.
    const int before = (penWidth_ - 1) / 2;
    const int after = penWidth_ / 2;
    const QRect reach(-after, -after, width_ + before + after, height_ + before + after);
    walk(from, to, reach, [this](int px, int py) { square(px, py); });
}

void Canvas::square(int x, int y) {
    const int before = (penWidth_ - 1) / 2;
    const int after = penWidth_ / 2;
    const int left = std::max(x - before, 0), right = std::min(x + after, width_ - 1);
    const int top = std::max(y - before, 0), bottom = std::min(y + after, height_ - 1);
    for (int py = top; py <= bottom; ++py)
        for (int px = left; px <= right; ++px)
            put(static_cast<std::size_t>(py) * width_ + px, px, py, pen_);
}

// The line from `from` to `to` without its end point, restricted to `clip`.
// Along the major axis (the longer one) the line takes |major| steps; at
// each its pixel is the one nearest to the ideal line, a tie going to the
// larger minor coordinate whichever way the line runs, so that a line and
// its reverse light the same pixels but for their end points. After step i
// the minor coordinate has moved by m(i) = floor((2 i |minor| + bias) /
// (2 |major|)), bias = |major| when the minor coordinate grows and |major| - 1
// when it falls. The steps that fall inside the clip rectangle form one run,
// found by solving these inequalities, and the walk starts there with the
// error term it would have had, so clipping changes no pixel inside.
template <class Plot> void Canvas::walk(QPoint from, QPoint to, const QRect& clip, Plot plot) {
    const std::int64_t dx = std::int64_t{to.x()} - from.x();
    const std::int64_t dy = std::int64_t{to.y()} - from.y();
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const std::int64_t major = xMajor ? std::abs(dx) : std::abs(dy);
    const std::int64_t minor = xMajor ? std::abs(dy) : std::abs(dx);
    if (major == 0 || clip.isEmpty()) return;
    const int majorSign = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int minorSign = (xMajor ? dy : dx) >= 0 ? 1 : -1;
    const std::int64_t a0 = xMajor ? from.x() : from.y();
    const std::int64_t b0 = xMajor ? from.y() : from.x();
    const std::int64_t aLow = xMajor ? clip.left() : clip.top();
    const std::int64_t aHigh = xMajor ? clip.right() : clip.bottom();
    const std::int64_t bLow = xMajor ? clip.top() : clip.left();
    const std::int64_t bHigh = xMajor ? clip.bottom() : clip.right();

    // Steps whose major coordinate lies inside.
    Wide first = 0, last = major - 1;
    if (majorSign > 0) {
        first = std::max<Wide>(first, aLow - a0);
        last = std::min<Wide>(last, aHigh - a0);
    } else {
        first = std::max<Wide>(first, a0 - aHigh);
        last = std::min<Wide>(last, a0 - aLow);
    }
    // Steps whose minor offset m(i) lies in [mLow, mHigh].
    const std::int64_t mLow = minorSign > 0 ? bLow - b0 : b0 - bHigh;
    const std::int64_t mHigh = minorSign > 0 ? bHigh - b0 : b0 - bLow;
    const Wide twoMajor = Wide{2} * major;
    const Wide twoMinor = Wide{2} * minor;
    const std::int64_t bias = minorSign > 0 ? major : major - 1;
    if (minor == 0) {
        if (mLow > 0 || mHigh < 0) return;
    } else {
        // m(i) >= mLow  <=>  2 i minor >= 2 major mLow - bias
        first = std::max(first, ceilDiv(twoMajor * mLow - bias, twoMinor));
        // m(i) <= mHigh  <=>  2 i minor < 2 major (mHigh + 1) - bias
        last = std::min(last, ceilDiv(twoMajor * (mHigh + 1) - bias, twoMinor) - 1);
    }
    if (first > last) return;

    const Wide numerator = twoMinor * first + bias;
    const auto offset = static_cast<std::int64_t>(numerator / twoMajor);
    std::int64_t error = static_cast<std::int64_t>(numerator - twoMajor * offset);
    const auto errorStep = static_cast<std::int64_t>(twoMinor);
    const auto errorWrap = static_cast<std::int64_t>(twoMajor);
    int a = static_cast<int>(a0 + majorSign * static_cast<std::int64_t>(first));
    int b = static_cast<int>(b0 + minorSign * offset);
    const auto count = static_cast<std::int64_t>(last - first) + 1;

    const auto run = [&](auto xIsMajor) {
        for (std::int64_t k = 0; k < count; ++k) {
            if constexpr (decltype(xIsMajor)::value)
                plot(a, b);
            else
                plot(b, a);
            a += majorSign;
            error += errorStep;
            if (error >= errorWrap) {
                error -= errorWrap;
                b += minorSign;
            }
        }
    };
    if (xMajor)
        run(std::true_type{});
    else
        run(std::false_type{});
}

void Canvas::setFont(const QFont& font) {
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        if (fonts_[i] == font) {
            font_ = static_cast<int>(i);
            return;
        }
    }
    if (fonts_.size() >= maxFonts) {
        fonts_.clear();
        texts_.clear();
    }
    fonts_.push_back(font);
    font_ = static_cast<int>(fonts_.size()) - 1;
}

const QFont& Canvas::font() {
    if (font_ < 0) setFont(screenFont());
    return fonts_[static_cast<std::size_t>(font_)];
}

const Canvas::TextCell& Canvas::textCell(std::string_view text) {
    const QFont& currentFont = font();
    TextKey key{std::string(text), fontColour_, font_};
    if (const auto found = texts_.find(key); found != texts_.end()) return found->second;
    if (texts_.size() >= maxTexts) texts_.clear();

    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics metrics(currentFont);
    TextCell cell;
    cell.width = std::max(metrics.horizontalAdvance(string), 0);
    cell.height = std::max(metrics.height(), 0);
    if (cell.width > 0 && cell.height > 0) {
        QImage rendered(cell.width, cell.height, QImage::Format_RGB32);
        rendered.fill(colour::black);
        {
            QPainter painter(&rendered);
            painter.setFont(currentFont);
            painter.setPen(QColor::fromRgb(fontColour_));
            painter.drawText(0, metrics.ascent(), string);
        }
        cell.pixels.resize(static_cast<std::size_t>(cell.width) * cell.height);
        for (int row = 0; row < cell.height; ++row)
            std::memcpy(cell.pixels.data() + static_cast<std::size_t>(row) * cell.width,
                        rendered.constScanLine(row), static_cast<std::size_t>(cell.width) * 4);
    }
    return texts_.emplace(std::move(key), std::move(cell)).first->second;
}

QSize Canvas::textSize(std::string_view text) {
    const TextCell& cell = textCell(text);
    return QSize(cell.width, cell.height);
}

void Canvas::textOut(int x, int y, std::string_view text) {
    syncImage();
    const TextCell& cell = textCell(text);
    const auto left = static_cast<int>(std::max<std::int64_t>(0, -std::int64_t{x}));
    const auto right =
        static_cast<int>(std::min<std::int64_t>(cell.width, std::int64_t{width_} - x));
    if (left >= right) return;
    const std::size_t length = static_cast<std::size_t>(right - left) * sizeof(QRgb);
    for (int row = 0; row < cell.height; ++row) {
        const std::int64_t py = std::int64_t{y} + row;
        if (py < 0) continue;
        if (py >= height_) break;
        const QRgb* source = cell.pixels.data() + static_cast<std::size_t>(row) * cell.width;
        const auto start = static_cast<std::size_t>(py * width_ + x + left);
        if (std::memcmp(bits_ + start, source + left, length) == 0) continue;
        for (int column = left; column < right; ++column)
            put(start + static_cast<std::size_t>(column - left), x + column, static_cast<int>(py),
                source[column]);
    }
}

} // namespace display
