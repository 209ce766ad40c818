#include "display/Canvas.h"

#include "core/VectorState.h"

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

// Texts kept at most; the screen uses a few dozen.
constexpr std::size_t maxTexts = 2048;
// Places whose last text is remembered at most; the screen uses some sixty.
constexpr std::size_t maxStandingTexts = 512;

// Wide enough for the products of the clipping arithmetic with any int coordinates.
using Wide = __int128;

template <class Int> Int ceilDiv(Int numerator, Int positiveDivisor) {
    const Int quotient = numerator / positiveDivisor;
    return quotient + (numerator % positiveDivisor > 0 ? 1 : 0);
}

// Whether n pixels all have the value. Eight at a time, without a branch
// per pixel.
bool spanIs(const QRgb* pixels, std::size_t n, QRgb value) {
    QRgb differ = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        differ |= (pixels[i] ^ value) | (pixels[i + 1] ^ value) | (pixels[i + 2] ^ value) |
                  (pixels[i + 3] ^ value) | (pixels[i + 4] ^ value) | (pixels[i + 5] ^ value) |
                  (pixels[i + 6] ^ value) | (pixels[i + 7] ^ value);
        if (differ != 0) return false;
    }
    for (; i < n; ++i)
        differ |= pixels[i] ^ value;
    return differ == 0;
}

// Whether n pixels equal those of the other span.
bool spanEquals(const QRgb* pixels, const QRgb* other, std::size_t n) {
    QRgb differ = 0;
    for (std::size_t i = 0; i < n; ++i)
        differ |= pixels[i] ^ other[i];
    return differ == 0;
}

// The first pixel of n that differs from the other span's (n when none),
// eight at a time; and the last one (-1 when none).
int firstDifference(const QRgb* pixels, const QRgb* other, int n) {
    int i = 0;
    for (; i + 8 <= n && spanEquals(pixels + i, other + i, 8); i += 8) {
    }
    while (i < n && pixels[i] == other[i])
        ++i;
    return i;
}

int lastDifference(const QRgb* pixels, const QRgb* other, int n) {
    int end = n;
    for (; end >= 8 && spanEquals(pixels + end - 8, other + end - 8, 8); end -= 8) {
    }
    int i = end - 1;
    while (i >= 0 && pixels[i] == other[i])
        --i;
    return i;
}

