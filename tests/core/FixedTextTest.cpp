// Fixed-point number texts: rounding, widths, and the decimal point whatever
// the desktop's language.

#include "core/FixedText.h"

#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

// Makes the Czech locale current for numbers, building it first where the
// system has not: the desktop language of a school in Czechia writes a
// decimal comma.
bool czechNumbers(QTemporaryDir& directory) {
    if (std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8")) return true;
    const std::string path = directory.path().toStdString();
    const std::string command =
        "localedef -i cs_CZ -f UTF-8 '" + path + "/cs_CZ.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    setenv("LOCPATH", path.c_str(), 1);
    return std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8") != nullptr;
}

TEST(FixedText, RoundingAndWidths) {
    EXPECT_EQ(fixedText(2.5, 0, 0), "2"); // a tie goes to the even digit
    EXPECT_EQ(fixedText(0.125, 0, 2), "0.12");
    EXPECT_EQ(fixedText(-0.04, 0, 1), "0.0"); // no minus on a zero
    EXPECT_EQ(fixedText(5, 3, 0), "  5");
    EXPECT_EQ(fixedText(1234.5, 3, 1), "1234.5");
}

TEST(FixedText, DecimalPointUnderALanguageThatWritesAComma) {
    QTemporaryDir directory;
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_TRUE(czechNumbers(directory)) << "the Czech locale cannot be made here";
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 0.5);
    EXPECT_STREQ(printed, "0,5");           // the C library now writes a comma ...
    EXPECT_EQ(fixedText(0.5, 0, 1), "0.5"); // ... the instrument does not
    std::setlocale(LC_NUMERIC, saved.c_str());
    unsetenv("LOCPATH");
}

} // namespace
