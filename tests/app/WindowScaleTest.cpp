// The window at a larger size for a projector: the factor from the command
// line and the settings file, the "velikost okna" menu that keeps the choice,
// and the program at scale 2 against scale 1: the same window in logical
// pixels, every control at twice its position and size and drawn sharp, the
// oscilloscope screen the exact picture enlarged.

#include "app/WindowScale.h"

#include "app/ErrorReport.h"
#include "app/ScaleMenu.h"
#include "support/BenchWindow.h"
#include "support/ProgramRun.h"
#include "support/SettingsHome.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

TEST(WindowScale, TypedFactors) {
    const struct {
        const char* text;
        std::optional<double> scale;
    } cases[] = {{"1", 1.0},   {"1.5", 1.5}, {" 2 ", 2.0}, {"3", 3.0}, {"0.99", {}},
                 {"3.01", {}}, {"0", {}},    {"-2", {}},   {"", {}},   {"big", {}},
                 {"nan", {}},  {"inf", {}},  {"150%", {}}, {"1,5", {}}};
    for (const auto& c : cases)
        EXPECT_EQ(windowScaleFromText(QString::fromUtf8(c.text)), c.scale) << c.text;
}

TEST(WindowScale, TheWindowOpensAnewWithTheSameOptionsButTheSavedSize) {
    const struct {
        QStringList given, kept;
    } cases[] = {
        {{}, {}},
        {{"--audio=bench", "--scale=2"}, {"--audio=bench"}},
        {{"--scale", "1.5", "--circuit=R=10"}, {"--circuit=R=10"}},
        {{"-scale=2", "--log=a.csv", "-scale", "3"}, {"--log=a.csv"}},
        {{"--device=hw:1", "--quit-after=5"}, {"--device=hw:1", "--quit-after=5"}},
        // A circuit or a file that only looks like the option stays.
        {{"--circuit=R=10", "--log=--scale=2"}, {"--circuit=R=10", "--log=--scale=2"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(argumentsWithoutScale(c.given), c.kept) << c.given.join(' ').toStdString();
}

TEST_F(SettingsHome, TheSavedSizeIsReadBackOrIgnoredWithAReason) {
    EXPECT_EQ(savedWindowScale().scale, 1.0);
    EXPECT_TRUE(savedWindowScale().problem.isEmpty()) << "no file is no problem";
    const struct {
        const char* text;
        double scale;
        bool problem;
    } cases[] = {{"[window]\nscale=2\n", 2.0, false},  {"[window]\nscale=1.5\n", 1.5, false},
                 {"[other]\nx=1\n", 1.0, false},       {"[window]\nscale=5\n", 1.0, true},
                 {"[window]\nscale=0.5\n", 1.0, true}, {"[window]\nscale=huge\n", 1.0, true}};
    for (const auto& c : cases) {
        write(c.text);
        const SavedWindowScale saved = savedWindowScale();
        EXPECT_EQ(saved.scale, c.scale) << c.text;
        EXPECT_EQ(!saved.problem.isEmpty(), c.problem) << c.text;
        if (c.problem) {
            EXPECT_TRUE(saved.problem.contains(file())) << saved.problem.toStdString();
        }
    }
}

TEST_F(SettingsHome, SavingKeepsWhatElseTheFileHolds) {
    write("[calibration]\ncard=0.5\n");
    EXPECT_TRUE(saveWindowScale(1.5).isEmpty());
    const QByteArray text = read();
    EXPECT_TRUE(text.contains("scale=1.5")) << text.toStdString();
    EXPECT_TRUE(text.contains("card=0.5")) << text.toStdString();
    EXPECT_EQ(savedWindowScale().scale, 1.5);
}

TEST_F(SettingsHome, TheMenuOffersThreeSizesAndKeepsTheChoice) {
    testcard::BenchWindow bench;
    std::vector<double> chosen;
    QMenu* menu =
        addScaleMenu(*bench.form().screenMenu, [&](double scale) { chosen.push_back(scale); });
    EXPECT_EQ(menu->title(), QStringLiteral("velikost okna"));
    EXPECT_EQ(bench.form().screenMenu->actions().last()->menu(), menu);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 3);
    const char* texts[] = {"100 %", "150 %", "200 %"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(items[i]->text(), QString::fromUtf8(texts[i]));
    // The window of the test runs at 100 %.
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_FALSE(items[1]->isChecked() || items[2]->isChecked());

    items[0]->trigger();
    EXPECT_TRUE(chosen.empty()) << "the size in force is no new choice";
    EXPECT_FALSE(QFile::exists(file()));

    items[1]->trigger();
    ASSERT_EQ(chosen, std::vector<double>{1.5});
    EXPECT_TRUE(read().contains("scale=1.5")) << read().toStdString();
    items[2]->trigger();
    EXPECT_EQ(chosen, (std::vector<double>{1.5, 2.0}));
    EXPECT_TRUE(read().contains("scale=2")) << read().toStdString();
}

TEST_F(SettingsHome, AChoiceThatCannotBeKeptIsReportedAndChangesNothing) {
    // The settings folder's place is taken by a file.
    QFile blocker(home.path() + "/zo7scope");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    testcard::BenchWindow bench;
    std::vector<QString> reports;
    const app::ErrorBox previousBox =
        app::setErrorBox([&](const QString&, const QString& text) { reports.push_back(text); });
    bool chosen = false;
    QMenu* menu = addScaleMenu(*bench.form().screenMenu, [&](double) { chosen = true; });
    menu->actions()[2]->trigger();
    app::setErrorBox(previousBox);
    EXPECT_FALSE(chosen);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].contains(file())) << reports[0].toStdString();
    EXPECT_TRUE(menu->actions()[0]->isChecked());
    EXPECT_FALSE(menu->actions()[2]->isChecked());
}

// One run of the program: a frequency response on the bench's simulated
// time, so that every run ends on the same picture; the window's picture and
// report when it closes.
struct Window {
    QImage picture;
    QJsonArray controls;
};

Window windowAt(const QString& scale, const QTemporaryDir& dir) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", dir.path());
    environment.remove("QT_SCALE_FACTOR");
    const QString file = dir.path() + "/window" + scale + ".png";
    const ProgramRun run = runProgram({"--audio=bench", "--response=100:200:2", "--report",
                                       "--snapshot=" + file, "--scale=" + scale},
                                      environment);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    Window window;
    window.picture = QImage(file).convertToFormat(QImage::Format_RGB32);
    // The response's CSV comes first, the report is the last line.
    const QByteArray report = run.out.trimmed().split('\n').last();
    window.controls = QJsonDocument::fromJson(report).object().value("controls").toArray();
    return window;
}

