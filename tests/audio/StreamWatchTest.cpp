// A silent stream is noticed after a second, with the reason of its last
// failed attempt, and attempts to open a missing device are paced.

#include "audio/StreamWatch.h"

#include "audio/SilenceText.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using namespace platform;

struct Event {
    enum Kind { expect, stopExpecting, block, fail, opened } kind;
    std::int64_t at;
    MMResult code = error::ok;
};

struct Look {
    std::int64_t at;
    std::optional<MMResult> silence; // none: nothing to show
    bool attemptDue;
};

struct WatchCase {
    const char* what;
    std::vector<Event> events;
    std::vector<Look> looks; // after all the events
};

TEST(StreamWatch, SaysASilentStreamAndWhyAfterASecond) {
    const WatchCase cases[] = {
        {"a stream that stalls from the start",
         {{Event::expect, 0}},
         {{999, std::nullopt, true}, {1000, error::ok, true}}},
        {"a busy device, retried every half second",
         {{Event::expect, 0}, {Event::fail, 100, error::allocated}},
         {{599, std::nullopt, false}, {600, std::nullopt, true}, {1000, error::allocated, true}}},
        {"blocks arriving keep it quiet",
         {{Event::expect, 0}, {Event::block, 800}, {Event::block, 1700}},
         {{1799, std::nullopt, true}, {2699, std::nullopt, true}, {2700, error::ok, true}}},
        {"the server goes away after blocks: its reason",
         {{Event::expect, 0}, {Event::block, 500}, {Event::fail, 900, error::serverDown}},
         {{1399, std::nullopt, false},
          {1499, std::nullopt, true},
          {1500, error::serverDown, true}}},
        {"failures in a row wait twice as long each time, four seconds at most",
         {{Event::expect, 0},
          {Event::fail, 0, error::serverDown},
          {Event::fail, 500, error::serverDown},
          {Event::fail, 1500, error::serverDown},
          {Event::fail, 3500, error::serverDown},
          {Event::fail, 7500, error::serverDown}},
         {{11499, error::serverDown, false}, {11500, error::serverDown, true}}},
        {"an open that fails before its first block keeps doubling",
         {{Event::expect, 0},
          {Event::fail, 0, error::serverDown},
          {Event::opened, 500},
          {Event::fail, 600, error::serverDown}},
         {{1599, error::serverDown, false}, {1600, error::serverDown, true}}},
        {"a block between failures starts the pacing anew",
         {{Event::expect, 0},
          {Event::fail, 0, error::serverDown},
          {Event::fail, 500, error::serverDown},
          {Event::block, 1500},
          {Event::fail, 2000, error::serverDown}},
         {{2499, std::nullopt, false}, {2500, error::serverDown, true}}},
        {"an open under way keeps the reason of the last failure; a second later it stalls",
         {{Event::expect, 0}, {Event::fail, 100, error::badFormat}, {Event::opened, 1200}},
         {{1200, error::badFormat, true}, {2199, error::badFormat, true}, {2200, error::ok, true}}},
        {"opens again and again without a block: it stalls a second after the first",
         {{Event::expect, 0},
          {Event::fail, 100, error::allocated},
          {Event::opened, 1200},
          {Event::opened, 1900}},
         {{2199, error::allocated, true}, {2200, error::ok, true}}},
        {"nothing expected, nothing shown",
         {{Event::fail, 0, error::allocated}},
         {{5000, std::nullopt, true}}},
        {"the second of grace starts when blocks are expected",
         {{Event::expect, 5000}},
         {{5999, std::nullopt, true}, {6000, error::ok, true}}},
        {"expecting again starts a new second",
         {{Event::expect, 0}, {Event::stopExpecting, 2000}, {Event::expect, 3000}},
         {{3999, std::nullopt, true}, {4000, error::ok, true}}},
    };
    for (const auto& c : cases) {
        StreamWatch watch;
        for (const auto& e : c.events) {
            switch (e.kind) {
            case Event::expect:
                watch.expect(true, e.at);
                break;
            case Event::stopExpecting:
                watch.expect(false, e.at);
                break;
            case Event::block:
                watch.delivered(e.at);
                break;
            case Event::fail:
                watch.attempted(e.code, e.at);
                break;
            case Event::opened:
                watch.attempted(error::ok, e.at);
                break;
            }
        }
        for (const auto& look : c.looks) {
            EXPECT_EQ(watch.silence(look.at), look.silence) << c.what << " at " << look.at;
            EXPECT_EQ(watch.attemptDue(look.at), look.attemptDue) << c.what << " at " << look.at;
        }
    }
}

TEST(SilenceText, NamesTheReasonAndWhatToDo) {
    struct Case {
        StreamKind kind;
        MMResult code;
        const char* device;
        const char* says;    // a part of the text
        bool server = false; // the PCM is a sound server's
    };
    const Case cases[] = {
        {StreamKind::recording, error::allocated, "default",
         "Zvuková karta nenahrává: zařízení používá jiný program."},
        {StreamKind::playback, error::allocated, "default",
         "Generátor nehraje: zařízení používá jiný program."},
        {StreamKind::recording, error::badDeviceId, "hw:7", "zařízení hw:7 neexistuje"},
        {StreamKind::recording, error::serverDown, "default", "neběží"},
        {StreamKind::playback, error::deviceRemoved, "hw:1", "odpojeno"},
        {StreamKind::recording, error::oneChannelInput, "hw:2", "jen jeden kanál"},
        {StreamKind::recording, error::badFormat, "hw:1,0", "Použijte --device=plughw:1,0."},
        {StreamKind::recording, error::badFormat, "hw:CARD=Device", "--device=plughw:CARD=Device"},
        {StreamKind::recording, error::ok, "default", "nedodává data"},
        // A stalled stream of a sound server names the server; its other
        // reasons stay those of the device.
        {StreamKind::recording, error::ok, "default",
         "Zvuková karta nenahrává: zvukový server nepřenáší zvuk. Zkontrolujte, zda běží "
         "(pulseaudio / pipewire) a které zařízení používá.",
         true},
        {StreamKind::playback, error::ok, "pipewire",
         "Generátor nehraje: zvukový server nepřenáší zvuk", true},
        {StreamKind::recording, error::allocated, "pulse", "zařízení používá jiný program.", true},
    };
    for (const auto& c : cases)
        EXPECT_NE(silenceText(c.kind, c.code, c.device, c.server).find(c.says), std::string::npos)
            << silenceText(c.kind, c.code, c.device, c.server);
    // A device that already converts is not told to use itself.
    EXPECT_EQ(silenceText(StreamKind::recording, error::badFormat, "plughw:1").find("--device"),
              std::string::npos);
    // Each reason has a text of its own.
    std::set<std::string> texts;
    const MMResult codes[] = {error::allocated,       error::badDeviceId, error::serverDown,
                              error::deviceRemoved,   error::noDriver,    error::badFormat,
                              error::oneChannelInput, error::ok,          error::unspecified};
    for (const auto code : codes)
        EXPECT_TRUE(texts.insert(silenceText(StreamKind::recording, code, "hw:1")).second) << code;
}

} // namespace
