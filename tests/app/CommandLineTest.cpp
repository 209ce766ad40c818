// The program's command line: accepted options and the one-line errors.

#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

CommandLine parse(const QStringList& options) {
    return parseCommandLine(QStringList{QStringLiteral("zo7scope")} + options);
}

TEST(CommandLineTest, NoOptionsRunsTheInstrumentAsIs) {
    const CommandLine c = parse({});
    EXPECT_EQ(c.action, CommandLine::Action::run);
    EXPECT_EQ(c.options.audio, "auto");
    EXPECT_TRUE(c.options.circuit.isEmpty());
    EXPECT_FALSE(c.options.quitAfterSeconds.has_value());
    EXPECT_TRUE(c.options.snapshotFile.isEmpty());
    EXPECT_FALSE(c.options.report);
    EXPECT_FALSE(c.options.scale.has_value());
}

TEST(CommandLineTest, EveryOptionIsTakenOver) {
    const CommandLine c = parse({"--audio=bench", "--circuit=R=100", "--quit-after=1.5",
                                 "--snapshot=out/window.PNG", "--report", "--scale=1.5"});
    ASSERT_EQ(c.action, CommandLine::Action::run) << c.text.toStdString();
    EXPECT_EQ(c.options.audio, "bench");
    EXPECT_EQ(c.options.circuit, "R=100");
    ASSERT_TRUE(c.options.quitAfterSeconds.has_value());
    EXPECT_DOUBLE_EQ(*c.options.quitAfterSeconds, 1.5);
    EXPECT_EQ(c.options.snapshotFile, "out/window.PNG");
    EXPECT_TRUE(c.options.report);
    EXPECT_EQ(c.options.scale, 1.5);
}

TEST(CommandLineTest, ValuesMayFollowAsSeparateArguments) {
    const CommandLine c =
        parse({"--audio", "alsa", "--device", "plughw:CARD=Device,DEV=0", "--quit-after", "0"});
    ASSERT_EQ(c.action, CommandLine::Action::run);
    EXPECT_EQ(c.options.audio, "alsa");
    EXPECT_EQ(c.options.device, "plughw:CARD=Device,DEV=0");
    EXPECT_DOUBLE_EQ(*c.options.quitAfterSeconds, 0.0);
}

TEST(CommandLineTest, CalibrationAndTheBenchAsAnotherCard) {
    const struct {
        QStringList options;
        CommandLineOptions::Calibration calibration;
        double voltage, current, output;
    } cases[] = {
        {{}, CommandLineOptions::Calibration::none, 1, 1, 1},
        {{"--calibration"}, CommandLineOptions::Calibration::show, 1, 1, 1},
        {{"--calibration=reset"}, CommandLineOptions::Calibration::reset, 1, 1, 1},
        {{"--bench-sensitivity=0.8:1.25", "--bench-output", "0.9"},
         CommandLineOptions::Calibration::none,
         0.8,
         1.25,
         0.9},
        {{"--bench-sensitivity=10:0.1", "--calibration"},
         CommandLineOptions::Calibration::show,
         10,
         0.1,
         1},
    };
    for (const auto& c : cases) {
        const CommandLine line = parse(c.options);
        ASSERT_EQ(line.action, CommandLine::Action::run) << line.text.toStdString();
        EXPECT_EQ(line.options.calibration, c.calibration) << c.options.join(' ').toStdString();
        EXPECT_EQ(line.options.benchVoltageSensitivity, c.voltage);
        EXPECT_EQ(line.options.benchCurrentSensitivity, c.current);
        EXPECT_EQ(line.options.benchOutputSensitivity, c.output);
    }
}

TEST(CommandLineTest, HelpAndVersion) {
    const CommandLine help = parse({"--help"});
    EXPECT_EQ(help.action, CommandLine::Action::help);
    EXPECT_TRUE(help.text.startsWith(QLatin1String("Usage: zo7scope [options]\n")))
        << help.text.toStdString();
    for (const char* option : {"--audio", "--device", "--list-devices", "--circuit", "--quit-after",
                               "--snapshot", "--report"})
        EXPECT_TRUE(help.text.contains(QLatin1String(option))) << option;
    const CommandLine version = parse({"--version"});
    EXPECT_EQ(version.action, CommandLine::Action::version);
    EXPECT_EQ(version.text, QStringLiteral("zo7scope ") + QStringLiteral(ZO7SCOPE_VERSION));
    EXPECT_EQ(parse({"--audio=bench", "--list-devices"}).action, CommandLine::Action::listDevices);
}

struct BadCase {
    const char* name;
    QStringList options;
    const char* mentioned; // the error line names the culprit
};

