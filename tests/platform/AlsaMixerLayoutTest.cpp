// The ALSA element lists of typical cards, mapped onto destinations, sources
// and controls, and the start-up mixer set-up run on each through the layer's
// mixer over element values kept in memory.

#include "mixer/AudioMixer.h"
#include "mixer/MixerJournal.h"
#include "mixer/MixerSetUp.h"
#include "platform/alsa/LayoutMixer.h"
#include "platform/alsa/MixerLayout.h"
#include "platform/alsa/VolumeElements.h"
#include "support/CardWithoutMixer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

using namespace platform;
using namespace platform::alsa;

// --- element descriptions -------------------------------------------------

ElementSide side(std::uint32_t channels, bool volume, bool hasSwitch, bool joined = false) {
    ElementSide s;
    s.volume = volume;
    s.hasSwitch = hasSwitch;
    s.volumeJoined = s.switchJoined = joined;
    s.channels = channels;
    s.maximum = volume ? 31 : 0;
    return s;
}

ElementDescription playback(const char* name, std::uint32_t channels = 2, bool volume = true,
                            bool hasSwitch = true) {
    ElementDescription e;
    e.name = name;
    e.playback = side(channels, volume, hasSwitch);
    return e;
}

// An AC'97 input: played through to the speakers, and one of the capture
// source's exclusive switches.
ElementDescription ac97Input(const char* name, std::uint32_t channels = 2) {
    ElementDescription e = playback(name, channels);
    e.capture = side(channels, false, true);
    e.captureExclusive = true;
    return e;
}

ElementDescription capture(const char* name, std::uint32_t channels = 2, bool joined = false) {
    ElementDescription e;
    e.name = name;
    e.capture = side(channels, true, true, joined);
    return e;
}

ElementDescription enumeration(const char* name, std::vector<std::string> items) {
    ElementDescription e;
    e.name = name;
    e.enumItems = std::move(items);
    return e;
}

std::vector<ElementDescription> hdaCodec(const char* selectorName) {
    return {playback("Master"),
            playback("Headphone"),
            playback("Speaker"),
            playback("PCM", 2, true, false),
            playback("Front Mic"),
            playback("Front Mic Boost", 2, true, false),
            playback("Line"),
            playback("Mic"),
            playback("Mic Boost", 2, true, false),
            playback("Beep", 1),
            capture("Capture"),
            enumeration("Auto-Mute Mode", {"Disabled", "Enabled"}),
            enumeration(selectorName, {"Front Mic", "Mic", "Line"})};
}

std::vector<ElementDescription> ac97Card() {
    return {playback("Master"),
            playback("Headphone"),
            playback("PCM"),
            ac97Input("Line"),
            ac97Input("CD"),
            ac97Input("Mic", 1),
            ac97Input("Video"),
            ac97Input("Phone", 1),
            ac97Input("Aux"),
            [] {
                auto mix = ac97Input("Mix");
                mix.playback = ElementSide{};
                return mix;
            }(),
            capture("Capture")};
}

std::vector<ElementDescription> usbMicCard() {
    ElementDescription mic = playback("Mic", 1);
    mic.capture = side(1, true, true);
    return {playback("Speaker"), mic, playback("Auto Gain Control", 1, false, true)};
}

std::vector<ElementDescription> pulseAudio() {
    ElementDescription master = playback("Master");
    master.playback.switchJoined = true;
    return {master, capture("Capture", 2, true)};
}

// --- element values in memory ----------------------------------------------

class MemoryStore : public ElementStore {
public:
    explicit MemoryStore(const std::vector<ElementDescription>& elements) : elements_(elements) {
        for (std::size_t e = 0; e < elements.size(); ++e)
            for (std::uint32_t c = 0; c < 2; ++c)
                for (Side s : {Side::playback, Side::capture}) {
                    levels[{e, s, c}] = 20000;
                    switches[{e, s, c}] = false;
                }
    }

    using Key = std::tuple<std::size_t, Side, std::uint32_t>;
    std::map<Key, std::uint32_t> levels;
    std::map<Key, bool> switches;
    std::map<std::size_t, std::uint32_t> items;

