// The program as a user starts it: command line, report, snapshot, bad
// input, and a machine without a display. Each test runs the built program.

#include "platform/SoundCardFactory.h"
#include "support/ProgramRun.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QProcessEnvironment headless() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

QJsonObject byName(const QJsonArray& entries, const QString& name) {
    for (const QJsonValue& entry : entries)
        if (entry.toObject().value(QLatin1String("name")).toString() == name)
            return entry.toObject();
    return {};
}

TEST(ProgramTest, TheReportDescribesTheWindowAfterStartUp) {
    const ProgramRun run =
        runProgram({"--audio=bench", "--quit-after=0.5", "--report"}, headless());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(run.out.trimmed(), &parseError);
    ASSERT_EQ(parseError.error, QJsonParseError::NoError) << run.out.toStdString();
    const QJsonObject report = document.object();

    const QJsonObject window = report.value(QLatin1String("window")).toObject();
    EXPECT_EQ(window.value(QLatin1String("clientWidth")).toInt(), 794);
    EXPECT_EQ(window.value(QLatin1String("clientHeight")).toInt(), 526);
    EXPECT_TRUE(window.value(QLatin1String("title")).toString().contains(QLatin1String("bench")));

    const QJsonArray controls = report.value(QLatin1String("controls")).toArray();
    for (const char* name :
         {"Panel13",      "ComboBox7",    "Edit13",       "Edit6",    "ScrollBar4", "ScrollBar5",
          "Edit14",       "Edit3",        "ComboBox8",    "Panel410", "Panel215",   "Panel110",
          "Edit106",      "Edit110",      "Panel2",       "Panel14",  "Panel10",    "Button2",
          "Edit18",       "Edit19",       "Edit2",        "Edit5",    "ComboBox4",  "Panel15",
          "RadioButton3", "RadioButton4", "RadioButton5", "Button3",  "Edit4",      "ComboBox9",
          "Edit12",       "Edit1",        "ComboBox10",   "Edit8",    "ComboBox1"}) {
        SCOPED_TRACE(name);
        const QJsonObject control = byName(controls, QLatin1String(name));
        ASSERT_FALSE(control.isEmpty());
        for (const char* key :
             {"class", "x", "y", "w", "h", "text", "items", "hint", "visible", "enabled"})
            EXPECT_TRUE(control.contains(QLatin1String(key))) << key;
    }
    const QJsonObject button2 = byName(controls, QStringLiteral("Button2"));
    EXPECT_EQ(button2.value(QLatin1String("text")).toString(), "optimum");
    EXPECT_EQ(
        QRect(button2.value(QLatin1String("x")).toInt(), button2.value(QLatin1String("y")).toInt(),
              button2.value(QLatin1String("w")).toInt(), button2.value(QLatin1String("h")).toInt()),
        QRect(746, 2, 45, 18));
    EXPECT_EQ(byName(controls, QStringLiteral("Edit14")).value(QLatin1String("text")).toString(),
              " 100");
    EXPECT_EQ(byName(controls, QStringLiteral("Edit13")).value(QLatin1String("text")).toString(),
              "101");
    // The frequency slider's reaction ran inside start-up: its unit reads Hz.
    EXPECT_EQ(byName(controls, QStringLiteral("Edit3")).value(QLatin1String("text")).toString(),
              " Hz");
    EXPECT_FALSE(
        byName(controls, QStringLiteral("Panel14")).value(QLatin1String("visible")).toBool());

    const QJsonArray menu = report.value(QLatin1String("menu")).toArray();
    EXPECT_EQ(byName(menu, QStringLiteral("mix1")).value(QLatin1String("caption")).toString(),
              "mix. pult ");
    EXPECT_EQ(byName(menu, QStringLiteral("asovosa1")).value(QLatin1String("caption")).toString(),
              QString::fromUtf8("časová &osa"));

    const QJsonObject state = report.value(QLatin1String("state")).toObject();
    EXPECT_EQ(state.value(QLatin1String("generator1Amplitude")).toInt(), 3000);
    EXPECT_EQ(state.value(QLatin1String("generator1Frequency")).toInt(), 100);
    EXPECT_EQ(state.value(QLatin1String("gridBrightness")).toInt(), 75);
    EXPECT_DOUBLE_EQ(state.value(QLatin1String("currentReadoutFactor")).toDouble(), 0.03);
    EXPECT_DOUBLE_EQ(state.value(QLatin1String("currentTraceFactor")).toDouble(), 0.042);
    EXPECT_DOUBLE_EQ(state.value(QLatin1String("voltageTraceFactor")).toDouble(), 0.0494);
    EXPECT_DOUBLE_EQ(state.value(QLatin1String("voltageReadoutFactor")).toDouble(), 0.0357);
}

// The number of a readout in its small unit: " 101mV" -> 101, "1.50V" -> 1500.
double reading(const QString& shown) {
    QString text = shown.trimmed();
    const bool big = !text.contains(QLatin1Char('m'));
    text.remove(QRegularExpression(QStringLiteral("[^0-9.]")));
    return text.toDouble() * (big ? 1000 : 1);
}

