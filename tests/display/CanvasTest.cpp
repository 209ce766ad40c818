// The back buffer: lines with the platform's end-point convention and exact
// clipping, text cells, and the record of what changed.

#include "display/Canvas.h"

#include "Pixels.h"

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace display {
namespace {

using test::at;
using test::column;
using test::lit;
using test::PixelSet;
using test::row;

struct PolylineCase {
    const char* name;
    std::vector<QPoint> points;
    PixelSet expected;
    friend void PrintTo(const PolylineCase& c, std::ostream* out) { *out << c.name; }
};

class PolylineTest : public ::testing::TestWithParam<PolylineCase> {};

TEST_P(PolylineTest, PaintsEveryVertexButTheLast) {
    const PolylineCase& c = GetParam();
    Canvas canvas(40, 30);
    canvas.setPenColor(colour::white);
    canvas.moveTo(c.points.front().x(), c.points.front().y());
    for (std::size_t i = 1; i < c.points.size(); ++i)
        canvas.lineTo(c.points[i].x(), c.points[i].y());
    EXPECT_EQ(lit(canvas), c.expected);
    EXPECT_EQ(canvas.penPosition(), c.points.back());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PolylineTest,
    ::testing::Values(
        PolylineCase{"Right", {{10, 10}, {13, 10}}, {{10, 10}, {11, 10}, {12, 10}}},
        PolylineCase{"Left", {{13, 10}, {10, 10}}, {{13, 10}, {12, 10}, {11, 10}}},
        PolylineCase{"Down", {{5, 1}, {5, 4}}, {{5, 1}, {5, 2}, {5, 3}}},
        PolylineCase{"Up", {{5, 4}, {5, 1}}, {{5, 4}, {5, 3}, {5, 2}}},
        PolylineCase{"Diagonal", {{10, 10}, {13, 13}}, {{10, 10}, {11, 11}, {12, 12}}},
        PolylineCase{"AntiDiagonal", {{13, 10}, {10, 13}}, {{13, 10}, {12, 11}, {11, 12}}},
        PolylineCase{"ZeroLength", {{7, 7}, {7, 7}}, {}},
        // x at y = 1 and 2 is 1/3 and 2/3: nearest pixels 0 and 1.
        PolylineCase{"Steep", {{0, 0}, {1, 3}}, {{0, 0}, {0, 1}, {1, 2}}},
        // y at x = 1 and 3 is 0.5 and 1.5: a tie goes to the larger y.
        PolylineCase{"HalfSlopeRight", {{0, 0}, {4, 2}}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}},
        PolylineCase{"HalfSlopeLeft", {{4, 2}, {0, 0}}, {{4, 2}, {3, 2}, {2, 1}, {1, 1}}},
        PolylineCase{"HalfSlopeFalling", {{0, 2}, {4, 0}}, {{0, 2}, {1, 2}, {2, 1}, {3, 1}}},
        PolylineCase{
            "Corner", {{0, 0}, {3, 0}, {3, 3}}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}}},
        PolylineCase{"AcrossTheCorner", {{-2, -2}, {2, 2}}, {{0, 0}, {1, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CanvasLine, ReversedLineLightsTheSamePixelsButItsEnds) {
    // A deterministic spread of directions and lengths.
    std::uint32_t seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(range));
    };
    for (int n = 0; n < 200; ++n) {
        const QPoint a(next(60), next(50)), b(next(60), next(50));
        Canvas forward(60, 50), backward(60, 50);
        forward.setPenColor(colour::white);
        backward.setPenColor(colour::white);
        forward.moveTo(a.x(), a.y());
        forward.lineTo(b.x(), b.y());
        backward.moveTo(b.x(), b.y());
        backward.lineTo(a.x(), a.y());
        PixelSet one = lit(forward), other = lit(backward);
        if (a != b) {
            one.insert({b.x(), b.y()});
            other.insert({a.x(), a.y()});
        }
        EXPECT_EQ(one, other) << "(" << a.x() << "," << a.y() << ") - (" << b.x() << "," << b.y()
                              << ")";
    }
}

TEST(CanvasLine, ClippedLineLightsExactlyTheInsidePixelsOfTheWholeLine) {
    // The small canvas is the window (500, 400) .. (579, 459) of the large
    // one, on which every test line lies whole.
    constexpr int left = 500, top = 400;
    Canvas large(1100, 900), small(80, 60);
    std::uint32_t seed = 987;
    const auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(range));
    };
    for (const int width : {1, 3, 4}) {
        large.setPenWidth(width);
        small.setPenWidth(width);
        for (int n = 0; n < 300; ++n) {
            // Most lines start near the window, so that many cross it; every
            // third has the slope 1/2 or 2 with a tie at every other step.
            const bool near = n % 4 != 0;
            const int x0 = near ? left - 20 + next(120) : 2 + next(1096);
            const int y0 = near ? top - 20 + next(100) : 2 + next(896);
            int x1 = 2 + next(1096), y1 = 2 + next(896);
            if (n % 3 == 0) {
                const int k = 5 + next(150);
                const int along = next(2) == 0 ? 2 * k : k;
                x1 = x0 + (next(2) == 0 ? along : -along);
                y1 = y0 + (next(2) == 0 ? 3 * k - along : along - 3 * k);
            }
            large.clear();
            small.clear();
            large.setPenColor(colour::yellow);
            small.setPenColor(colour::yellow);
            large.moveTo(x0, y0);
            large.lineTo(x1, y1);
            small.moveTo(x0 - left, y0 - top);
            small.lineTo(x1 - left, y1 - top);
            const QImage window = large.image().copy(left, top, 80, 60);
            ASSERT_EQ(lit(small), lit(window)) << "width " << width << ": (" << x0 << "," << y0
                                               << ") - (" << x1 << "," << y1 << ")";
        }
    }
}

