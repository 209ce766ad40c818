// Choosing the backend from the command line, and the desktop mixer launcher.
#include "platform/SoundCardFactory.h"

#include "platform/MixerLauncher.h"

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

struct FactoryCase {
    const char* audio;
    const char* circuit;
    bool ok;
    const char* says; // in the error line, or in the notice (empty: no notice)
};

class SoundCardFactory : public ::testing::TestWithParam<FactoryCase> {};

TEST_P(SoundCardFactory, BuildsTheBenchOrSaysWhy) {
    const auto c = GetParam();
    auto setup = createSoundCard(std::string_view(c.audio), std::string_view(c.circuit));
    EXPECT_EQ(soundCardOptionError(c.audio, c.circuit).empty(), c.ok);
    if (!c.ok) {
        EXPECT_FALSE(setup.card);
        EXPECT_NE(setup.error.find(c.says), std::string::npos) << setup.error;
        EXPECT_EQ(setup.error, soundCardOptionError(c.audio, c.circuit));
        return;
    }
    ASSERT_TRUE(setup.card);
    EXPECT_TRUE(setup.error.empty());
    EXPECT_EQ(setup.card->name(), "bench");
    if (*c.says == '\0') {
        EXPECT_TRUE(setup.notices.empty());
    } else {
        ASSERT_EQ(setup.notices.size(), 1u);
        EXPECT_NE(setup.notices[0].find(c.says), std::string::npos) << setup.notices[0];
        EXPECT_NE(setup.notices[0].find("bench"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, SoundCardFactory,
                         ::testing::Values(FactoryCase{"bench", "", true, ""},
                                           FactoryCase{"bench", "R=22,L=1m", true, ""},
                                           FactoryCase{"auto", "", true, "R=10, C=100u"},
                                           FactoryCase{"alsa", "R=47", true, "R=47"},
                                           FactoryCase{"bench", "R=10,Q=1", false, "--circuit"},
                                           FactoryCase{"alsa", "L=1m", false, "resistor"},
                                           FactoryCase{"oss", "", false, "--audio=oss"}));

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
