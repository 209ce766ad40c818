// The program itself on the ALSA backend, with the private PulseAudio
// server behind ALSA's "default".

#include "PulseServer.h"
#include "support/ProgramRun.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

class AlsaProgram : public ::testing::Test {
protected:
    void SetUp() override {
        QString reason;
        ASSERT_TRUE(server_.start(reason))
            << "the private PulseAudio server: " << reason.toStdString();
        environment_ = server_.clientEnvironment();
        environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    PulseServer server_;
    QProcessEnvironment environment_;
};

TEST_F(AlsaProgram, RunsOnTheSoundCardWhenAskedForOrAvailable) {
    for (const char* audio : {"--audio=alsa", "--audio=auto"}) {
        const ProgramRun run = runProgram({audio, "--quit-after=2", "--report"}, environment_);
        ASSERT_EQ(run.status, 0) << audio << ": " << run.err.toStdString();
        const QJsonObject report = QJsonDocument::fromJson(run.out.trimmed()).object();
        EXPECT_EQ(report.value("audio").toString(), "alsa") << audio;
        const QString title = report.value("window").toObject().value("title").toString();
        EXPECT_TRUE(title.contains(QStringLiteral("zvuková karta (alsa)"))) << title.toStdString();
        // alsa-lib and the plugin keep their diagnostics to themselves.
        EXPECT_FALSE(QString::fromUtf8(run.err).contains("ALSA lib")) << run.err.toStdString();
    }
}

TEST_F(AlsaProgram, ListsTheDevicesItCanUse) {
    const ProgramRun run = runProgram({"--list-devices"}, environment_);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(run.out).contains("Sound cards:"));
    // The sound server's PCM sits on no card, records, and goes with the
    // control device of its own name.
    EXPECT_TRUE(QString::fromUtf8(run.out).contains("  default  [no card, records "))
        << run.out.toStdString();
    EXPECT_TRUE(QString::fromUtf8(run.out).contains(" channels, mixer default]"))
        << run.out.toStdString();
    EXPECT_TRUE(QString::fromUtf8(run.out).contains("\"default\" opens now."))
        << run.out.toStdString();
    EXPECT_FALSE(QString::fromUtf8(run.out).contains("speexrate"))
        << "converter plugins are no devices";
}

} // namespace