    std::uint32_t levelOf(std::size_t e, Side s, std::uint32_t c) const {
        return levels.at({e, s, c});
    }
    bool on(std::size_t e, Side s, std::uint32_t c) const { return switches.at({e, s, c}); }

    MMResult level(std::size_t e, Side s, std::uint32_t c, std::uint32_t& out) override {
        out = levels.at({e, s, c});
        return error::ok;
    }
    MMResult setLevel(std::size_t e, Side s, std::uint32_t c, std::uint32_t value) override {
        for (std::uint32_t ch = 0; ch < 2; ++ch)
            if (c == allChannels || c == ch) levels[{e, s, ch}] = value;
        return error::ok;
    }
    MMResult switchOn(std::size_t e, Side s, std::uint32_t c, bool& on) override {
        on = switches.at({e, s, c});
        return error::ok;
    }
    MMResult setSwitch(std::size_t e, Side s, std::uint32_t c, bool on) override {
        // An exclusive capture switch turned on turns the others of its group off.
        if (on && s == Side::capture && elements_[e].captureExclusive)
            for (std::size_t other = 0; other < elements_.size(); ++other)
                if (elements_[other].captureExclusive)
                    for (std::uint32_t ch = 0; ch < 2; ++ch)
                        switches[{other, s, ch}] = false;
        for (std::uint32_t ch = 0; ch < 2; ++ch)
            if (c == allChannels || c == ch) switches[{e, s, ch}] = on;
        return error::ok;
    }
    MMResult enumItem(std::size_t e, std::uint32_t& item) override {
        item = items[e];
        return error::ok;
    }
    MMResult setEnumItem(std::size_t e, std::uint32_t item) override {
        items[e] = item;
        return error::ok;
    }
    void watch(std::function<void(std::size_t)>) override {}

private:
    std::vector<ElementDescription> elements_;
};

// A sound card whose one mixer is the layer's mixer over a MemoryStore.
class LayoutCard : public testcard::CardWithoutMixer {
public:
    explicit LayoutCard(std::vector<ElementDescription> elements)
        : elements_(std::move(elements)) {}
    MemoryStore* store = nullptr;                // of the mixer opened last
    std::function<void(MemoryStore&)> initially; // the values before the program runs

    std::string name() const override { return "layout"; }
    MMResult openInput(int, const PcmFormat&, QObject*, std::unique_ptr<WaveInput>&) override {
        return error::noDriver;
    }
    MMResult openOutput(int, const PcmFormat&, QObject*, std::unique_ptr<WaveOutput>&) override {
        return error::noDriver;
    }
    int mixerCount() override { return 1; }
    MMResult mixerCaps(int, MixerCaps& caps) override {
        caps.productName = "card";
        caps.destinations = static_cast<std::uint32_t>(mapElements(elements_).destinations.size());
        return error::ok;
    }
    MMResult openMixer(int, QObject* notify, std::unique_ptr<Mixer>& mixer) override {
        auto memory = std::make_unique<MemoryStore>(elements_);
        if (initially) initially(*memory);
        store = memory.get();
        mixer = std::make_unique<LayoutMixer>(mapElements(elements_), std::move(memory), notify);
        return error::ok;
    }

private:
    std::vector<ElementDescription> elements_;
};

std::size_t indexOf(const std::vector<ElementDescription>& elements, const std::string& name) {
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (elements[i].name == name) return i;
    ADD_FAILURE() << "no element " << name;
    return 0;
}

// --- the layouts -------------------------------------------------------------

struct Source {
    std::string name;
    std::uint32_t type;
    bool hasLevel;
};

struct CardCase {
    const char* name;
    std::vector<ElementDescription> elements;
    std::string playbackMaster;   // the element of the Playback destination's level ("": none)
    std::vector<Source> captured; // the Capture destination's sources, in order
    std::uint32_t muxItems;       // 0: no multiplexer
    std::string captureLevel;     // the element of the Capture destination's level ("": none)
};

// Shown by its name in test listings.
void PrintTo(const CardCase& c, std::ostream* os) {
    *os << c.name;
}

class CardLayout : public ::testing::TestWithParam<CardCase> {};