TEST(CanvasLine, FarEndsLightTheNearestPixelsOnly) {
    struct FarCase {
        QPoint from, to;
        bool xMajor; // expected pixel: minor = (major + 1) / 2 along the major axis
    };
    // Lines through the origin with slope 1/2, ends 10000 pixels outside.
    for (const FarCase& c : {FarCase{{-10000, -5000}, {10000, 5000}, true},
                             FarCase{{10000, 5000}, {-10000, -5000}, true},
                             FarCase{{-5000, -10000}, {5000, 10000}, false}}) {
        Canvas canvas;
        canvas.setPenColor(colour::aqua);
        canvas.moveTo(c.from.x(), c.from.y());
        canvas.lineTo(c.to.x(), c.to.y());
        PixelSet expected;
        if (c.xMajor) {
            for (int x = 0; x < canvas.width(); ++x)
                expected.insert({x, (x + 1) / 2});
        } else {
            for (int y = 0; y < canvas.height(); ++y)
                expected.insert({(y + 1) / 2, y});
        }
        EXPECT_EQ(lit(canvas), expected) << c.from.x() << "," << c.from.y();
    }
    // Lines that pass by the image light nothing.
    Canvas canvas;
    canvas.setPenColor(colour::white);
    for (const auto& [from, to] : {std::pair{QPoint(17000, 20000), QPoint(16990, -20000)},
                                   std::pair{QPoint(-100, 600), QPoint(900, 527)},
                                   std::pair{QPoint(-1000, 400), QPoint(400, -1000)}}) {
        canvas.moveTo(from.x(), from.y());
        canvas.lineTo(to.x(), to.y());
    }
    EXPECT_TRUE(lit(canvas).empty());
}

TEST(CanvasLine, RedrawnInBlackLeavesNothing) {
    Canvas canvas;
    for (const int width : {1, 2, 3}) {
        canvas.setPenWidth(width);
        for (const QRgb pen : {colour::yellow, colour::black}) {
            canvas.setPenColor(pen);
            canvas.moveTo(-300, 263);
            for (int j = 1; j < 700; ++j)
                canvas.lineTo(j * 17 % 900 - 50, (j * 7919) % 1400 - 400);
        }
        EXPECT_TRUE(lit(canvas).empty()) << "pen width " << width;
    }
}

