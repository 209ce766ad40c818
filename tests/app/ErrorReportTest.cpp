// The text of the error box.

#include "app/ErrorReport.h"
#include "app/Exception.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

struct TextCase {
    const char* message;
    const char* shown;
};

class ErrorBoxTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ErrorBoxTextTest, AddsAFinalFullStopWhenMissing) {
    EXPECT_EQ(app::errorBoxText(QString::fromUtf8(GetParam().message)),
              QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ErrorBoxTextTest,
    ::testing::Values(TextCase{"No mixer device present in this system.",
                               "No mixer device present in this system."},
                      TextCase{"Function mixerOpen failed", "Function mixerOpen failed."},
                      TextCase{"'12a' is not a valid integer value",
                               "'12a' is not a valid integer value."},
                      TextCase{"Chyba převodu", "Chyba převodu."}, TextCase{"", "."},
                      TextCase{"ends with blank ", "ends with blank ."}));

TEST(ErrorReportTest, ReportsGoToTheInstalledBoxWithTheApplicationTitle) {
    std::vector<std::pair<QString, QString>> shown;
    const app::ErrorBox previous =
        app::setErrorBox([&](const QString& caption, const QString& text) {
            shown.emplace_back(caption, text);
        });
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

} // namespace
