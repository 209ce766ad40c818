// What the screen shows, pixel by pixel, with the window on the bench: the
// start-up picture, time-base switches with their labels, the channel
// choice, one-shot pictures and "mazání". With ZO_SNAPSHOT_DIR set, each
// test also saves the window as a PNG there, to be looked at.

#include "app/CanvasWidget.h"
#include "app/ComboBoxItem.h"
#include "app/Snapshot.h"
#include "support/BenchWindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

using testcard::BenchWindow;

constexpr QRgb yellow = 0xFFFFFF00;
constexpr QRgb aqua = 0xFF00FFFF;

struct Screen : ::testing::Test {
    BenchWindow bench;
    TForm1& form = bench.form();

    void SetUp() override {
        form.show();
        bench.settleOutput();
        bench.capture(2);
    }
    const QImage& screen() { return form.canvas()->canvas().image(); }
    int count(QRgb colour, const QRect& area = QRect(55, 23, 739, 480)) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += screen().pixel(x, y) == colour;
        return n;
    }
    // Pixels that are not black in an area: where text or lines stand.
    int lit(const QRect& area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += screen().pixel(x, y) != 0xFF000000;
        return n;
    }
    void snapshot(const char* name) {
        const QString directory = qEnvironmentVariable("ZO_SNAPSHOT_DIR");
        if (directory.isEmpty()) return;
        EXPECT_TRUE(saveWindowImage(form, directory + "/" + name + ".png").isEmpty());
    }
    // Pixels that differ from the previous call (the first call: everything).
    QImage last;
    int changedSinceLast() {
        int n = 0;
        if (last.size() == screen().size())
            for (int y = 0; y < screen().height(); ++y)
                for (int x = 0; x < screen().width(); ++x)
                    n += screen().pixel(x, y) != last.pixel(x, y);
        else
            n = -1;
        last = screen().copy();
        return n;
    }
    // The mean height of a trace's pixels in a column; -100 where the column
    // shows none of it.
    double traceHeight(QRgb colour, int x) {
        double sum = 0;
        int n = 0;
        for (int y = 23; y < 503; ++y)
            if (screen().pixel(x, y) == colour) {
                sum += y;
                ++n;
            }
        return n ? sum / n : -100;
    }
    // ... in every tenth column.
    std::vector<double> traceHeights(QRgb colour) {
        std::vector<double> heights;
        for (int x = 60; x < 780; x += 10)
            heights.push_back(traceHeight(colour, x));
        return heights;
    }
    // How often a trace crosses the centre line between two columns.
    int crossings(QRgb colour, int from, int to) {
        int n = 0;
        double previous = 0;
        for (int x = from; x <= to; ++x) {
            const double height = traceHeight(colour, x);
            if (height < 0) continue;
            const double side = height - 263;
            if (side * previous < 0) ++n;
            if (side != 0) previous = side;
        }
        return n;
    }
    void chooseTimeBase(int item) {
        SetItemIndex(*form.ComboBox1, item);
        form.ComboBox1Click();
    }
};

TEST_F(Screen, StartUpShowsAStable100HertzPictureOn20Milliseconds) {
    snapshot("start-up");
    EXPECT_EQ(bench.state().timeBaseShown[3], 1);
    // Both traces: 884 samples over 733 pixels, more than two periods each.
    EXPECT_GT(count(yellow), 700);
    EXPECT_GT(count(aqua), 700);
    // Numbers of the time axis (2 ... 18, "20") and of both scales.
    EXPECT_GT(lit(QRect(121, 268, 14, 13)), 10); // "2" of division 1
    EXPECT_GT(lit(QRect(769, 266, 20, 13)), 10); // "20" at the end
    EXPECT_GT(lit(QRect(0, 256, 24, 13)), 10);   // the voltage scale's 0
    EXPECT_GT(lit(QRect(34, 256, 20, 13)), 10);  // "ms"
    // Stable: the same block drawn again changes nothing on the screen once
    // the grid has closed the holes the previous block's traces cut in it.
    bench.pass();
    changedSinceLast();
    bench.pass();
    EXPECT_EQ(changedSinceLast(), 0);
    // New blocks of the same sine: the trigger holds the traces in place.
    const std::vector<double> before = traceHeights(yellow);
    for (int i = 0; i < 3; ++i) {
        bench.capture(1);
        const std::vector<double> after = traceHeights(yellow);
        for (std::size_t x = 0; x < before.size(); ++x)
            if (before[x] > 0 && after[x] > 0) { // not covered by the other trace
                EXPECT_NEAR(after[x], before[x], 3) << "column " << 60 + 10 * x;
            }
    }
}

// Counts the paints that show the screen's picture (below the top row,
// whose readouts repaint the strip behind them as their texts change).
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint &&
            static_cast<QPaintEvent*>(event)->rect().bottom() > 21)
            ++paints;
        return false;
    }
};