// Shown by its name in test listings.
void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class BadCommandLineTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadCommandLineTest, OneClearLine) {
    const CommandLine c = parse(GetParam().options);
    EXPECT_EQ(c.action, CommandLine::Action::error);
    EXPECT_TRUE(c.text.startsWith("zo7scope: ")) << c.text.toStdString();
    EXPECT_FALSE(c.text.contains(QLatin1Char('\n'))) << c.text.toStdString();
    EXPECT_TRUE(c.text.contains(QLatin1String(GetParam().mentioned))) << c.text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadCommandLineTest,
    ::testing::Values(BadCase{"UnknownAudio", {"--audio=oss"}, "oss"},
                      BadCase{"EmptyAudio", {"--audio="}, "--audio"},
                      BadCase{"AudioWithoutValue", {"--audio"}, "audio"},
                      BadCase{"UnknownOption", {"--bogus"}, "bogus"},
                      BadCase{"UnknownShortOption", {"-x"}, "x"},
                      BadCase{"StrayArgument", {"window.png"}, "window.png"},
                      BadCase{"QuitAfterText", {"--quit-after=soon"}, "soon"},
                      BadCase{"QuitAfterNegative", {"--quit-after=-1"}, "-1"},
                      BadCase{"QuitAfterNaN", {"--quit-after=nan"}, "nan"},
                      BadCase{"QuitAfterInfinity", {"--quit-after=inf"}, "inf"},
                      BadCase{"SnapshotNotPng", {"--snapshot=window.jpg"}, "window.jpg"},
                      BadCase{"SnapshotWithoutName", {"--snapshot=.png"}, ".png"},
                      BadCase{"EmptyCircuit", {"--circuit="}, "--circuit"},
                      BadCase{"AudioTwice", {"--audio=bench", "--audio=alsa"}, "--audio"},
                      BadCase{"ReportWithValue", {"--report=yes"}, "report"},
                      BadCase{"BlankDevice", {"--device= "}, "--device"},
                      BadCase{"DeviceTwice", {"--device=hw:0", "--device=hw:1"}, "--device"},
                      BadCase{"ScaleBelowOne", {"--scale=0.5"}, "0.5"},
                      BadCase{"ScaleAboveThree", {"--scale=4"}, "'4'"},
                      BadCase{"ScalePercent", {"--scale=150%"}, "150%"},
                      BadCase{"ScaleTwice", {"--scale=1", "--scale=2"}, "--scale"},
                      BadCase{"SensitivityOfOneChannel", {"--bench-sensitivity=0.8"}, "'0.8'"},
                      BadCase{"SensitivityZero", {"--bench-sensitivity=0:1"}, "'0:1'"},
                      BadCase{"SensitivityText", {"--bench-sensitivity=a:b"}, "'a:b'"},
                      BadCase{"SensitivityNaN", {"--bench-sensitivity=nan:1"}, "nan:1"},
                      BadCase{"OutputTooLarge", {"--bench-output=11"}, "'11'"},
                      BadCase{"OutputNegative", {"--bench-output=-0.9"}, "-0.9"},
                      BadCase{"CalibrationOther", {"--calibration=show"}, "'show'"}),
    [](const auto& info) { return std::string(info.param.name); });

struct DisplayCase {
    const char* name;
    const char* platform;
    const char* display;
    const char* wayland;
    bool reachable;
};

// Shown by its name in test listings.
void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << c.name;
}

class DisplayTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayTest, SaysHowToRunHeadlessWhenNoDisplayCanBeReached) {
    const DisplayCase c = GetParam();
    const QString message =
        missingDisplayMessage(QString::fromLatin1(c.platform), QString::fromLatin1(c.display),
                              QString::fromLatin1(c.wayland));
    EXPECT_EQ(message.isEmpty(), c.reachable);
    if (!c.reachable) {
        EXPECT_TRUE(message.contains("QT_QPA_PLATFORM=offscreen"));
        EXPECT_TRUE(message.contains("--quit-after"));
        EXPECT_TRUE(message.contains("--snapshot"));
        EXPECT_FALSE(message.contains(QLatin1Char('\n')));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Platforms, DisplayTest,
    ::testing::Values(DisplayCase{"NoDisplayAtAll", "", "", "", false},
                      DisplayCase{"X11", "", ":0", "", true},
                      DisplayCase{"Wayland", "", "", "wayland-0", true},
                      DisplayCase{"XcbWithoutX11", "xcb", "", "wayland-0", false},
                      DisplayCase{"XcbOnX11", "xcb", ":1", "", true},
                      DisplayCase{"WaylandWithoutWayland", "wayland", ":0", "", false},
                      DisplayCase{"WaylandOnWayland", "wayland", "", "wayland-0", true},
                      DisplayCase{"Offscreen", "offscreen", "", "", true},
                      DisplayCase{"Minimal", "minimal", "", "", true},
                      DisplayCase{"VncWithOptions", "vnc:size=800x600", "", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
