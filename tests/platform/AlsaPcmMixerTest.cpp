// The mixer that goes with the PCM the program records from.

#include "platform/alsa/PcmMixer.h"

#include <gtest/gtest.h>

namespace {

using platform::alsa::mixerOfPcm;

TEST(PcmMixer, IsTheCardOfThePcmElseTheControlOfItsNameElseDefault) {
    struct Case {
        const char* pcm;
        std::optional<int> card; // what the PCM reports (or its name names)
        bool sameNameControlOpens;
        const char* mixer;
    };
    const Case cases[] = {
        // On a card: that card's control device, never simply card 0.
        {"hw:1", 1, false, "hw:1"},
        {"plughw:CARD=Device,DEV=0", 2, false, "hw:2"},
        {"dsnoop:1", 1, false, "hw:1"},
        // "default" configured to the card of an HDA codec behind HDMI card 0.
        {"default", 1, true, "hw:1"},
        // Plug-ins without a card: their own control device, when there is one.
        {"pulse", std::nullopt, true, "pulse"},
        {"pipewire", std::nullopt, true, "pipewire"},
        {"default", std::nullopt, true, "default"},
        {"zo7null", std::nullopt, false, "default"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mixerOfPcm(c.pcm, c.card, c.sameNameControlOpens), c.mixer) << c.pcm;
}

} // namespace