TEST(ProgramTest, RecordedBlocksReachTheReadouts) {
    // A 10 ohm resistor at the start-up generator: 3000 / 32.767 x 1.1 mV.
    const ProgramRun run =
        runProgram({"--audio=bench", "--circuit=R=10", "--quit-after=1.5", "--report"}, headless());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.out.trimmed()).object();
    const QJsonObject state = report.value(QLatin1String("state")).toObject();
    // A recorded block of 8000 frames has replaced the start-up count.
    EXPECT_EQ(state.value(QLatin1String("sampleCount")).toInt(), 16000);
    const QJsonArray controls = report.value(QLatin1String("controls")).toArray();
    const QString voltage =
        byName(controls, QStringLiteral("Edit1")).value(QLatin1String("text")).toString();
    const QString current =
        byName(controls, QStringLiteral("Edit4")).value(QLatin1String("text")).toString();
    const double U = 3000 / 32.767 * 1.1;
    EXPECT_NEAR(reading(voltage), U, 0.02 * U) << voltage.toStdString();
    EXPECT_NEAR(reading(current), U / 10, 0.02 * U / 10) << current.toStdString();
}

TEST(ProgramTest, TheSnapshotShowsTheWholeWindow) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString file = directory.filePath(QStringLiteral("window.png"));
    const ProgramRun run =
        runProgram({"--audio=bench", "--quit-after=0.3", "--snapshot=" + file}, headless());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage image(file);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 794);
    ASSERT_GT(image.height(), 526); // the menu bar above the client area
    const int top = image.height() - 526;
    // Black screen in the middle, the red frame of "optimum" at the top right.
    EXPECT_EQ(image.pixelColor(400, top + 250), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(745, top + 10), QColor(Qt::red));
}

struct BadLine {
    const char* label;
    QStringList arguments;
};

// Shown by its name in test listings.
void PrintTo(const BadLine& c, std::ostream* os) {
    *os << c.label;
}

class BadCommandLineTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadCommandLineTest, OneClearLineAndStatusTwo) {
    const ProgramRun run = runProgram(GetParam().arguments, headless());
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.isEmpty());
    const QStringList lines = ownLines(run.err);
    ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
    EXPECT_FALSE(lines[0].trimmed().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadCommandLineTest,
    ::testing::Values(
        BadLine{"UnknownOption", {"--bogus"}}, BadLine{"UnknownAudio", {"--audio=oss"}},
        BadLine{"NegativeResistor", {"--circuit=R=-5"}}, BadLine{"UnknownPart", {"--circuit=X=1"}},
        BadLine{"BadSuffix", {"--circuit=R=10q"}}, BadLine{"QuitAfterText", {"--quit-after=soon"}},
        BadLine{"QuitAfterNegative", {"--quit-after=-1"}},
        BadLine{"SnapshotNotPng", {"--snapshot=window.txt"}},
        // A quoted value stays on its line.
        BadLine{"NewlineInTheAudioChoice", {"--audio=ben\nch"}},
        BadLine{"NewlineInTheCircuit", {"--audio=bench", "--circuit=R=10\nC=1u"}},
        BadLine{"VeryLongNonAsciiCircuit",
                {"--audio=bench", "--circuit=R=" + QString(20000, QChar(0x010D))}},
        // Longer than the close timer holds (about 24.8 days).
        BadLine{"QuitAfterAMonth", {"--audio=bench", "--quit-after=2592000"}},
        // The circuit analysis's options.
        BadLine{"ResponseNotThreeNumbers", {"--audio=bench", "--response=50:500"}},
        BadLine{"ResponseBelowTheGenerator", {"--audio=bench", "--response=5:500:31"}},
        BadLine{"ResponseOutWithoutResponse", {"--audio=bench", "--response-out=r.csv"}},
        BadLine{"ResponseOutUnwritable",
                {"--audio=bench", "--response=50:500:3", "--response-out=/nonexistent/r.csv"}},
        BadLine{"LogUnwritable", {"--audio=bench", "--log=/nonexistent/log.csv"}}),
    [](const auto& info) { return std::string(info.param.label); });

// Without --audio the program takes the sound card when there is one, else
// the bench; the title says which.
TEST(ProgramTest, WithoutOptionsTheTitleNamesWhatRuns) {
    const ProgramRun run = runProgram({"--quit-after=0.3", "--report"}, headless());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.out.trimmed()).object();
    const QString audio = report.value(QLatin1String("audio")).toString();
    const QString title =
        report.value(QLatin1String("window")).toObject().value(QLatin1String("title")).toString();
    const bool card = platform::alsaUsable({});
    EXPECT_EQ(audio, card ? "alsa" : "bench");
    EXPECT_TRUE(title.endsWith(card ? QStringLiteral("zvuková karta (alsa)")
                                    : QStringLiteral("simulované pracoviště (bench)")))
        << title.toStdString();
}

// Where start-up shows a message box (here: ALSA with no sound card and no
// sound server, so no mixer), --quit-after still ends the program in time.
TEST(ProgramTest, QuitAfterClosesAStartUpMessageBoxToo) {
    QProcessEnvironment environment = headless();
    environment.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent/native"));
    const ProgramRun run =
        runProgram({"--audio=alsa", "--device=default", "--quit-after=1", "--report"}, environment);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.out.trimmed()).object();
    EXPECT_EQ(report.value(QLatin1String("audio")).toString(), "alsa");
}

TEST(ProgramTest, HelpAndVersionEndAtOnce) {
    const ProgramRun help = runProgram({"--help"}, headless());
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--audio"));
    EXPECT_TRUE(help.out.contains("--snapshot"));
    const ProgramRun version = runProgram({"--version"}, headless());
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("zo7scope"));
}

TEST(ProgramTest, WithoutADisplayItSaysHowToRunHeadless) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QLatin1String(name));
    const ProgramRun run = runProgram({}, environment);
    EXPECT_NE(run.status, 0);
    const QStringList lines = ownLines(run.err);
    ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(lines[0].contains(QLatin1String("QT_QPA_PLATFORM=offscreen")));
}

} // namespace
