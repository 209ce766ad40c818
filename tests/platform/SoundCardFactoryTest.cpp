// Choosing the backend from the command line, and the desktop mixer launcher.
#include "platform/SoundCardFactory.h"

#include "platform/MixerLauncher.h"
#include "platform/alsa/AlsaSoundCard.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace {

using namespace platform;

TEST(AudioChoice, ParsesTheThreeNames) {
    EXPECT_EQ(parseAudioChoice("auto"), AudioChoice::automatic);
    EXPECT_EQ(parseAudioChoice("alsa"), AudioChoice::alsa);
    EXPECT_EQ(parseAudioChoice("bench"), AudioChoice::bench);
    for (const char* bad : {"", "Auto", "bench ", "oss", "pulse"})
        EXPECT_FALSE(parseAudioChoice(bad)) << bad;
}

TEST(AudioChoice, AutoRunsAlsaOnlyWhenItIsUsable) {
    struct Case {
        AudioChoice asked;
        bool usable;
        AudioChoice runs;
    };
    const Case cases[] = {
        {AudioChoice::automatic, true, AudioChoice::alsa},
        {AudioChoice::automatic, false, AudioChoice::bench},
        {AudioChoice::alsa, false, AudioChoice::alsa}, // asked for: opens fail with their texts
        {AudioChoice::bench, true, AudioChoice::bench},
    };
    for (const auto& c : cases) {
        int probes = 0;
        const auto runs = resolveAudioChoice(c.asked, [&] {
            ++probes;
            return c.usable;
        });
        EXPECT_EQ(runs, c.runs) << static_cast<int>(c.asked) << " " << c.usable;
        EXPECT_EQ(probes, c.asked == AudioChoice::automatic ? 1 : 0);
    }
}

struct FactoryCase {
    const char* name;
    const char* audio;
    const char* circuit;
    const char* device;
    const char* runs; // the card's name, or empty for an error
    const char* says; // in the error line
    const char* mixer = "";
};

// Shown by its name in test listings.
void PrintTo(const FactoryCase& c, std::ostream* os) {
    *os << c.name;
}

class SoundCardFactory : public ::testing::TestWithParam<FactoryCase> {};