const LayoutDestination* destinationOfType(const MixerLayout& layout, std::uint32_t type) {
    for (const auto& d : layout.destinations)
        if (d.line.line.componentType == type) return &d;
    return nullptr;
}

const LayoutControl* controlOfType(const LayoutLine& line, std::uint32_t type) {
    for (const auto& c : line.controls)
        if (c.control.controlType == type) return &c;
    return nullptr;
}

TEST_P(CardLayout, MapsTheElementsOntoDestinationsSourcesAndControls) {
    const CardCase& c = GetParam();
    const MixerLayout layout = mapElements(c.elements);
    ASSERT_EQ(layout.destinations.size(), 2u);

    const auto* speakers = destinationOfType(layout, lineType::destinationSpeakers);
    ASSERT_TRUE(speakers);
    const auto* level = controlOfType(speakers->line, controlType::volume);
    ASSERT_TRUE(level);
    EXPECT_EQ(c.elements[static_cast<std::size_t>(level->element)].name, c.playbackMaster);

    const auto* recording = destinationOfType(layout, lineType::destinationWaveIn);
    ASSERT_TRUE(recording);
    ASSERT_EQ(recording->sources.size(), c.captured.size());
    for (std::size_t s = 0; s < c.captured.size(); ++s) {
        const auto& source = recording->sources[s];
        EXPECT_EQ(source.line.name, c.captured[s].name) << s;
        EXPECT_EQ(source.line.componentType, c.captured[s].type) << c.captured[s].name;
        EXPECT_EQ(controlOfType(source, controlType::volume) != nullptr, c.captured[s].hasLevel)
            << c.captured[s].name;
    }
    const auto* mux = controlOfType(recording->line, controlType::mux);
    EXPECT_EQ(mux ? mux->control.multipleItems : 0u, c.muxItems);
    const auto* captureLevel = controlOfType(recording->line, controlType::volume);
    EXPECT_EQ(captureLevel ? c.elements[static_cast<std::size_t>(captureLevel->element)].name : "",
              c.captureLevel);

    // Every control has an ID of its own, and the same card gives the same IDs.
    std::set<std::uint32_t> ids;
    std::size_t controls = 0;
    auto collect = [&](const LayoutLine& line) {
        for (const auto& control : line.controls) {
            ids.insert(control.control.controlId);
            ++controls;
            EXPECT_EQ(layout.control(control.control.controlId), &control);
        }
    };
    for (const auto& d : layout.destinations) {
        collect(d.line);
        for (const auto& s : d.sources)
            collect(s);
    }
    EXPECT_EQ(ids.size(), controls);
    EXPECT_EQ(ids.count(0), 0u);
}

using namespace lineType;

