#pragma once
// The back buffer of the oscilloscope screen: an image the size of the client
// area that the drawing routines draw into with a pen (move-to / line-to) and
// with text output, as they would on the window itself.
//
// Lines follow the platform convention: the end point is not painted and the
// pen moves to it, so a polyline paints every vertex but the last exactly
// once, and drawing the same polyline again in black removes every pixel it
// lit. The rasteriser is integer-exact; a line clipped by the image lights
// exactly the in-image pixels of the same line on an unbounded image, however
// far outside its ends lie, at a cost that depends only on the part inside.
//
// The canvas keeps the picture it last handed out with takeDirty(), so that a
// drawing pass that leaves every pixel as it was (steady state: the same block
// drawn again) reports no change and repaints nothing, even though it painted
// over pixels on the way.

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace display {

// The colours of the screen (opaque).
namespace colour {
constexpr QRgb black = 0xFF000000;
constexpr QRgb white = 0xFFFFFFFF;
constexpr QRgb yellow = 0xFFFFFF00;
constexpr QRgb aqua = 0xFF00FFFF;
// A grey of the given level 0..255 (the low byte is taken).
constexpr QRgb grey(int level) {
    const auto g = static_cast<QRgb>(level & 0xFF);
    return 0xFF000000u | (g << 16) | (g << 8) | g;
}
} // namespace colour

// The screen font: the window's narrow bold sans at 11 pixels, about 13
// pixels of line height. "DejaVu Sans Condensed" where it is installed.
QFont screenFont();

class Canvas {
public:
    // The client area of the window under the menu bar: the 800-pixel
    // window less its 3-pixel frames, and the drawing height.
    static constexpr int clientWidth = 794;
    static constexpr int clientHeight = 526;

    explicit Canvas(int width = clientWidth, int height = clientHeight);

    // A new black image of the given size (at least 1 x 1).
    void resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // The picture. A copy made of it keeps its picture while drawing goes on
    // (the canvas checks whether its image is shared only after it was lent
    // out here, so keep no reference to copy from later).
    const QImage& image() const {
        lent_ = true;
        return image_;
    }
    // The picture for drawing it somewhere at once (a repaint of the
    // window), where no copy of it outlives the call: unlike image(), this
    // leaves the canvas free to draw on without looking whether the image
    // was copied or replaced, and what it knows about its pixels stands.
    const QImage& imageToShow() const { return image_; }
    // The image for drawing on it by other means (or replacing it); the whole
    // image is compared at the next takeDirty().
    QImage& editImage();
    // All black: the form colour.
    void clear();

    // The pen. Colours are opaque RGB (the alpha byte is ignored); a width
    // below 1 draws like 1, a wider pen paints a width x width square around
    // every pixel of the one-pixel line.
    void setPenColor(QRgb colour) { pen_ = colour | 0xFF000000u; }
    QRgb penColor() const { return pen_; }
    void setPenWidth(int width) { penWidth_ = width < 1 ? 1 : width; }
    int penWidth() const { return penWidth_; }
    void moveTo(int x, int y) {
        penX_ = x;
        penY_ = y;
    }
    // Paints the line from the pen position to (x, y) without its end point,
    // and moves the pen there.
    void lineTo(int x, int y);
    QPoint penPosition() const { return QPoint(penX_, penY_); }
    // Asks the processor to fetch the pixels of a line drawn soon, row by
    // row: the image is far larger than the processor's caches, and the
    // rows of a steep trace segment lie apart in memory. Changes nothing.
    void prefetchLine(QPoint from, QPoint to) const;

    // Text. textOut fills the text's cell (advance width x line height of the
    // font) with black and writes the text (UTF-8) in the font colour, (x, y)
    // being the cell's top-left corner. Each text is rendered once per colour
    // and then copied from a cache, which a change of the font empties.
    // The same text written again at the same place, in the same colour and
    // font, with no pixel changed since in the tiles its cell covers, is all
    // there still and is not copied again (the numbers of the scales, written
    // in every pass).
    void setFont(const QFont& font);
    const QFont& font();
    void setFontColor(QRgb colour) { fontColour_ = colour | 0xFF000000u; }
    void textOut(int x, int y, std::string_view text);
    // The cell size textOut fills for this text in the current font.
    QSize textSize(std::string_view text);

    // Skipping a drawing that is repeated unchanged (the grid, drawn twice in
    // every periodic pass): alreadyDrawn(key) is true when the last drawing
    // marked with drawn() had the same key and no pixel has changed since, so
    // that drawing it again would change nothing.
    bool alreadyDrawn(std::uint64_t key) const {
        return !lent_ && key == drawnKey_ && changes_ == drawnChanges_;
    }
    void drawn(std::uint64_t key) {
        drawnKey_ = key;
        drawnChanges_ = changes_;
    }
    // lineTo for a drawing that is drawn again with the key of the last
    // drawn(): the line is drawn only across the tiles of 16 x 16 pixels in
    // which a pixel has changed since, for elsewhere its pixels still stand
    // (the grid, after the traces crossed it here and there). With another
    // key, a wide pen, or while recording, it is lineTo itself.
    void lineToWhereChanged(std::uint64_t key, int x, int y);

    // A drawing kept as the pixels it wrote, so that the same drawing on a
    // screen that has been drawn over since can be repeated without drawing
    // its lines again (the traces of a block that is shown again). The caller
    // keeps, with the writes, whatever decides that the drawing is the same.
    struct PixelWrite {
        std::uint32_t offset; // y * width + x
        std::int32_t x, y;
        QRgb colour;
    };
    struct KeptDrawing {
        std::vector<int> inputs;
        std::vector<PixelWrite> writes;
        QRgb penColour = colour::black;
        QPoint penPosition;
        bool valid = false;
        // Repeated at least once since it was kept.
        bool used = false;
    };
    // The kept drawing of the given slot (0 .. keptDrawings - 1). A new image
    // size empties every slot.
    static constexpr int keptDrawings = 1;
    KeptDrawing& keptDrawing(int slot) { return kept_[static_cast<std::size_t>(slot)]; }
    // While `writes` is set, every pixel a line lights is written (even where
    // it has that value already) and appended to it, in order.
    // A recording holds at most `keptWritesAtMost` writes, its room taken
    // once, so that the memory it uses stays the same however busy the traces
    // are; a drawing that writes more is not kept (`recordingComplete`).
    static constexpr std::size_t keptWritesAtMost = 65536;
    void recordInto(std::vector<PixelWrite>* writes) {
        recording_ = writes;
        recordingOverflowed_ = false;
        recordingPaused_ = false;
        if (writes) {
            writes->clear();
            writes->reserve(keptWritesAtMost);
        }
    }
    bool recordingComplete() const { return !recordingOverflowed_; }
    // While paused, lines are drawn as without a recording and not kept.
    void pauseRecording(bool paused) { recordingPaused_ = paused; }
    // Writes what a recording wrote, in the same order: the picture is then
    // what the recorded drawing would have made it, and the pen is left as
    // the drawing left it.
    void repeat(const KeptDrawing& drawing);

    // The bounding rectangle of the pixels whose value differs from the
    // picture at the previous call (at the first call: from an undefined
    // picture, so the whole image); empty when nothing differs. `tiles`, when
    // given, becomes the tiles of 16 x 16 pixels (clipped to the image) that
    // hold those pixels: two traces across the screen lie in a fraction of
    // their bounding rectangle.
    QRect takeDirty(QRegion* tiles = nullptr);

private:
    struct TextKey {
        std::string text;
        QRgb colour;
        bool operator==(const TextKey&) const = default;
    };
    struct TextKeyHash {
        std::size_t operator()(const TextKey& key) const;
    };
    struct TextCell {
        int width = 0;
        int height = 0;
        std::vector<QRgb> pixels;
    };

    const TextCell& textCell(std::string_view text);
    // The last text written at a place (x, y) and the change count just
    // after, with the pixels its cell covers in the image.
    struct StandingText {
        std::string text;
        QRgb colour;
        std::uint64_t font;
        std::uint64_t since;
        int left, top, right, bottom;
    };
    std::unordered_map<std::uint64_t, StandingText> standing_;
    // Counts the fonts set, so that a text written in an earlier one is not
    // taken for the same.
    std::uint64_t fontsSet_ = 0;
    void thinLine(QPoint from, QPoint to);
    void wideLine(QPoint from, QPoint to);
    // A line in major/minor coordinates and the run of its steps to draw.
    struct StepRun {
        std::int64_t a0 = 0, b0 = 0, major = 0, minor = 0, bias = 0;
        int majorSign = 1, minorSign = 1;
        std::int64_t first = 0, count = 0, offset = 0, error = 0;
    };
    struct Bounds {
        std::int64_t aLow, aHigh, bLow, bHigh;
    };
    template <class Int> static bool clipSteps(StepRun& line, const Bounds& bounds);
    template <class Plot> void walk(QPoint from, QPoint to, const QRect& clip, Plot plot);
    void square(int x, int y);
    void recordedLine(QPoint from, QPoint to);
    void record(std::size_t offset, int x, int y, QRgb colour) {
        if (recording_->size() < keptWritesAtMost)
            recording_->push_back(PixelWrite{static_cast<std::uint32_t>(offset), x, y, colour});
        else
            recordingOverflowed_ = true;
        put(offset, x, y, colour);
    }

    // Sets one pixel (offset y * width + x) and keeps the change record.
    void put(std::size_t offset, int x, int y, QRgb colour) {
        QRgb& pixel = bits_[offset];
        if (pixel == colour) return;
        ++changes_;
        tileChanges_[static_cast<std::size_t>((y >> tileShift) * tilesAcross_ + (x >> tileShift))] =
            changes_;
        const QRgb before = shown_[offset];
        if (colour != before) {
            if (pixel == before) {
                ++differing_;
                if (changedCount_ < changed_.size())
                    changed_[changedCount_++] = static_cast<std::uint32_t>(offset);
                else
                    changedOverflow_ = true;
            }
            if (x < markLeft_) markLeft_ = x;
            if (x > markRight_) markRight_ = x;
            if (y < markTop_) markTop_ = y;
            if (y > markBottom_) markBottom_ = y;
        } else {
            --differing_;
        }
        pixel = colour;
    }
    void touchBits() { bits_ = reinterpret_cast<QRgb*>(image_.bits()); }
    // Before writing: when the image was lent out, follows a replacement and
    // detaches it from any copy.
    void syncImage() {
        if (lent_) adoptImage();
    }
    void adoptImage();
    void resetMarks();
    void fillBlack();

    int width_ = 0;
    int height_ = 0;
    QImage image_;
    QRgb* bits_ = nullptr;
    // The picture as of the last takeDirty(), and the count of pixels that
    // differ from it now. Every pixel set to a value that differs from it
    // since then lies within the marks.
    std::vector<QRgb> shown_;
    std::int64_t differing_ = 0;
    int markLeft_ = 0, markRight_ = -1, markTop_ = 0, markBottom_ = -1;
    bool compareAll_ = true;
    // The pixels that came to differ from it, while there are few of them:
    // looked at one by one instead of the rows of the marks.
    std::vector<std::uint32_t> changed_;
    std::size_t changedCount_ = 0;
    bool changedOverflow_ = false;
    // Pixel changes so far (any change of the image by other means counts),
    // and the count when the drawing with the key drawnKey_ was finished.
    std::uint64_t changes_ = 0;
    std::uint64_t drawnKey_ = 0;
    std::uint64_t drawnChanges_ = ~std::uint64_t{0};
    // By tiles of 2^tileShift pixels square, row by row: the change count at
    // the last change of a pixel in the tile; and the count at the last
    // change of the whole image (a new size, a clear, an image lent out).
    static constexpr int tileShift = 4;
    int tilesAcross_ = 1;
    std::vector<std::uint64_t> tileChanges_;
    std::uint64_t wholeChange_ = 0;
    // Tiles that hold a pixel found to differ by takeDirty(), as a region.
    std::vector<std::uint8_t> dirtyTiles_;
    void markDirtyTiles(int y, int left, int right) {
        const auto row = static_cast<std::size_t>((y >> tileShift) * tilesAcross_);
        for (int tx = left >> tileShift; tx <= right >> tileShift; ++tx)
            dirtyTiles_[row + static_cast<std::size_t>(tx)] = 1;
    }
    QRegion takeDirtyTiles();
    QRect takeDirtyBounds();
    bool tilesChangedSince(std::uint64_t changes, int left, int top, int right, int bottom) const;
    // The image was handed out since the last drawing call: it may have been
    // copied or replaced, so look at it before writing into it.
    mutable bool lent_ = true;

    QRgb pen_ = colour::black;
    int penWidth_ = 1;
    // Kept as two ints: read back as they were stored, without a stall.
    int penX_ = 0, penY_ = 0;

    std::optional<QFont> font_; // the screen font until another is set
    QRgb fontColour_ = colour::black;
    std::unordered_map<TextKey, TextCell, TextKeyHash> texts_;

    std::vector<PixelWrite>* recording_ = nullptr;
    bool recordingOverflowed_ = false;
    bool recordingPaused_ = false;
    bool recordingNow() const { return recording_ && !recordingPaused_; }
    std::array<KeptDrawing, keptDrawings> kept_;
};

} // namespace display
