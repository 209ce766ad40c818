// The calibration kept per card in the settings file: read back for its own
// card only, and a hand-edited file with anything but three factors from 0.2
// to 5 ignored with one reason, and never overwritten when it cannot be read.

#include "app/CalibrationStore.h"

#include "support/SettingsHome.h"

#include <QFileInfo>

namespace {

const QString bench = QStringLiteral("bench");

TEST_F(SettingsHome, EachCardKeepsItsOwnFactorsWithTheDate) {
    EXPECT_FALSE(savedCalibration(bench).found);
    EXPECT_TRUE(savedCalibration(bench).problem.isEmpty()) << "no file is no problem";
    const QString other = QStringLiteral("alsa card PCH (HDA Intel PCH)");
    ASSERT_EQ(saveCalibration(bench, {1.25, 0.8, 1.0 / 0.9}, QDate(2026, 3, 9)), QString());
    ASSERT_EQ(saveCalibration(other, {0.5, 2, 1}, QDate(2026, 4, 1)), QString());

    const SavedCalibration first = savedCalibration(bench);
    EXPECT_TRUE(first.found);
    // Every bit of the factor survives the file.
    EXPECT_EQ(first.factors, (measure::CalibrationFactors{1.25, 0.8, 1.0 / 0.9}));
    EXPECT_EQ(first.date, QDate(2026, 3, 9));
    EXPECT_EQ(savedCalibration(other).factors, (measure::CalibrationFactors{0.5, 2, 1}));
    EXPECT_FALSE(savedCalibration(QStringLiteral("bench 0.8:1.25 output 0.9")).found);

    // Back to 1 removes the card's entry, and only its.
    ASSERT_EQ(saveCalibration(bench, {}, QDate(2026, 5, 1)), QString());
    EXPECT_FALSE(savedCalibration(bench).found);
    EXPECT_FALSE(read().contains("bench")) << read().toStdString();
    EXPECT_TRUE(savedCalibration(other).found);
}

TEST_F(SettingsHome, AHandEditedEntryThatIsNoFactorIsIgnored) {
    const struct {
        const char* name;
        const char* entry;
    } cases[] = {
        {"text", "voltage=abc\ncurrent=1\noutput=1\n"},
        {"negative", "voltage=-1.2\ncurrent=1\noutput=1\n"},
        {"zero", "voltage=1\ncurrent=0\noutput=1\n"},
        {"1e308", "voltage=1\ncurrent=1\noutput=1e308\n"},
        {"NaN", "voltage=nan\ncurrent=1\noutput=1\n"},
        {"beyond 5", "voltage=5.5\ncurrent=1\noutput=1\n"},
        {"missing key", "voltage=1.2\ncurrent=1\n"},
        {"empty", "voltage=\ncurrent=1\noutput=1\n"},
    };
    for (const auto& c : cases) {
        QByteArray text("[window]\nscale=2\n\n[calibration]\nbench\\card=bench\n");
        for (const QByteArray& line : QByteArray(c.entry).split('\n'))
            if (!line.isEmpty()) text += "bench\\" + line + "\n";
        write(text);
        const SavedCalibration saved = savedCalibration(bench);
        EXPECT_FALSE(saved.found) << c.name;
        EXPECT_EQ(saved.factors, measure::CalibrationFactors{}) << c.name;
        EXPECT_TRUE(saved.problem.contains(file()) && saved.problem.contains(bench))
            << c.name << ": " << saved.problem.toStdString();
        EXPECT_FALSE(saved.problem.contains('\n')) << c.name;
        EXPECT_EQ(read(), text) << c.name << ": reading never writes";
    }
}

TEST_F(SettingsHome, AFileThatCannotBeReadIsNeverOverwritten) {
    // A binary blob, and a file the settings cannot parse.
    const QByteArray blobs[] = {QByteArray("\x00\xff\x13[calibration\x00\x01\\\x80", 12),
                                QByteArray("[calibration\nbench\\voltage=2\n")};
    for (const QByteArray& blob : blobs) {
        write(blob);
        const SavedCalibration saved = savedCalibration(bench);
        EXPECT_EQ(saved.factors, measure::CalibrationFactors{});
        const QString refusal = saveCalibration(bench, {1.25, 0.8, 0.9}, QDate(2026, 3, 9));
        if (!saved.problem.isEmpty()) {
            EXPECT_FALSE(refusal.isEmpty());
            EXPECT_EQ(read(), blob) << "an unreadable file stays as it was";
        }
        // Whatever the file holds, nothing in it becomes a factor by chance.
        EXPECT_FALSE(saved.found);
    }
}

} // namespace