TEST(WindowScaleProgram, AtScaleTwoEveryControlIsTwiceAsLargeAndTheScreenIsTheSamePicture) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Window one = windowAt("1", dir);
    const Window two = windowAt("2", dir);
    ASSERT_FALSE(one.picture.isNull());
    ASSERT_FALSE(two.picture.isNull());
    ASSERT_FALSE(one.controls.isEmpty());

    // The same window in its own pixels: positions, sizes and texts.
    EXPECT_EQ(one.controls, two.controls);
    ASSERT_EQ(two.picture.width(), 2 * one.picture.width());
    ASSERT_EQ(two.picture.height(), 2 * one.picture.height());
    // The client area lies under the menu bar, at the bottom of the picture.
    const int top = one.picture.height() - 526;
    ASSERT_GT(top, 0);
    ASSERT_EQ(one.picture.width(), 794);

    std::vector<QRect> controls;
    int sharp = 0;
    for (const QJsonValue& value : one.controls) {
        const QJsonObject c = value.toObject();
        if (!c.value("visible").toBool()) continue;
        const QRect r = QRect(c.value("x").toInt(), c.value("y").toInt() + top,
                              c.value("w").toInt(), c.value("h").toInt()) &
                        one.picture.rect();
        if (r.isEmpty()) continue;
        controls.push_back(r);
        // At twice its position and size it shows what it shows at scale 1:
        // the same colour on average (text drawn finer, frames as wide).
        double mean1[3] = {}, mean2[3] = {};
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QRgb p = one.picture.pixel(x, y);
                mean1[0] += qRed(p), mean1[1] += qGreen(p), mean1[2] += qBlue(p);
                bool uniform = true;
                for (int i = 0; i < 4; ++i) {
                    const QRgb q = two.picture.pixel(2 * x + i % 2, 2 * y + i / 2);
                    mean2[0] += qRed(q) / 4.0, mean2[1] += qGreen(q) / 4.0,
                        mean2[2] += qBlue(q) / 4.0;
                    uniform = uniform && q == two.picture.pixel(2 * x, 2 * y);
                }
                if (!uniform) ++sharp;
            }
        const double area = double(r.width()) * r.height();
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(mean2[k] / area, mean1[k] / area, 24.0)
                << c.value("name").toString().toStdString() << " colour " << k;
    }
    // Qt draws the controls at the larger size, not their small picture enlarged.
    EXPECT_GT(sharp, 1000);

    // Everywhere else on the screen each pixel became exactly two by two.
    // The two runs may close on neighbouring blocks of the same sine (a slow
    // build lets the wall clock's timers fall between other steps of the
    // simulated time), so a coloured trace pixel may differ between them;
    // the grey screen, the grid and the axes may not.
    const auto grey = [](QRgb c) { return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c); };
    int compared = 0;
    int traceDifferences = 0;
    for (int y = top; y < one.picture.height(); ++y)
        for (int x = 0; x < one.picture.width(); ++x) {
            bool covered = false;
            for (const QRect& r : controls)
                covered = covered || r.adjusted(-1, -1, 1, 1).contains(x, y);
            if (covered) continue;
            ++compared;
            const QRgb p = one.picture.pixel(x, y);
            const QRgb q = two.picture.pixel(2 * x, 2 * y);
            for (int i = 1; i < 4; ++i)
                if (two.picture.pixel(2 * x + i % 2, 2 * y + i / 2) != q) {
                    ADD_FAILURE() << "screen pixel " << x << "," << y - top
                                  << " is not two by two at scale 2";
                    return;
                }
            if (q == p) continue;
            if (grey(p) && grey(q)) {
                ADD_FAILURE() << "screen pixel " << x << "," << y - top << " differs at scale 2";
                return;
            }
            ++traceDifferences;
        }
    EXPECT_GT(compared, 794 * 526 / 2);
    EXPECT_LT(traceDifferences, 1000);
}

} // namespace