INSTANTIATE_TEST_SUITE_P(
    TypicalCards, CardLayout,
    ::testing::Values(
        CardCase{"HdaInputSource",
                 hdaCodec("Input Source"),
                 "Master",
                 {{"Front Mic", sourceMicrophone, false},
                  {"Mic", sourceMicrophone, false},
                  {"Line", sourceLine, false}},
                 3,
                 "Capture"},
        CardCase{"HdaCaptureSource",
                 hdaCodec("Capture Source"),
                 "Master",
                 {{"Front Mic", sourceMicrophone, false},
                  {"Mic", sourceMicrophone, false},
                  {"Line", sourceLine, false}},
                 3,
                 "Capture"},
        CardCase{"Ac97CaptureSwitches",
                 ac97Card(),
                 "Master",
                 {{"Line", sourceLine, false},
                  {"CD", sourceCompactDisc, false},
                  {"Mic", sourceMicrophone, false},
                  {"Video", sourceAnalog, false},
                  {"Phone", sourceTelephone, false},
                  {"Aux", sourceAuxiliary, false},
                  {"Mix", sourceUndefined, false}},
                 7,
                 "Capture"},
        // The one input of the card is what it records: typed as the line input.
        CardCase{"UsbOnlyMic", usbMicCard(), "Speaker", {{"Mic", sourceLine, true}}, 1, ""},
        CardCase{"PulseAudio", pulseAudio(), "Master", {{"Capture", sourceLine, true}}, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the start-up set-up on each card ----------------------------------------

class SetUpOnCard : public ::testing::Test {
protected:
    LayoutCard& install(std::vector<ElementDescription> elements) {
        auto card = std::make_unique<LayoutCard>(std::move(elements));
        card_ = card.get();
        installSoundCard(std::move(card));
        return *card_;
    }
    LayoutCard* card_ = nullptr;
};

TEST_F(SetUpOnCard, HdaSelectsTheLineInputAndOpensTheCapturePath) {
    for (const char* selector : {"Input Source", "Capture Source"}) {
        const auto elements = hdaCodec(selector);
        auto& card = install(elements);
        TAudioMixer mixer;
        SetUpMixer(mixer);
        auto& store = *card.store;
        EXPECT_EQ(store.items[indexOf(elements, selector)], 2u) << selector << ": Line";
        for (std::uint32_t ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(store.levelOf(indexOf(elements, "Capture"), Side::capture, ch), 65535u);
            EXPECT_EQ(store.levelOf(indexOf(elements, "Master"), Side::playback, ch), 65535u);
            EXPECT_EQ(store.levelOf(indexOf(elements, "PCM"), Side::playback, ch), 65535u);
        }
        // The line input heard through the speakers is left as it was.
        EXPECT_EQ(store.levelOf(indexOf(elements, "Line"), Side::playback, 0), 20000u);
    }
}

TEST_F(SetUpOnCard, Ac97SwitchesTheLineInputOnAndEveryOtherInputOff) {
    const auto elements = ac97Card();
    auto& card = install(elements);
    // The microphone was being recorded.
    card.initially = [&](MemoryStore& store) {
        store.setSwitch(indexOf(elements, "Mic"), Side::capture, allChannels, true);
    };
    TAudioMixer mixer;
    SetUpMixer(mixer);
    auto& store = *card.store;
    for (const char* input : {"Line", "CD", "Mic", "Video", "Phone", "Aux", "Mix"}) {
        const bool line = std::string(input) == "Line";
        EXPECT_EQ(store.on(indexOf(elements, input), Side::capture, 0), line) << input;
    }
    EXPECT_EQ(store.levelOf(indexOf(elements, "Capture"), Side::capture, 1), 65535u);
}

TEST_F(SetUpOnCard, UsbMicIsRecordedAtFullLevelNotSilenced) {
    const auto elements = usbMicCard();
    auto& card = install(elements);
    TAudioMixer mixer;
    SetUpMixer(mixer);
    auto& store = *card.store;
    const auto mic = indexOf(elements, "Mic");
    EXPECT_TRUE(store.on(mic, Side::capture, 0));
    EXPECT_EQ(store.levelOf(mic, Side::capture, 0), 65535u);
    EXPECT_EQ(store.levelOf(indexOf(elements, "Speaker"), Side::playback, 0), 65535u);
    // The microphone's monitor on the speakers stays as it was.
    EXPECT_EQ(store.levelOf(mic, Side::playback, 0), 20000u);
}

TEST_F(SetUpOnCard, PulseAudioSetsTheServersCaptureAndMasterToFull) {
    const auto elements = pulseAudio();
    auto& card = install(elements);
    TAudioMixer mixer;
    SetUpMixer(mixer);
    ASSERT_TRUE(mixer.LineRecordingSource);
    EXPECT_EQ(mixer.LineRecordingSource->Name, "Capture");
    auto& store = *card.store;
    for (std::uint32_t ch = 0; ch < 2; ++ch) {
        EXPECT_EQ(store.levelOf(1, Side::capture, ch), 65535u);
        EXPECT_EQ(store.levelOf(0, Side::playback, ch), 65535u);
    }
    // The gain switch of the measurement reduces both channels alike.
    mixer.SetLeft(mixer.LevelVolume(mixer.LineRecordingSource), 35535);
    EXPECT_EQ(store.levelOf(1, Side::capture, 0), 35535u);
    EXPECT_EQ(store.levelOf(1, Side::capture, 1), 35535u);
}

// Every card starts with its switches off (MemoryStore's start) and its boosts
// high: after the set-up the recorded input, the capture control, master and
// PCM are switched on, the line input's boost is at its bottom, and the
// microphone's boost is left alone.
TEST_F(SetUpOnCard, SwitchesThePathOnAndTurnsTheLineBoostDown) {
    auto withBoosts = hdaCodec("Input Source");
    ElementDescription lineBoost = capture("Line Boost");
    lineBoost.capture.hasSwitch = false;
    withBoosts.push_back(lineBoost); // reported on the capture side by some codecs
    // The line input with a capture volume and switch of its own.
    for (auto& e : withBoosts)
        if (e.name == "Line") e.capture = capture("Line").capture;
    struct Case {
        const char* what;
        std::vector<ElementDescription> elements;
        std::vector<std::pair<const char*, Side>> switchedOn;
        std::vector<std::pair<const char*, Side>> boostsDown; // level 0
        std::vector<std::pair<const char*, Side>> untouched;  // level 20000 as before
    };
    const Case cases[] = {
        {"HDA, boosts on both sides",
         withBoosts,
         {{"Capture", Side::capture}, {"Master", Side::playback}, {"Line", Side::capture}},
         {{"Line Boost", Side::capture}},
         {{"Mic Boost", Side::playback}, {"Front Mic Boost", Side::playback}}},
        {"AC'97",
         ac97Card(),
         {{"Capture", Side::capture}, {"Master", Side::playback}, {"PCM", Side::playback}},
         {},
         {}},
        {"USB adapter",
         usbMicCard(),
         {{"Mic", Side::capture}, {"Speaker", Side::playback}},
         {},
         {}},
        {"PulseAudio", pulseAudio(), {{"Master", Side::playback}}, {}, {}},
    };
    for (const auto& c : cases) {
        auto& card = install(c.elements);
        TAudioMixer mixer;
        SetUpMixer(mixer);
        auto& store = *card.store;
        for (const auto& [name, side] : c.switchedOn)
            EXPECT_TRUE(store.on(indexOf(c.elements, name), side, 0)) << c.what << ": " << name;
        for (const auto& [name, side] : c.boostsDown)
            EXPECT_EQ(store.levelOf(indexOf(c.elements, name), side, 0), 0u)
                << c.what << ": " << name;
        for (const auto& [name, side] : c.untouched)
            EXPECT_EQ(store.levelOf(indexOf(c.elements, name), side, 0), 20000u)
                << c.what << ": " << name;
        // A boost is never what is recorded.
        ASSERT_TRUE(mixer.LineRecordingSource) << c.what;
        EXPECT_EQ(mixer.LineRecordingSource->Name.find("Boost"), std::string::npos) << c.what;
    }
}

// What the set-up changed goes into the state file before it changes it, and
// comes back: at a normal close the capture side only, after a crash all of
// it; a control the user moved meanwhile stays where the user put it.
TEST_F(SetUpOnCard, GivesBackWhatTheSetUpChanged) {
    struct Case {
        const char* what;
        bool crashed;                            // restored from the file written before the set-up
        bool userMoved;                          // the line input's capture level moved to 40000
        std::uint32_t captureLevel, masterLevel; // of "Capture" and "Master" afterwards
        bool captureSwitch;                      // of "Capture" afterwards
    };
    const Case cases[] = {
        {"normal close", false, false, 20000, 65535, false},
        {"normal close after the user moved the level", false, true, 40000, 65535, false},
        {"killed during the set-up", true, false, 20000, 20000, false},
    };
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_STATE_HOME", home.path().toUtf8());
    const QString path = mixerJournalPath();
    EXPECT_EQ(path, home.path() + "/zo7scope/mixer-state.json");
    for (const auto& c : cases) {
        auto elements = hdaCodec("Input Source");
        auto& card = install(elements);
        TAudioMixer mixer;
        mixer.OpenMixer();
        const MixerJournal before = snapshotMixer(mixer);
        ASSERT_EQ(writeJournal(path, before), "") << c.what;
        SetUpOpenMixer(mixer);
        auto& store = *card.store;
        const auto capture = indexOf(elements, "Capture");
        const auto master = indexOf(elements, "Master");
        ASSERT_EQ(store.levelOf(capture, Side::capture, 0), 65535u);
        ASSERT_TRUE(store.on(capture, Side::capture, 0));
        if (!c.crashed) {
            ASSERT_EQ(writeJournal(path, changedControls(before, snapshotMixer(mixer))), "");
        }
        if (c.userMoved) store.setLevel(capture, Side::capture, allChannels, 40000);

        std::string error;
        const auto kept = readJournal(path, error);
        ASSERT_TRUE(kept) << c.what << ": " << error;
        EXPECT_GT(restoreJournal(*mixer.Handle(), *kept, !c.crashed), 0) << c.what;
        EXPECT_EQ(store.levelOf(capture, Side::capture, 0), c.captureLevel) << c.what;
        EXPECT_EQ(store.levelOf(capture, Side::capture, 1), c.captureLevel) << c.what;
        EXPECT_EQ(store.on(capture, Side::capture, 0), c.captureSwitch) << c.what;
        EXPECT_EQ(store.levelOf(master, Side::playback, 0), c.masterLevel) << c.what;
        // The input source goes back to the microphone it was on (item 0).
        EXPECT_EQ(store.items[indexOf(elements, "Input Source")], 0u) << c.what;
    }
    // A file that is not one is reported and not taken for one.
    QFile bad(path);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("{\"mixer\": ");
    bad.close();
    std::string error;
    EXPECT_FALSE(readJournal(path, error));
    EXPECT_FALSE(error.empty());
    qunsetenv("XDG_STATE_HOME");
}

// --- names and volumes --------------------------------------------------------

TEST(AlsaElementNames, GiveTheLineType) {
    const std::pair<const char*, std::uint32_t> names[] = {
        {"Line", sourceLine},           {"Line In", sourceLine},
        {"Front Line", sourceLine},     {"Mic", sourceMicrophone},
        {"Rear Mic", sourceMicrophone}, {"Internal Mic", sourceMicrophone},
        {"Mic Boost", sourceUndefined}, {"CD", sourceCompactDisc},
        {"Aux", sourceAuxiliary},       {"Phone", sourceTelephone},
        {"PCM", sourceWaveOut},         {"Beep", sourcePcSpeaker},
        {"Video", sourceAnalog},        {"Line Out", sourceUndefined},
        {"Headphone", sourceUndefined}, {"Stereo Mix", sourceUndefined},
    };
    for (const auto& [name, type] : names)
        EXPECT_EQ(lineTypeOfName(name), type) << name;
}

TEST(AlsaVolumeDevices, MapToPlaybackElements) {
    struct Case {
        const char* card;
        std::vector<ElementDescription> elements;
        VolumeDevice device;
        const char* element; // "": the device has no volume
    };
    const Case cases[] = {
        {"ac97", ac97Card(), VolumeDevice::waveOut0, "PCM"},
        {"ac97", ac97Card(), VolumeDevice::aux1, "Master"},
        {"ac97", ac97Card(), VolumeDevice::aux2, "Line"},
        {"ac97", ac97Card(), VolumeDevice::aux3, "CD"},
        {"ac97", ac97Card(), VolumeDevice::aux4, "Mic"},
        {"ac97", ac97Card(), VolumeDevice::aux5, "Aux"},
        {"pulse", pulseAudio(), VolumeDevice::waveOut0, "Master"},
        {"pulse", pulseAudio(), VolumeDevice::aux1, ""},
        {"pulse", pulseAudio(), VolumeDevice::aux2, ""},
        {"usb", usbMicCard(), VolumeDevice::waveOut0, "Speaker"},
        {"usb", usbMicCard(), VolumeDevice::aux4, "Mic"},
    };
    for (const auto& c : cases) {
        const auto found = volumeElement(c.device, c.elements);
        const std::string name = found ? c.elements[*found].name : "";
        EXPECT_EQ(name, c.element) << c.card << " device " << static_cast<int>(c.device);
    }
    EXPECT_EQ(volumeWord(0x1234, 0xFEDC), 0xFEDC1234u);
    EXPECT_EQ(leftOf(0xFEDC1234u), 0x1234u);
    EXPECT_EQ(rightOf(0xFEDC1234u), 0xFEDCu);
}

} // namespace