TEST(CanvasText, FillsTheCellAndWritesInTheFontColour) {
    Canvas canvas(100, 40);
    canvas.editImage().fill(colour::aqua);
    canvas.setFontColor(colour::yellow);
    const QSize cell = canvas.textSize("50");
    // The screen font: about 13 pixels a line, two digits about 14 pixels wide.
    EXPECT_GE(cell.height(), 12);
    EXPECT_LE(cell.height(), 15);
    EXPECT_GE(cell.width(), 8);
    EXPECT_LE(cell.width(), 20);

    canvas.textOut(10, 5, "50");
    int yellow = 0, other = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QRgb pixel = at(canvas, x, y);
            const bool inCell = x >= 10 && x < 10 + cell.width() && y >= 5 && y < 5 + cell.height();
            if (!inCell) {
                ASSERT_EQ(pixel, colour::aqua) << x << "," << y;
                continue;
            }
            ASSERT_NE(pixel, colour::aqua) << x << "," << y; // the cell is opaque
            ++(pixel == colour::yellow ? yellow : other);
        }
    }
    EXPECT_GT(yellow, 10);
    EXPECT_GT(other, yellow); // mostly black background

    // The same text in another colour is not the cached yellow one.
    canvas.setFontColor(colour::white);
    canvas.textOut(10, 5, "50");
    bool white = false, yellowLeft = false;
    for (int y = 5; y < 5 + cell.height(); ++y) {
        for (int x = 10; x < 10 + cell.width(); ++x) {
            white = white || at(canvas, x, y) == colour::white;
            yellowLeft = yellowLeft || at(canvas, x, y) == colour::yellow;
        }
    }
    EXPECT_TRUE(white);
    EXPECT_FALSE(yellowLeft);

    // A larger font gives a larger cell; texts clipped at the edges stay inside.
    QFont large = screenFont();
    large.setPixelSize(22);
    canvas.setFont(large);
    EXPECT_GT(canvas.textSize("50").height(), cell.height());
    canvas.textOut(-5, -5, "50");
    canvas.textOut(95, 35, "50");
    EXPECT_NE(at(canvas, 0, 0), colour::aqua);
    EXPECT_NE(at(canvas, 99, 39), colour::aqua);
    EXPECT_EQ(at(canvas, 94, 39), colour::aqua);
}

// A text whose cell lies wholly outside the image, however far, writes
// nothing and reaches no memory outside it.
TEST(CanvasText, FarOutsideWritesNothing) {
    Canvas canvas(100, 40);
    canvas.editImage().fill(colour::aqua);
    const QImage before = canvas.image().copy();
    canvas.setFontColor(colour::yellow);
    for (const QPoint at : {QPoint(INT_MIN, 5), QPoint(INT_MIN + 1, 5), QPoint(-1000, 5),
                            QPoint(100, 5), QPoint(INT_MAX, 5), QPoint(10, INT_MIN),
                            QPoint(10, -1000), QPoint(10, 40), QPoint(10, INT_MAX),
                            QPoint(INT_MIN, INT_MIN)}) {
        canvas.textOut(at.x(), at.y(), "50");
        ASSERT_EQ(canvas.image(), before) << at.x() << "," << at.y();
    }
}

// A text written again at its place, after whatever happened meanwhile,
// leaves its cell as a first write on a fresh canvas does.
struct RewriteCase {
    const char* name;
    std::function<void(Canvas&)> meanwhile;
    // The font and colour of the second write, on both canvases.
    std::function<void(Canvas&)> style = [](Canvas&) {};
    friend void PrintTo(const RewriteCase& c, std::ostream* out) { *out << c.name; }
};

class RewriteTest : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteTest, LeavesTheCellAsAFirstWrite) {
    const RewriteCase& c = GetParam();
    Canvas canvas(100, 40);
    canvas.setFontColor(colour::yellow);
    canvas.textOut(10, 5, "0.25");
    canvas.takeDirty();
    c.meanwhile(canvas);
    c.style(canvas);
    canvas.textOut(10, 5, "0.25");

    Canvas fresh(100, 40);
    fresh.setFontColor(colour::yellow);
    c.style(fresh);
    fresh.textOut(10, 5, "0.25");
    const QSize cell = fresh.textSize("0.25");
    ASSERT_GT(cell.width(), 16); // the cell spans two tiles across
    for (int y = 5; y < 5 + cell.height(); ++y)
        for (int x = 10; x < 10 + cell.width(); ++x)
            ASSERT_EQ(at(canvas, x, y), at(fresh, x, y)) << x << "," << y;
}

void line(Canvas& canvas, QRgb pen, QPoint from, QPoint to) {
    canvas.setPenColor(pen);
    canvas.moveTo(from.x(), from.y());
    canvas.lineTo(to.x(), to.y());
}

void whiteLine(Canvas& canvas, QPoint from, QPoint to) {
    line(canvas, colour::white, from, to);
}

