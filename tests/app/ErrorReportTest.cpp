// The text of the error box.

#include "app/ErrorReport.h"

#include "app/Form1.h"
#include "core/Exception.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct TextCase {
    const char* name;
    const char* message;
    const char* shown;
};

// Shown by its name in test listings.
void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class ErrorBoxTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ErrorBoxTextTest, AddsAFinalFullStopWhenMissing) {
    EXPECT_EQ(app::errorBoxText(QString::fromUtf8(GetParam().message)),
              QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ErrorBoxTextTest,
    ::testing::Values(TextCase{"FullStopKept", "No mixer device present in this system.",
                               "No mixer device present in this system."},
                      TextCase{"FullStopAdded", "Function mixerOpen failed",
                               "Function mixerOpen failed."},
                      TextCase{"ConversionError", "'12a' is not a valid integer value",
                               "'12a' is not a valid integer value."},
                      TextCase{"Czech", "Chyba převodu", "Chyba převodu."},
                      TextCase{"Empty", "", "."},
                      TextCase{"EndsWithBlank", "ends with blank ", "ends with blank ."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ErrorReportTest, ReportsGoToTheInstalledBoxWithTheApplicationTitle) {
    std::vector<std::pair<QString, QString>> shown;
    const app::ErrorBox previous = app::setErrorBox(
        [&](const QString& caption, const QString& text) { shown.emplace_back(caption, text); });
    const int before = app::errorReportCount();

    app::reportException(EConvertError("'x' is not a valid integer value"));
    app::reportUnknownException();

    app::setErrorBox(previous);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].first, "zo7scope");
    EXPECT_EQ(shown[0].second, "'x' is not a valid integer value.");
    EXPECT_EQ(shown[1].first, "zo7scope");
    EXPECT_FALSE(shown[1].second.isEmpty());
    EXPECT_EQ(app::errorReportCount(), before + 2);
}

TEST(ErrorReportTest, AFailedBufferHandlerIsReportedAndCountsAsDeclined) {
    std::vector<QString> shown;
    const app::ErrorBox previous =
        app::setErrorBox([&](const QString&, const QString& text) { shown.push_back(text); });
    EXPECT_TRUE(app::reportExceptions([] { return true; }));
    EXPECT_FALSE(app::reportExceptions([]() -> bool { throw Exception("device lost"); }));
    EXPECT_FALSE(app::reportExceptions([]() -> bool { throw 42; }));
    app::setErrorBox(previous);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "device lost.");
}

// An exception that leaves a click handler, a timer tick or an idle pass is
// shown in the box, and the event loop carries on with the next event.
TEST(ErrorReportTest, AnExceptionLeavingAHandlerIsShownAndTheLoopGoesOn) {
    std::vector<QString> shown;
    const app::ErrorBox previous =
        app::setErrorBox([&](const QString&, const QString& text) { shown.push_back(text); });
    auto form = std::make_unique<TForm1>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

    // Handlers are connected the way the window connects its own.
    QObject::connect(form->Button3, &QPushButton::clicked, form.get(), app::guarded([] {
                         throw EConvertError("'abc' is not a valid integer value");
                     }));
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    // What slips past a handler is caught by the application object.
    QTimer::singleShot(0, form.get(), [] { throw Exception("Function mixerOpen failed"); });
    QTest::qWait(20);

    // The idle cycle still runs, and a second click is reported again.
    const auto passes = form->idlePassCount();
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_GT(form->idlePassCount(), passes);

    app::setErrorBox(previous);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], "'abc' is not a valid integer value.");
    EXPECT_EQ(shown[1], "Function mixerOpen failed.");
    EXPECT_EQ(shown[2], "'abc' is not a valid integer value.");
}

} // namespace