// The pixels of a line along one axis from `from` to `to`, its end point
// left out on whichever side it lies, within 0 .. size - 1 (first > last:
// none).
struct LineSpan {
    int first, last;
};
LineSpan spanWithoutEnd(int from, int to, int size) {
    return {std::max(to > from ? from : to + 1, 0), std::min(to > from ? to - 1 : from, size - 1)};
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
    // Light (vertical) hinting, the desktop's usual default, named here:
    // with a window scale Qt would otherwise drop hinting, and the numbers
    // on the screen would be drawn differently from those at normal size.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

std::size_t Canvas::TextKeyHash::operator()(const TextKey& key) const {
    const std::size_t text = std::hash<std::string>{}(key.text);
    return text ^ (std::size_t{key.colour} * 0x9E3779B97F4A7C15ull);
}

Canvas::Canvas(int width, int height) {
    resize(width, height);
}

void Canvas::resize(int width, int height) {
    wholeChange_ = ++changes_;
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    tilesAcross_ = ((width_ - 1) >> tileShift) + 1;
    tileChanges_.assign(static_cast<std::size_t>(tilesAcross_) *
                            static_cast<std::size_t>(((height_ - 1) >> tileShift) + 1),
                        0);
    dirtyTiles_.assign(tileChanges_.size(), 0);
    image_ = QImage(width_, height_, QImage::Format_RGB32);
    touchBits();
    fillBlack();
    // 0 is no pixel value (every pixel is opaque), so the first takeDirty()
    // reports the whole image.
    shown_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    differing_ = 0;
    resetMarks();
    compareAll_ = true;
    // A list longer than a sixteenth of the image costs more than the rows.
    changed_.assign(shown_.size() / 16, 0);
    for (KeptDrawing& drawing : kept_)
        drawing = KeptDrawing{};
}

QImage& Canvas::editImage() {
    wholeChange_ = ++changes_;
    compareAll_ = true;
    lent_ = true;
    return image_;
}

void Canvas::clear() {
    wholeChange_ = ++changes_;
    syncImage();
    fillBlack();
    compareAll_ = true;
}

void Canvas::fillBlack() {
    // Our own loop: the toolkit's fill leaves the vector registers in a state
    // that slows down the arithmetic after it.
    std::fill_n(bits_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                colour::black);
}

void Canvas::adoptImage() {
    wholeChange_ = ++changes_; // what was lent out may have been drawn on
    lent_ = false;
    // The image may have been replaced through editImage(): adopt what is there.
    if (image_.width() != width_ || image_.height() != height_ ||
        image_.format() != QImage::Format_RGB32) {
        QImage replaced = image_.isNull() ? QImage() : image_.convertToFormat(QImage::Format_RGB32);
        resize(replaced.width(), replaced.height());
        if (!replaced.isNull()) image_ = std::move(replaced);
    }
    touchBits(); // detaches it from any copy
}

void Canvas::resetMarks() {
    markLeft_ = INT_MAX;
    markRight_ = -1;
    markTop_ = INT_MAX;
    markBottom_ = -1;
    changedCount_ = 0;
    changedOverflow_ = false;
}

QRegion Canvas::takeDirtyTiles() {
    // Row by row of tiles, the runs of marked tiles; a row whose runs are
    // those of the row above extends that row's rectangles. That is the
    // region's own form: bands sorted from the top, each band's rectangles
    // from the left, with one height, and no two bands alike one on the other.
    std::vector<QRect> rects;
    const int tileSize = 1 << tileShift;
    const auto rows = static_cast<int>(dirtyTiles_.size()) / tilesAcross_;
    std::size_t band = 0; // the first rectangle of the band above
    for (int ty = 0; ty < rows; ++ty) {
        std::uint8_t* row = dirtyTiles_.data() + static_cast<std::size_t>(ty * tilesAcross_);
        const std::size_t start = rects.size();
        const int top = ty * tileSize;
        const int height = std::min(tileSize, height_ - top);
        for (int tx = 0; tx < tilesAcross_;) {
            if (row[tx] == 0) {
                ++tx;
                continue;
            }
            const int first = tx;
            while (tx < tilesAcross_ && row[tx] != 0)
                row[tx++] = 0;
            const int left = first * tileSize;
            rects.emplace_back(left, top, std::min(tx * tileSize, width_) - left, height);
        }
        const std::size_t count = rects.size() - start;
        const bool sameAsAbove =
            count > 0 && start - band == count && rects[band].bottom() + 1 == top &&
            std::equal(rects.begin() + static_cast<std::ptrdiff_t>(band),
                       rects.begin() + static_cast<std::ptrdiff_t>(start),
                       rects.begin() + static_cast<std::ptrdiff_t>(start),
                       [](const QRect& a, const QRect& b) {
                           return a.left() == b.left() && a.right() == b.right();
                       });
        if (sameAsAbove) {
            for (std::size_t i = band; i < start; ++i)
                rects[i].setBottom(top + height - 1);
            rects.resize(start);
        } else if (count > 0) {
            band = start;
        }
    }
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

QRect Canvas::takeDirty(QRegion* tiles) {
    const QRect dirty = takeDirtyBounds();
    if (tiles != nullptr)
        *tiles = takeDirtyTiles();
    else
        std::fill(dirtyTiles_.begin(), dirtyTiles_.end(), 0);
    return dirty;
}

QRect Canvas::takeDirtyBounds() {
    syncImage();
    if (!compareAll_ && !changedOverflow_) {
        // Only the listed pixels can differ from the picture last handed out.
        int left = INT_MAX, right = -1, top = INT_MAX, bottom = -1;
        if (differing_ != 0)
            for (std::size_t i = 0; i < changedCount_; ++i) {
                const std::uint32_t offset = changed_[i];
                if (bits_[offset] == shown_[offset]) continue;
                shown_[offset] = bits_[offset];
                const int y = static_cast<int>(offset / static_cast<std::uint32_t>(width_));
                const int x = static_cast<int>(offset - static_cast<std::uint32_t>(y) * width_);
                markDirtyTiles(y, x, x);
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        differing_ = 0;
        resetMarks();
        if (right < 0) return {};
        return QRect(QPoint(left, top), QPoint(right, bottom));
    }
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
        const int first = firstDifference(now, was, n);
        const int last = lastDifference(now, was, n);
        std::memcpy(was + first, now + first, static_cast<std::size_t>(last - first + 1) * 4);
        markDirtyTiles(y, scan.left() + first, scan.left() + last);
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
    const QPoint from(penX_, penY_), to(x, y);
    penX_ = x;
    penY_ = y;
    if (recordingNow())
        recordedLine(from, to);
    else if (penWidth_ <= 1)
        thinLine(from, to);
    else
        wideLine(from, to);
}

bool Canvas::tilesChangedSince(std::uint64_t changes, int left, int top, int right,
                               int bottom) const {
    for (int ty = top >> tileShift; ty <= bottom >> tileShift; ++ty)
        for (int tx = left >> tileShift; tx <= right >> tileShift; ++tx)
            if (tileChanges_[static_cast<std::size_t>(ty * tilesAcross_ + tx)] > changes)
                return true;
    return false;
}

void Canvas::lineToWhereChanged(std::uint64_t key, int x, int y) {
    const QPoint from(penX_, penY_), to(x, y);
    const bool horizontal = from.y() == to.y(), vertical = from.x() == to.x();
    if (lent_ || key != drawnKey_ || drawnChanges_ > changes_ || wholeChange_ > drawnChanges_ ||
        recordingNow() || penWidth_ > 1 || horizontal == vertical) {
        lineTo(x, y);
        return;
    }
    penX_ = x;
    penY_ = y;
    const auto [low, high] = horizontal ? spanWithoutEnd(from.x(), to.x(), width_)
                                        : spanWithoutEnd(from.y(), to.y(), height_);
    const int across = horizontal ? from.y() : from.x();
    if (across < 0 || across >= (horizontal ? height_ : width_)) return;
    const auto point = [horizontal, across](int a) {
        return horizontal ? QPoint(a, across) : QPoint(across, a);
    };
    // Tile by tile; each changed piece is drawn as a line of its own.
    for (int first = low; first <= high;) {
        const int last = std::min(high, (((first >> tileShift) + 1) << tileShift) - 1);
        const QPoint a = point(first), b = point(last);
        if (tilesChangedSince(drawnChanges_, a.x(), a.y(), b.x(), b.y()))
            thinLine(a, point(last + 1));
        first = last + 1;
    }
}

void Canvas::prefetchLine(QPoint from, QPoint to) const {
    // The rows the line and its pen reach, at the line's left end: a trace
    // segment is a pixel or two wide, and a row's cache line holds sixteen.
    constexpr int mostRows = 64;
    const int reach = penWidth_ / 2;
    const int top = std::max(std::min(from.y(), to.y()) - reach, 0);
    const int bottom = std::min({std::max(from.y(), to.y()) + reach, height_ - 1, top + mostRows});
    const int x = std::clamp(std::min(from.x(), to.x()), 0, width_ - 1);
    for (int y = top; y <= bottom; ++y) {
        const std::size_t offset = static_cast<std::size_t>(y) * width_ + x;
        __builtin_prefetch(bits_ + offset, 1);
        __builtin_prefetch(shown_.data() + offset, 0);
    }
}

void Canvas::thinLine(QPoint from, QPoint to) {
    if (from.y() == to.y()) {
        const int y = from.y();
        if (from.x() == to.x() || y < 0 || y >= height_) return;
        const auto [left, right] = spanWithoutEnd(from.x(), to.x(), width_);
        if (left > right) return;
        const std::size_t row = static_cast<std::size_t>(y) * width_;
        // Most lines drawn again find every pixel as it is.
        if (spanIs(bits_ + row + left, static_cast<std::size_t>(right - left + 1), pen_)) return;
        // Eight at a time past the parts that have the colour (a grid line
        // crossed by the traces here and there).
        int px = left;
        for (; px + 8 <= right + 1; px += 8) {
            if (spanIs(bits_ + row + px, 8, pen_)) continue;
            for (int k = px; k < px + 8; ++k)
                put(row + k, k, y, pen_);
        }
        for (; px <= right; ++px)
            put(row + px, px, y, pen_);
        return;
    }
    if (from.x() == to.x()) {
        const int x = from.x();
        if (x < 0 || x >= width_) return;
        const auto [top, bottom] = spanWithoutEnd(from.y(), to.y(), height_);
        QRgb differ = 0;
        for (int py = top; py <= bottom; ++py)
            differ |= bits_[static_cast<std::size_t>(py) * width_ + x] ^ pen_;
        if (differ == 0) return;
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

void Canvas::recordedLine(QPoint from, QPoint to) {
    // The same pixels as thinLine and wideLine light, each written and kept.
    if (penWidth_ <= 1)
        walk(from, to, QRect(0, 0, width_, height_), [this](int px, int py) {
            record(static_cast<std::size_t>(py) * width_ + px, px, py, pen_);
        });
    else
        wideLine(from, to);
}

void Canvas::repeat(const KeptDrawing& drawing) {
    syncImage();
    for (const PixelWrite& write : drawing.writes)
        if (bits_[write.offset] != write.colour) put(write.offset, write.x, write.y, write.colour);
    pen_ = drawing.penColour;
    penX_ = drawing.penPosition.x();
    penY_ = drawing.penPosition.y();
}

void Canvas::square(int x, int y) {
    const int before = (penWidth_ - 1) / 2;
    const int after = penWidth_ / 2;
    const int left = std::max(x - before, 0), right = std::min(x + after, width_ - 1);
    const int top = std::max(y - before, 0), bottom = std::min(y + after, height_ - 1);
    for (int py = top; py <= bottom; ++py)
        for (int px = left; px <= right; ++px) {
            const std::size_t offset = static_cast<std::size_t>(py) * width_ + px;
            if (recordingNow())
                record(offset, px, py, pen_);
            else
                put(offset, px, py, pen_);
        }
}

// The steps of a line whose pixels lie inside the bounds (major coordinate
// in [aLow, aHigh], minor in [bLow, bHigh]): sets first, count, and the
// minor offset and error term at the first step; false when there is none.
// Int holds the products of two coordinates.
template <class Int> bool Canvas::clipSteps(StepRun& line, const Bounds& bounds) {
    // Steps whose major coordinate lies inside.
    Int first = 0, last = line.major - 1;
    if (line.majorSign > 0) {
        first = std::max<Int>(first, bounds.aLow - line.a0);
        last = std::min<Int>(last, bounds.aHigh - line.a0);
    } else {
        first = std::max<Int>(first, line.a0 - bounds.aHigh);
        last = std::min<Int>(last, line.a0 - bounds.aLow);
    }
    // Steps whose minor offset m(i) lies in [mLow, mHigh].
    const Int mLow = line.minorSign > 0 ? bounds.bLow - line.b0 : line.b0 - bounds.bHigh;
    const Int mHigh = line.minorSign > 0 ? bounds.bHigh - line.b0 : line.b0 - bounds.bLow;
    const Int twoMajor = Int{2} * line.major;
    const Int twoMinor = Int{2} * line.minor;
    if (line.minor == 0) {
        if (mLow > 0 || mHigh < 0) return false;
    } else {
        // m(i) >= mLow  <=>  2 i minor >= 2 major mLow - bias
        first = std::max(first, ceilDiv<Int>(twoMajor * mLow - line.bias, twoMinor));
        // m(i) <= mHigh  <=>  2 i minor < 2 major (mHigh + 1) - bias
        last = std::min(last, ceilDiv<Int>(twoMajor * (mHigh + 1) - line.bias, twoMinor) - 1);
    }
    if (first > last) return false;
    const Int numerator = twoMinor * first + line.bias;
    const Int offset = numerator / twoMajor;
    line.first = static_cast<std::int64_t>(first);
    line.count = static_cast<std::int64_t>(last - first) + 1;
    line.offset = static_cast<std::int64_t>(offset);
    line.error = static_cast<std::int64_t>(numerator - twoMajor * offset);
    return true;
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
    StepRun line;
    line.majorSign = (xMajor ? dx : dy) > 0 ? 1 : -1;
    line.minorSign = (xMajor ? dy : dx) >= 0 ? 1 : -1;
    line.a0 = xMajor ? from.x() : from.y();
    line.b0 = xMajor ? from.y() : from.x();
    line.major = major;
    line.minor = minor;
    line.bias = line.minorSign > 0 ? major : major - 1;

    // Both ends beyond the same edge: nothing to draw (most segments of the
    // fastest time base run right of the screen).
    if ((from.x() < clip.left() && to.x() < clip.left()) ||
        (from.x() > clip.right() && to.x() > clip.right()) ||
        (from.y() < clip.top() && to.y() < clip.top()) ||
        (from.y() > clip.bottom() && to.y() > clip.bottom()))
        return;
    const auto inside = [&clip](QPoint p) {
        return p.x() >= clip.left() && p.x() <= clip.right() && p.y() >= clip.top() &&
               p.y() <= clip.bottom();
    };
    if (inside(from) && inside(to)) {
        // The whole line: no step is cut.
        line.count = major;
        line.error = line.bias;
    } else {
        const Bounds bounds{
            xMajor ? clip.left() : clip.top(), xMajor ? clip.right() : clip.bottom(),
            xMajor ? clip.top() : clip.left(), xMajor ? clip.bottom() : clip.right()};
        // Products of two coordinates below 2^30 stay well inside 64 bits.
        constexpr std::int64_t small = std::int64_t{1} << 29;
        const bool fits = std::max({std::abs(line.a0), std::abs(line.b0), major,
                                    std::abs(bounds.aLow), std::abs(bounds.aHigh),
                                    std::abs(bounds.bLow), std::abs(bounds.bHigh)}) < small;
        if (!(fits ? clipSteps<std::int64_t>(line, bounds) : clipSteps<Wide>(line, bounds))) return;
    }

    // One loop for both axes, without a branch per step: the major step
    // moves (mx, my), a wrap of the error term adds the minor step (nx, ny).
    const int a = static_cast<int>(line.a0 + line.majorSign * line.first);
    const int b = static_cast<int>(line.b0 + line.minorSign * line.offset);
    int x = xMajor ? a : b, y = xMajor ? b : a;
    const int mx = xMajor ? line.majorSign : 0, my = xMajor ? 0 : line.majorSign;
    const int nx = xMajor ? 0 : line.minorSign, ny = xMajor ? line.minorSign : 0;
    std::int64_t error = line.error;
    const std::int64_t errorStep = 2 * minor;
    const std::int64_t errorWrap = 2 * major;
    for (std::int64_t k = 0; k < line.count; ++k) {
        plot(x, y);
        x += mx;
        y += my;
        error += errorStep;
        const bool wrap = error >= errorWrap;
        error -= wrap ? errorWrap : 0;
        x += wrap ? nx : 0;
        y += wrap ? ny : 0;
    }
}

void Canvas::setFont(const QFont& font) {
    if (font_ && *font_ == font) return;
    font_ = font;
    texts_.clear();
    ++fontsSet_;
}

const QFont& Canvas::font() {
    if (!font_) font_ = screenFont();
    return *font_;
}

const Canvas::TextCell& Canvas::textCell(std::string_view text) {
    const QFont& currentFont = font();
    TextKey key{std::string(text), fontColour_};
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
        cleanVectorState();
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
    const std::uint64_t place =
        (std::uint64_t{static_cast<std::uint32_t>(x)} << 32) | static_cast<std::uint32_t>(y);
    auto found = standing_.find(place);
    if (found != standing_.end()) {
        const StandingText& last = found->second;
        if (last.text == text && last.colour == fontColour_ && last.font == fontsSet_ &&
            wholeChange_ <= last.since &&
            !tilesChangedSince(last.since, last.left, last.top, last.right, last.bottom))
            return;
    }
    const TextCell& cell = textCell(text);
    // The part of the cell within the image, in the cell's coordinates.
    const std::int64_t cellLeft = std::max<std::int64_t>(0, -std::int64_t{x});
    const std::int64_t cellRight = std::min<std::int64_t>(cell.width, std::int64_t{width_} - x);
    const std::int64_t cellTop = std::max<std::int64_t>(0, -std::int64_t{y});
    const std::int64_t cellBottom = std::min<std::int64_t>(cell.height, std::int64_t{height_} - y);
    if (cellLeft >= cellRight || cellTop >= cellBottom) return;
    const auto left = static_cast<int>(cellLeft), right = static_cast<int>(cellRight);
    const auto top = static_cast<int>(cellTop), bottom = static_cast<int>(cellBottom);
    // The cell's rows lie apart in the image: all are fetched at once
    // instead of one after the other as they are compared.
    for (int row = top; row < bottom; ++row) {
        const QRgb* first = bits_ + (std::int64_t{y} + row) * width_ + x + left;
        __builtin_prefetch(first);
        __builtin_prefetch(first + (right - left - 1));
    }
    for (int row = top; row < bottom; ++row) {
        const std::int64_t py = std::int64_t{y} + row;
        const QRgb* source = cell.pixels.data() + static_cast<std::size_t>(row) * cell.width;
        const auto start = static_cast<std::size_t>(py * width_ + x + left);
        if (spanEquals(bits_ + start, source + left, static_cast<std::size_t>(right - left)))
            continue;
        for (int column = left; column < right; ++column)
            put(start + static_cast<std::size_t>(column - left), x + column, static_cast<int>(py),
                source[column]);
    }
    if (found == standing_.end()) {
        if (standing_.size() >= maxStandingTexts) standing_.clear();
        found = standing_.try_emplace(place).first;
    }
    StandingText& now = found->second;
    now.text.assign(text);
    now.colour = fontColour_;
    now.font = fontsSet_;
    now.since = changes_;
    now.left = x + left;
    now.top = y + top;
    now.right = x + right - 1;
    now.bottom = y + bottom - 1;
}

} // namespace display