TEST_P(SoundCardFactory, BuildsTheChosenCardOrSaysWhy) {
    const auto c = GetParam();
    auto setup =
        createSoundCard(std::string_view(c.audio), std::string_view(c.circuit),
                        std::string_view(c.device), BenchTime::realTime, {},
                        std::string_view(c.mixer));
    const bool ok = *c.runs != '\0';
    EXPECT_EQ(soundCardOptionError(c.audio, c.circuit, c.device, c.mixer).empty(), ok);
    if (!ok) {
        EXPECT_FALSE(setup.card);
        EXPECT_NE(setup.error.find(c.says), std::string::npos) << setup.error;
        EXPECT_EQ(setup.error, soundCardOptionError(c.audio, c.circuit, c.device, c.mixer));
        return;
    }
    ASSERT_TRUE(setup.card) << setup.error;
    EXPECT_TRUE(setup.error.empty());
    EXPECT_EQ(setup.card->name(), c.runs);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SoundCardFactory,
    ::testing::Values(FactoryCase{"Bench", "bench", "", "", "bench", ""},
                      FactoryCase{"BenchWithCircuit", "bench", "R=22,L=1m", "", "bench", ""},
                      // ALSA as asked for, whether or not a device opens now
                      FactoryCase{"Alsa", "alsa", "R=47", "", "alsa", ""},
                      FactoryCase{"AlsaWithDevice", "alsa", "", "hw:7", "alsa", ""},
                      FactoryCase{"BadCircuit", "bench", "R=10,Q=1", "", "", "--circuit"},
                      FactoryCase{"BadCircuitForAlsa", "alsa", "L=1m", "", "", "resistor"},
                      FactoryCase{"DeviceOnTheBench", "bench", "", "hw:1", "", "--device=hw:1"},
                      FactoryCase{"MixerOnTheBench", "bench", "", "", "", "--mixer=hw:2", "hw:2"},
                      // A named device is what the user means, even when it does not open.
                      FactoryCase{"AutoWithAbsentDevice", "auto", "", "hw:7", "alsa", ""},
                      FactoryCase{"UnknownBackend", "oss", "", "", "", "--audio=oss"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MixerLauncher, PicksTheFirstAvailableCommand) {
    const std::vector<LaunchCommand> commands = {
        {"mixer-a", {}, {}},
        {"term", {"-e", "console-mixer"}, {"console-mixer"}},
        {"mixer-b", {"--tab"}, {}},
    };
    struct Case {
        std::set<std::string> installed;
        const char* expected; // empty: none
    };
    const Case cases[] = {
        {{"mixer-a", "term", "console-mixer", "mixer-b"}, "mixer-a"},
        {{"term", "console-mixer", "mixer-b"}, "term"},
        {{"term", "mixer-b"}, "mixer-b"}, // a terminal without the console mixer is no use
        {{"console-mixer"}, ""},
        {{}, ""},
    };
    for (const auto& c : cases) {
        const auto chosen = chooseMixerApplication(
            commands, [&](const std::string& p) { return c.installed.count(p) > 0; });
        if (*c.expected == '\0') {
            EXPECT_FALSE(chosen);
            continue;
        }
        ASSERT_TRUE(chosen);
        EXPECT_EQ(chosen->program, c.expected);
    }
}

TEST(MixerLauncher, AlsaShowsTheMixerItSetsUp) {
    struct Case {
        const char* mixer;
        bool server;
        std::set<std::string> installed;
        std::vector<std::string> command; // program and arguments; empty: none
    };
    const Case cases[] = {
        // A card's mixer: alsamixer on that card, even where pavucontrol is
        // installed (it shows the sound server, not the card).
        {"hw:1",
         false,
         {"pavucontrol", "xterm", "alsamixer"},
         {"xterm", "-e", "alsamixer", "-D", "hw:1"}},
        {"hw:1",
         false,
         {"gnome-terminal", "alsamixer"},
         {"gnome-terminal", "--", "alsamixer", "-D", "hw:1"}},
        {"hw:1", false, {"pavucontrol"}, {}},
        {"hw:1", false, {"xterm"}, {}},
        // A sound server's: pavucontrol, else alsamixer on the server's mixer.
        {"pulse", true, {"pavucontrol", "xterm", "alsamixer"}, {"pavucontrol"}},
        {"pulse", true, {"xterm", "alsamixer"}, {"xterm", "-e", "alsamixer", "-D", "pulse"}},
    };
    for (const auto& c : cases) {
        const auto list = alsa::mixerApplications(c.mixer, c.server);
        const auto chosen = chooseMixerApplication(
            list, [&](const std::string& p) { return c.installed.count(p) > 0; });
        std::vector<std::string> command;
        if (chosen) {
            command.push_back(chosen->program);
            command.insert(command.end(), chosen->arguments.begin(), chosen->arguments.end());
        }
        EXPECT_EQ(command, c.command);
    }
}

TEST(MixerLauncher, TheDesktopListRunsAlsamixerOnlyInsideATerminal) {
    const auto& list = mixerApplications();
    ASSERT_FALSE(list.empty());
    std::set<std::string> programs;
    for (const auto& command : list) {
        EXPECT_TRUE(programs.insert(command.program).second) << command.program;
        EXPECT_EQ(command.program.find(' '), std::string::npos) << "no shell command lines";
        const bool runsAlsamixer = std::find(command.arguments.begin(), command.arguments.end(),
                                             "alsamixer") != command.arguments.end();
        if (runsAlsamixer) {
            EXPECT_EQ(command.needs, std::vector<std::string>{"alsamixer"}) << command.program;
        }
    }
    EXPECT_EQ(list.front().program, "pavucontrol");
}

} // namespace