INSTANTIATE_TEST_SUITE_P(
    Canvas, RewriteTest,
    ::testing::Values(
        RewriteCase{"crossedByALine", [](Canvas& c) { whiteLine(c, {0, 10}, {99, 10}); }},
        RewriteCase{"onePixelChangedInItsLastTile",
                    [](Canvas& c) {
                        const QSize s = c.textSize("0.25");
                        const QPoint last(10 + s.width() - 1, 5 + s.height() - 1);
                        whiteLine(c, last, last + QPoint(1, 0));
                    }},
        RewriteCase{"partlyCoveredByAnotherText",
                    [](Canvas& c) {
                        c.setFontColor(colour::aqua);
                        c.textOut(18, 12, "88");
                        c.setFontColor(colour::yellow);
                    }},
        RewriteCase{"cleared", [](Canvas& c) { c.clear(); }},
        RewriteCase{"paintedOverByOtherMeans",
                    [](Canvas& c) { c.editImage().fill(colour::aqua); }},
        RewriteCase{"replacedByAnotherImage",
                    [](Canvas& c) {
                        QImage other(100, 40, QImage::Format_RGB32);
                        other.fill(colour::white);
                        c.editImage() = other;
                    }},
        RewriteCase{"resizedToItsOwnSize", [](Canvas& c) { c.resize(100, 40); }},
        RewriteCase{"inAnotherColour", [](Canvas&) {},
                    [](Canvas& c) { c.setFontColor(colour::white); }},
        RewriteCase{"inAnotherFont", [](Canvas&) {},
                    [](Canvas& c) {
                        QFont large = screenFont();
                        large.setPixelSize(22);
                        c.setFont(large);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CanvasChanges, ReportTheBoundsOfChangedPixelsOnly) {
    Canvas canvas(200, 100);
    EXPECT_EQ(canvas.takeDirty(), QRect(0, 0, 200, 100)); // the first picture
    EXPECT_TRUE(canvas.takeDirty().isEmpty());

    canvas.setPenColor(colour::yellow);
    canvas.moveTo(10, 20);
    canvas.lineTo(30, 25);
    EXPECT_EQ(canvas.takeDirty(), QRect(QPoint(10, 20), QPoint(29, 25)));

    // The same line again, and black over it and yellow again: nothing differs.
    canvas.moveTo(10, 20);
    canvas.lineTo(30, 25);
    EXPECT_TRUE(canvas.takeDirty().isEmpty());
    for (const QRgb pen : {colour::black, colour::aqua, colour::yellow}) {
        canvas.setPenColor(pen);
        canvas.moveTo(10, 20);
        canvas.lineTo(30, 25);
    }
    EXPECT_TRUE(canvas.takeDirty().isEmpty());

    // Black over part of it: only that part (y = 20 + (x - 10) / 4 is 20.5 at x = 12).
    canvas.setPenColor(colour::black);
    canvas.moveTo(0, 20);
    canvas.lineTo(14, 20);
    EXPECT_EQ(canvas.takeDirty(), QRect(QPoint(10, 20), QPoint(11, 20)));

    // A changed pixel, then another far away changed and changed back.
    canvas.setPenColor(colour::white);
    canvas.moveTo(150, 90);
    canvas.lineTo(151, 90);
    canvas.moveTo(5, 5);
    canvas.lineTo(6, 5);
    canvas.setPenColor(colour::black);
    canvas.moveTo(5, 5);
    canvas.lineTo(6, 5);
    EXPECT_EQ(canvas.takeDirty(), QRect(150, 90, 1, 1));

    // Text: within its cell.
    canvas.setFontColor(colour::white);
    canvas.textOut(100, 40, "20");
    const QRect text = canvas.takeDirty();
    EXPECT_FALSE(text.isEmpty());
    EXPECT_TRUE(QRect(QPoint(100, 40), canvas.textSize("20")).contains(text));
    canvas.textOut(100, 40, "20");
    EXPECT_TRUE(canvas.takeDirty().isEmpty());

    // Clearing: everything drawn so far; clearing a black image changes nothing.
    canvas.clear();
    EXPECT_EQ(canvas.takeDirty(), QRect(QPoint(12, 21), QPoint(150, 90)) | text);
    canvas.clear();
    EXPECT_TRUE(canvas.takeDirty().isEmpty());

    // Drawing by other means on the image counts too.
    canvas.editImage().setPixel(77, 66, colour::aqua);
    EXPECT_EQ(canvas.takeDirty(), QRect(77, 66, 1, 1));

    canvas.resize(50, 40);
    QRegion tiles;
    EXPECT_EQ(canvas.takeDirty(&tiles), QRect(0, 0, 50, 40));
    EXPECT_EQ(tiles, QRegion(0, 0, 50, 40)); // the edge tiles clipped by the image
}

TEST(CanvasChanges, RepeatedDrawingIsKnownOnlyWhileNoPixelChanged) {
    Canvas canvas(50, 50);
    canvas.setPenColor(colour::white);
    canvas.moveTo(0, 10);
    canvas.lineTo(40, 10);
    canvas.drawn(7);
    EXPECT_TRUE(canvas.alreadyDrawn(7));
    EXPECT_FALSE(canvas.alreadyDrawn(8));
    canvas.moveTo(0, 10); // the same pixels again: no change
    canvas.lineTo(40, 10);
    EXPECT_TRUE(canvas.alreadyDrawn(7));
    canvas.imageToShow(); // shown at once, as a repaint does: nothing lent out
    EXPECT_TRUE(canvas.alreadyDrawn(7));
    canvas.image(); // lent out: it may be drawn on by other means
    EXPECT_FALSE(canvas.alreadyDrawn(7));
    canvas.drawn(7);
    canvas.setPenColor(colour::black);
    canvas.lineTo(0, 10); // black back over it
    EXPECT_FALSE(canvas.alreadyDrawn(7));

    canvas.drawn(7);
    canvas.clear();
    EXPECT_FALSE(canvas.alreadyDrawn(7));
    canvas.drawn(7);
    canvas.editImage().setPixel(3, 3, colour::aqua);
    EXPECT_FALSE(canvas.alreadyDrawn(7));
}

// A line drawn again with the key of its last drawing, after the screen
// changed over it, stands whole again: every pixel it lights, none beyond.
struct RedrawCase {
    const char* name;
    QPoint from, to;
    std::function<void(Canvas&)> meanwhile;
    PixelSet expected;
    friend void PrintTo(const RedrawCase& c, std::ostream* out) { *out << c.name; }
};

class RedrawTest : public ::testing::TestWithParam<RedrawCase> {};

TEST_P(RedrawTest, RestoresEveryPixelOfTheLine) {
    const RedrawCase& c = GetParam();
    Canvas canvas(50, 50);
    canvas.setPenColor(colour::white);
    canvas.moveTo(c.from.x(), c.from.y());
    canvas.lineTo(c.to.x(), c.to.y());
    canvas.drawn(7);
    canvas.takeDirty();
    c.meanwhile(canvas);
    canvas.setPenColor(colour::white);
    canvas.setPenWidth(1);
    canvas.moveTo(c.from.x(), c.from.y());
    canvas.lineToWhereChanged(7, c.to.x(), c.to.y());
    EXPECT_EQ(lit(canvas), c.expected);
    EXPECT_EQ(canvas.penPosition(), c.to);
}

void blackLine(Canvas& canvas, QPoint from, QPoint to) {
    line(canvas, colour::black, from, to);
}

INSTANTIATE_TEST_SUITE_P(
    Canvas, RedrawTest,
    ::testing::Values(
        RedrawCase{"crossedOnce",
                   {0, 10},
                   {41, 10},
                   [](Canvas& c) {
                       blackLine(c, {20, 0}, {20, 30});
                   },
                   row(10, 0, 40)},
        RedrawCase{"crossedInThreeTiles",
                   {5, 2},
                   {5, 46},
                   [](Canvas& c) {
                       for (int y : {3, 17, 33})
                           blackLine(c, {0, y}, {30, y});
                   },
                   column(5, 2, 45)},
        RedrawCase{"backwardsAcrossATileEdge",
                   {41, 10},
                   {0, 10},
                   [](Canvas& c) {
                       blackLine(c, {15, 0}, {15, 30});
                       blackLine(c, {16, 0}, {16, 30});
                       blackLine(c, {41, 0}, {41, 30});
                   },
                   row(10, 1, 41)},
        RedrawCase{"upwards",
                   {30, 45},
                   {30, 4},
                   [](Canvas& c) {
                       blackLine(c, {0, 4}, {49, 45});
                   },
                   column(30, 5, 45)},
        RedrawCase{"clippedByTheImage",
                   {-10, 10},
                   {60, 10},
                   [](Canvas& c) {
                       blackLine(c, {49, 0}, {49, 30});
                   },
                   row(10, 0, 49)},
        RedrawCase{"afterAClear", {0, 10}, {41, 10}, [](Canvas& c) { c.clear(); }, row(10, 0, 40)},
        RedrawCase{"afterAChangeByOtherMeans",
                   {0, 10},
                   {41, 10},
                   [](Canvas& c) { c.editImage().setPixel(7, 10, colour::black); },
                   row(10, 0, 40)},
        RedrawCase{"withOtherPixelsLeftAsTheyAre",
                   {0, 10},
                   {41, 10},
                   [](Canvas& c) {
                       c.setPenColor(colour::aqua);
                       c.moveTo(20, 5);
                       c.lineTo(20, 15);
                   },
                   [] {
                       PixelSet pixels = row(10, 0, 40);
                       pixels.merge(column(20, 5, 14));
                       return pixels;
                   }()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CanvasImage, CopiesKeepTheirPicture) {
    Canvas canvas(20, 20);
    const QImage before = canvas.image();
    canvas.setPenColor(colour::white);
    canvas.moveTo(0, 0);
    canvas.lineTo(10, 0);
    EXPECT_TRUE(lit(before).empty());
    EXPECT_EQ(lit(canvas).size(), 10u);
}

struct DirtyCase {
    const char* name;
    // Horizontal lines (y, from x, to x without it), white on black.
    std::vector<std::array<int, 3>> lines;
    QRect expected;
    // The tiles of 16 x 16 pixels that hold them.
    std::vector<QRect> tiles;
    friend void PrintTo(const DirtyCase& c, std::ostream* out) { *out << c.name; }
};

QRegion region(const std::vector<QRect>& rects) {
    QRegion region;
    for (const QRect& rect : rects)
        region += rect;
    return region;
}

class DirtyTest : public ::testing::TestWithParam<DirtyCase> {};

// On a 64 x 32 image: single pixels on either side of every group of eight,
// and more changed pixels than are followed one by one (an eighth of the image).
TEST_P(DirtyTest, BoundsOfTheChangedPixels) {
    const DirtyCase& c = GetParam();
    Canvas canvas(64, 32);
    canvas.takeDirty();
    canvas.setPenColor(colour::white);
    for (const auto& [y, from, to] : c.lines) {
        canvas.moveTo(from, y);
        canvas.lineTo(to, y);
    }
    QRegion tiles;
    EXPECT_EQ(canvas.takeDirty(&tiles), c.expected);
    EXPECT_EQ(tiles, region(c.tiles));
    EXPECT_TRUE(canvas.takeDirty(&tiles).isEmpty());
    EXPECT_TRUE(tiles.isEmpty());
    // Black again: the same pixels change back.
    canvas.setPenColor(colour::black);
    for (const auto& [y, from, to] : c.lines) {
        canvas.moveTo(from, y);
        canvas.lineTo(to, y);
    }
    EXPECT_EQ(canvas.takeDirty(&tiles), c.expected);
    EXPECT_EQ(tiles, region(c.tiles));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, DirtyTest,
    ::testing::Values(
        DirtyCase{"FirstColumn", {{0, 0, 1}}, QRect(0, 0, 1, 1), {QRect(0, 0, 16, 16)}},
        DirtyCase{"LastOfAGroup", {{3, 7, 8}}, QRect(7, 3, 1, 1), {QRect(0, 0, 16, 16)}},
        DirtyCase{"FirstOfAGroup", {{3, 8, 9}}, QRect(8, 3, 1, 1), {QRect(0, 0, 16, 16)}},
        DirtyCase{"LastColumn", {{31, 63, 64}}, QRect(63, 31, 1, 1), {QRect(48, 16, 16, 16)}},
        DirtyCase{"FarApart",
                  {{1, 1, 2}, {30, 62, 63}},
                  QRect(1, 1, 62, 30),
                  {QRect(0, 0, 16, 16), QRect(48, 16, 16, 16)}},
        DirtyCase{"RowsOfARectangle",
                  {{14, 3, 60}, {15, 3, 60}, {16, 3, 60}, {17, 3, 60}, {18, 3, 60}},
                  QRect(QPoint(3, 14), QPoint(59, 18)),
                  {QRect(0, 0, 64, 32)}},
        DirtyCase{"TwoPixelsAndAFullRow",
                  {{2, 9, 10}, {20, 17, 18}, {12, 0, 64}, {12, 0, 64}},
                  QRect(QPoint(0, 2), QPoint(63, 20)),
                  {QRect(0, 0, 64, 16), QRect(16, 16, 16, 16)}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace display
