// The series model fitted to a response in the window: its values under the
// plots, its curves through the points, and the comment lines of the saved
// table; and what the window says when the points cannot decide.

#include "app/ResponseWindow.h"
#include "app/SimulatedTime.h"
#include "app/Snapshot.h"
#include "measure/Response.h"
#include "support/BenchWindow.h"

#include <QEventLoop>
#include <QLabel>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

using testcard::BenchWindow;

// Light grey to white pixels strictly inside a plot's frame: nothing but a
// model's curve (a white line, smoothed at its edges) is drawn there so
// light; the grid is darker grey, and the labels lie outside.
int whiteInsideFrame(const QLabel& plot) {
    const QImage image = plot.pixmap().toImage();
    int count = 0;
    for (int y = 26; y < image.height() - 30; ++y)
        for (int x = 56; x < image.width() - 16; ++x)
            if (const QRgb p = image.pixel(x, y);
                qRed(p) > 170 && qRed(p) == qGreen(p) && qGreen(p) == qBlue(p))
                ++count;
    return count;
}

struct WindowRun {
    std::string fitText, csv, csvWithFit;
    int white[2];
};

WindowRun response(const char* spec, int startHz, int endHz, int points) {
    BenchWindow bench(testcard::circuit(spec));
    TForm1& form = bench.form();
    SimulatedTime time(bench.bench(), form.idleCycle());
    time.start();
    ResponseWindow& window = form.responseWindow();
    QEventLoop loop;
    QObject::connect(&window.run(), &ResponseRun::finished, &loop, &QEventLoop::quit);
    window.startRun(startHz, endHz, points, 0);
    loop.exec();
    time.stop();
    // With ZO_SNAPSHOT_DIR set, a picture of the window is saved there.
    if (const QString directory = qEnvironmentVariable("ZO_SNAPSHOT_DIR"); !directory.isEmpty()) {
        const QString file = directory + "/response-" + QString::number(points) + ".png";
        EXPECT_TRUE(saveWindowImage(window, file).isEmpty());
    }
    return {window.fitLabel->text().toStdString(),
            window.csv(),
            window.csvWithFit(),
            {whiteInsideFrame(*window.impedancePlot), whiteInsideFrame(*window.phasePlot)}};
}

TEST(ResponseFitWindow, ModelUnderThePlotsThroughThePointsAndBeforeTheTable) {
    // R 15 ohm, L 47 mH, C 22 uF: f0 = 156.5 Hz, Q = 3.1.
    const WindowRun fitted = response("R=15,L=47m,C=22u", 60, 400, 13);
    EXPECT_EQ(fitted.fitText.rfind("model R-L-C: R = 15.0", 0), 0u) << fitted.fitText;
    EXPECT_NE(fitted.fitText.find(" mH, C = 22.0"), std::string::npos) << fitted.fitText;
    EXPECT_NE(fitted.fitText.find(" µF, f₀ = 156.5"), std::string::npos) << fitted.fitText;
    // A curve across each plot (400 pixels wide, partly under the points).
    EXPECT_GT(fitted.white[0], 100);
    EXPECT_GT(fitted.white[1], 100);
    // The saved table: the fit's comment lines, then the table as before.
    EXPECT_EQ(fitted.csvWithFit.rfind("# nejistoty bodů: vlastní", 0), 0u);
    EXPECT_NE(fitted.csvWithFit.find("\n# model R-L-C\n# R = 15.0"), std::string::npos)
        << fitted.csvWithFit;
    ASSERT_GT(fitted.csvWithFit.size(), fitted.csv.size());
    EXPECT_EQ(fitted.csvWithFit.substr(fitted.csvWithFit.size() - fitted.csv.size()), fitted.csv);
    EXPECT_EQ(fitted.csvWithFit.find("\n# ", fitted.csvWithFit.size() - fitted.csv.size() - 1),
              std::string::npos);

    // The README's picture: the window's own range, 50 to 500 Hz in 31 points.
    if (!qEnvironmentVariableIsEmpty("ZO_SNAPSHOT_DIR")) response("R=10,L=100m,C=10u", 50, 500, 31);

    // Three points cannot decide: the window says so and draws no model.
    const WindowRun few = response("R=15,L=47m,C=22u", 60, 400, 3);
    EXPECT_EQ(few.fitText, "model: nelze rozhodnout, méně než 4 platné body");
    EXPECT_EQ(few.white[0], 0);
    EXPECT_EQ(few.white[1], 0);
    EXPECT_NE(few.csvWithFit.find("# model: nelze rozhodnout"), std::string::npos);
}

} // namespace