TEST_F(Screen, TheScreenIsPaintedAtMostOncePerDisplayRefresh) {
    PaintCounter counter;
    form.canvas()->installEventFilter(&counter);
    // Passes as fast as they come, each on another block (the traces move).
    const SharedState::SampleArray first = bench.state().rawSamples;
    bench.capture(1);
    const SharedState::SampleArray second = bench.state().rawSamples;
    QElapsedTimer clock;
    clock.start();
    int frames = 0;
    while (clock.elapsed() < 300) {
        bench.state().rawSamples = frames % 2 ? first : second;
        bench.pass();
        QCoreApplication::processEvents();
        ++frames;
    }
    QTest::qWait(50);
    const double refreshes = 350.0 / (1000.0 / form.canvas()->screen()->refreshRate());
    EXPECT_GT(frames, 20);
    EXPECT_LE(counter.paints, refreshes + 2) << frames << " frames";
    EXPECT_GT(counter.paints, 2);
}

TEST_F(Screen, ATimeBaseSwitchClearsTheScreenAndDrawsItsLabels) {
    const struct {
        int item;
        const char* name;
        QRect endText; // where the end text of the tenth division stands
    } cases[] = {{7, "time-base-1ms", QRect(750, 266, 39, 13)},
                 {1, "time-base-100ms", QRect(769, 266, 20, 13)}};
    for (const auto& c : cases) {
        chooseTimeBase(c.item);
        bench.pass();
        snapshot(c.name);
        EXPECT_EQ(bench.state().timeBaseShown[static_cast<std::size_t>(c.item)], 1) << c.name;
        EXPECT_GT(lit(c.endText), 10) << c.name;
        EXPECT_GT(count(yellow), 100) << c.name;
    }
    // 1 ms: 44 points on the screen, about 0.1 of a period; 100 ms: ten periods.
}

TEST_F(Screen, ChannelChoiceRShowsOnlyTheVoltage) {
    form.RadioButton4->click();
    bench.pass();
    bench.pass();
    snapshot("channel-R");
    EXPECT_EQ(count(yellow), 0);
    EXPECT_GT(count(aqua), 700);
}

TEST_F(Screen, TypedTriggerSourceDrawsNoTraces) {
    form.ComboBox4->setEditText(QStringLiteral("x"));
    form.ComboBox4Click(); // clears the screen
    bench.pass();
    EXPECT_EQ(count(yellow), 0);
    EXPECT_EQ(count(aqua), 0);
}

TEST_F(Screen, OneShotKeepsItsPictureUntilMazani) {
    form.Button3->click();
    changedSinceLast();
    bench.state().generator1Frequency = 200;
    bench.settleOutput();
    bench.capture(2);
    EXPECT_EQ(changedSinceLast(), 0);                          // the picture stays ...
    EXPECT_EQ(form.Edit12->text(), QStringLiteral("  200Hz")); // ... the readouts follow
    form.file1Click(); // "mazání": a new single picture, now at 10 ms
    EXPECT_GT(changedSinceLast(), 1000);
    EXPECT_EQ(bench.state().timeBaseShown[4], 1);
}

TEST_F(Screen, Generator1AtOneKilohertzReadsItOnTheAutomaticTimeBase) {
    chooseTimeBase(0); // "automatická"
    form.ScrollBar5->setValue(1000);
    bench.settleOutput();
    bench.capture(2);
    snapshot("generator-1kHz");
    EXPECT_EQ(form.Edit8->text(), QStringLiteral(" 1000Hz"));
    EXPECT_EQ(bench.state().timeBaseShown[6], 1); // 2 ms: two periods across
    EXPECT_EQ(crossings(aqua, 56, 780), 4);
}

TEST_F(Screen, Generator2AddsItsSineToTheTraces) {
    // Turns of the voltage trace: where its slope changes sign.
    auto turns = [&] {
        int n = 0;
        const std::vector<double> heights = traceHeights(aqua);
        for (std::size_t i = 2; i < heights.size(); ++i)
            n += (heights[i] - heights[i - 1]) * (heights[i - 1] - heights[i - 2]) < 0;
        return n;
    };
    const int alone = turns(); // 100 Hz at 20 ms: about four peaks
    form.zobrazit2Click();     // 500 Hz at amplitude 1000
    bench.settleOutput();
    bench.capture(2);
    snapshot("generator-2");
    // The 500 Hz ripple, a third of generator 1's amplitude, bends the trace
    // ten times across the screen.
    EXPECT_LE(alone, 6);
    EXPECT_GE(turns(), 12) << alone;
}

TEST_F(Screen, TheSweepShowsAsABurstOfRisingFrequency) {
    form.zobrazit4Click();
    form.Button103Click(); // "start" with "100" and "500"
    bench.settleOutput();
    bench.capture(2);
    snapshot("sweep");
    EXPECT_EQ(bench.state().timeBaseShown[1], 1); // 100 ms
    // A burst whose frequency rises from a few tens to a few hundred hertz:
    // the centre line is crossed far more often in some parts of the screen
    // than in others, unlike a steady sine.
    int fewest = 1000, most = 0;
    for (int x = 56; x + 120 <= 776; x += 120) {
        const int n = crossings(aqua, x, x + 120);
        fewest = std::min(fewest, n);
        most = std::max(most, n);
    }
    EXPECT_GE(most, 3 * std::max(fewest, 1)) << fewest << " " << most;
}

} // namespace
