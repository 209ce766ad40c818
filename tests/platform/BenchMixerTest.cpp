#include "platform/bench/BenchMixer.h"

#include <QCoreApplication>
#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace {

using namespace platform;
using namespace platform::bench;

// Collects the mixer notifications posted to it.
class MixerRecorder : public QObject {
public:
    struct Seen {
        int message;
        const void* device;
        std::uint32_t param;
    };
    std::vector<Seen> seen;

protected:
    bool event(QEvent* e) override {
        if (e->type() != DeviceEvent::eventType()) return QObject::event(e);
        const auto* d = static_cast<DeviceEvent*>(e);
        seen.push_back({d->message(), d->device(), d->param()});
        return true;
    }
};

void deliverPosted() {
    QCoreApplication::sendPostedEvents();
}

std::unique_ptr<Mixer> openOn(BenchMixer& mixer, QObject* notify = nullptr) {
    std::unique_ptr<Mixer> handle;
    EXPECT_EQ(mixer.open(notify, handle), error::ok);
    return handle;
}

// Every line of the default bench, read through a handle.
TEST(BenchMixerDefault, HasTheLinesTheSetUpAddressesEachWithALevel) {
    BenchMixer mixer(defaultBenchMixerSpec());
    MixerCaps caps;
    ASSERT_EQ(mixer.caps(caps), error::ok);
    ASSERT_EQ(caps.destinations, 2u);
    auto handle = openOn(mixer);

    struct Expected {
        std::uint32_t destination;
        std::vector<std::uint32_t> sources;
    };
    const Expected expected[] = {
        {lineType::destinationSpeakers,
         {lineType::sourceWaveOut, lineType::sourceLine, lineType::sourceCompactDisc,
          lineType::sourceMicrophone, lineType::sourceAuxiliary}},
        {lineType::destinationWaveIn,
         {lineType::sourceLine, lineType::sourceMicrophone, lineType::sourceCompactDisc,
          lineType::sourceAuxiliary, lineType::sourceTelephone}},
    };
    std::set<std::uint32_t> lineIds, controlIds;
    for (std::uint32_t d = 0; d < 2; ++d) {
        MixerLine dest;
        ASSERT_EQ(handle->lineInfo(d, dest), error::ok);
        EXPECT_EQ(dest.componentType, expected[d].destination);
        EXPECT_EQ(dest.connections, expected[d].sources.size());
        EXPECT_EQ(dest.flags & lineFlag::source, 0u);
        lineIds.insert(dest.lineId);
        std::vector<MixerControl> controls;
        ASSERT_EQ(handle->lineControls(dest.lineId, controls), error::ok);
        ASSERT_EQ(controls.size(), dest.controls);
        for (const auto& c : controls)
            controlIds.insert(c.controlId);
        for (std::uint32_t s = 0; s < dest.connections; ++s) {
            MixerLine source;
            ASSERT_EQ(handle->lineInfo(d, s, source), error::ok);
            EXPECT_EQ(source.componentType, expected[d].sources[s]) << d << "/" << s;
            EXPECT_NE(source.flags & lineFlag::source, 0u);
            EXPECT_EQ(source.destination, d);
            EXPECT_EQ(source.source, s);
            lineIds.insert(source.lineId);
            ASSERT_EQ(handle->lineControls(source.lineId, controls), error::ok);
            ASSERT_FALSE(controls.empty()) << d << "/" << s;
            EXPECT_EQ(controls[0].controlType, controlType::volume);
            for (const auto& c : controls)
                controlIds.insert(c.controlId);
        }
    }
    EXPECT_EQ(lineIds.size(), 12u);
    EXPECT_EQ(controlIds.size(), 13u); // 10 source levels, master, mute, multiplexer
    EXPECT_EQ(controlIds.count(0), 0u);

    MixerLine none;
    EXPECT_EQ(handle->lineInfo(2, none), error::badLineId);
    EXPECT_EQ(handle->lineInfo(1, 5, none), error::badLineId);
}

TEST(BenchMixerDefault, RecordingMultiplexerHasOneItemPerSourceAndLineLevelIsUniform) {
    BenchMixer mixer(defaultBenchMixerSpec());
    auto handle = openOn(mixer);
    std::vector<MixerControl> controls;
    MixerLine recording;
    ASSERT_EQ(handle->lineInfo(1, recording), error::ok);
    ASSERT_EQ(handle->lineControls(recording.lineId, controls), error::ok);
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0].controlType, controlType::mux);
    EXPECT_NE(controls[0].flags & controlFlag::multiple, 0u);
    EXPECT_EQ(controls[0].multipleItems, recording.connections);
    EXPECT_EQ(controls[0].maximum, 1);

    const auto lineLevel =
        mixer.findControl(lineType::sourceLine, controlType::volume, lineType::destinationWaveIn);
    ASSERT_NE(lineLevel, 0u);
    MixerLine line;
    ASSERT_EQ(handle->lineInfo(1, 0, line), error::ok);
    ASSERT_EQ(handle->lineControls(line.lineId, controls), error::ok);
    EXPECT_EQ(controls[0].controlId, lineLevel);
    EXPECT_NE(controls[0].flags & controlFlag::uniform, 0u);
    // The speakers' line level is another control.
    EXPECT_NE(mixer.findControl(lineType::sourceLine, controlType::volume), lineLevel);
}

// A small card with one stereo and one mono line, for the value layout.
MixerSpec layoutSpec() {
    MixerSpec spec;
    DestinationSpec dest;
    dest.line.componentType = lineType::destinationWaveIn;
    dest.line.channels = 2;
    ControlSpec mux;
    mux.type = controlType::mux;
    mux.flags = controlFlag::multiple;
    mux.items = 3;
    mux.maximum = 1;
    mux.values = {0, 0, 1, 1, 0, 0};
    dest.line.controls = {mux};
    LineSpec stereo;
    stereo.componentType = lineType::sourceLine;
    ControlSpec fader;
    fader.values = {100, 200};
    ControlSpec uniform;
    uniform.flags = controlFlag::uniform;
    uniform.values = {300, 999}; // a uniform control keeps one value
    ControlSpec sign;
    sign.type = controlType::signedNumber;
    sign.minimum = -100;
    sign.maximum = 100;
    stereo.controls = {fader, uniform, sign};
    LineSpec mono;
    mono.componentType = lineType::sourceMicrophone;
    mono.channels = 1;
    mono.controls = {ControlSpec{}};
    LineSpec third;
    third.componentType = lineType::sourceCompactDisc;
    dest.sources = {stereo, mono, third};
    spec.destinations.push_back(dest);
    return spec;
}

struct Ids {
    std::uint32_t mux, fader, uniform, sign, mono;
};
Ids idsOf(const BenchMixer& m) {
    return {m.findControl(lineType::destinationWaveIn, controlType::mux),
            m.findControl(lineType::sourceLine, controlType::volume), 0,
            m.findControl(lineType::sourceLine, controlType::signedNumber),
            m.findControl(lineType::sourceMicrophone, controlType::volume)};
}

TEST(BenchMixerValues, LayoutIsItemTimesChannelsPlusChannel) {
    BenchMixer mixer(layoutSpec());
    auto ids = idsOf(mixer);
    ids.uniform = ids.fader + 1;
    auto handle = openOn(mixer);
    std::vector<std::uint32_t> v;

    ASSERT_EQ(handle->getValues(ids.fader, 2, 0, v), error::ok);
    EXPECT_EQ(v, (std::vector<std::uint32_t>{100, 200}));
    ASSERT_EQ(handle->getValues(ids.fader, 1, 0, v), error::ok);
    EXPECT_EQ(v, (std::vector<std::uint32_t>{100}));
    ASSERT_EQ(handle->getValues(ids.uniform, 2, 0, v), error::ok);
    EXPECT_EQ(v, (std::vector<std::uint32_t>{300, 300}));
    ASSERT_EQ(handle->getValues(ids.mux, 1, 3, v), error::ok);
    EXPECT_EQ(v, (std::vector<std::uint32_t>{0, 1, 0}));
    ASSERT_EQ(handle->getValues(ids.mux, 2, 3, v), error::ok);
    EXPECT_EQ(v, (std::vector<std::uint32_t>{0, 0, 1, 1, 0, 0}));

    // Two channels, each its own value.
    ASSERT_EQ(handle->setValues(ids.fader, 2, 0, {7, 8}), error::ok);
    EXPECT_EQ(mixer.values(ids.fader), (std::vector<std::uint32_t>{7, 8}));
    // One channel on a stereo line sets both alike.
    ASSERT_EQ(handle->setValues(ids.fader, 1, 0, {9}), error::ok);
    EXPECT_EQ(mixer.values(ids.fader), (std::vector<std::uint32_t>{9, 9}));
    ASSERT_EQ(handle->setValues(ids.uniform, 1, 0, {11}), error::ok);
    EXPECT_EQ(mixer.values(ids.uniform), (std::vector<std::uint32_t>{11, 11}));
    ASSERT_EQ(handle->setValues(ids.mux, 1, 3, {0, 0, 1}), error::ok);
    EXPECT_EQ(mixer.values(ids.mux), (std::vector<std::uint32_t>{0, 0, 0, 0, 1, 1}));
    ASSERT_EQ(handle->setValues(ids.mux, 2, 3, {1, 1, 0, 0, 0, 0}), error::ok);
    EXPECT_EQ(mixer.values(ids.mux), (std::vector<std::uint32_t>{1, 1, 0, 0, 0, 0}));
    ASSERT_EQ(handle->setValues(ids.mono, 1, 0, {5}), error::ok);
    EXPECT_EQ(mixer.values(ids.mono), (std::vector<std::uint32_t>{5}));
}

TEST(BenchMixerValues, ValuesAreKeptWithinTheControlsBounds) {
    BenchMixer mixer(layoutSpec());
    const auto ids = idsOf(mixer);
    auto handle = openOn(mixer);
    ASSERT_EQ(handle->setValues(ids.fader, 2, 0, {70000, 0xFFFFFFFFu}), error::ok);
    EXPECT_EQ(mixer.values(ids.fader), (std::vector<std::uint32_t>{65535, 65535}));
    ASSERT_EQ(handle->setValues(ids.sign, 2, 0, {static_cast<std::uint32_t>(-500), 50}), error::ok);
    EXPECT_EQ(mixer.values(ids.sign),
              (std::vector<std::uint32_t>{static_cast<std::uint32_t>(-100), 50}));
    ASSERT_EQ(handle->setValues(ids.mux, 1, 3, {0, 7, 0}), error::ok);
    EXPECT_EQ(mixer.values(ids.mux), (std::vector<std::uint32_t>{0, 0, 1, 1, 0, 0}));
}

TEST(BenchMixerValues, MisshapenRequestsAreRefusedAndChangeNothing) {
    BenchMixer mixer(layoutSpec());
    auto ids = idsOf(mixer);
    ids.uniform = ids.fader + 1;
    auto handle = openOn(mixer);
    struct Case {
        const char* what;
        std::uint32_t id, channels, items;
        std::vector<std::uint32_t> values;
        MMResult expected;
    };
    const Case cases[] = {
        {"unknown control", 4711, 1, 0, {1}, error::badControlId},
        {"control 0", 0, 1, 0, {1}, error::badControlId},
        {"three channels on stereo", ids.fader, 3, 0, {1, 2, 3}, error::invalidParam},
        {"too few values", ids.fader, 2, 0, {1}, error::invalidParam},
        {"items on a plain control", ids.fader, 1, 2, {1, 2}, error::invalidParam},
        {"wrong item count", ids.mux, 1, 2, {1, 0}, error::invalidParam},
        {"two values on a uniform control", ids.uniform, 2, 0, {1, 2}, error::invalidParam},
    };
    for (const auto& c : cases) {
        const auto before = mixer.values(c.id);
        EXPECT_EQ(handle->setValues(c.id, c.channels, c.items, c.values), c.expected) << c.what;
        EXPECT_EQ(mixer.values(c.id), before) << c.what;
    }
    const auto writes = mixer.writes();
    ASSERT_EQ(writes.size(), std::size(cases));
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].controlId, cases[i].id);
        EXPECT_EQ(writes[i].result, cases[i].expected);
    }
    std::vector<std::uint32_t> v;
    EXPECT_EQ(handle->getValues(ids.mux, 1, 0, v), error::invalidParam);
    EXPECT_EQ(handle->getValues(ids.fader, 3, 0, v), error::invalidParam);
    std::vector<MixerControl> controls;
    EXPECT_EQ(handle->lineControls(0xABCDEF, controls), error::badLineId);
}

// A program on the bench switches the line-input gain as often as the
// signal asks, for days: the log of writes keeps the latest only.
TEST(BenchMixerValues, TheLogOfWritesKeepsTheMostRecentOnly) {
    BenchMixer mixer(layoutSpec());
    const auto ids = idsOf(mixer);
    auto handle = openOn(mixer);
    for (std::uint32_t level = 0; level < 10000; ++level)
        ASSERT_EQ(handle->setValues(ids.fader, 2, 0, {level, level}), error::ok);
    const auto writes = mixer.writes();
    ASSERT_EQ(writes.size(), 64u);
    EXPECT_EQ(writes.front().values, (std::vector<std::uint32_t>{9936, 9936}));
    EXPECT_EQ(writes.back().values, (std::vector<std::uint32_t>{9999, 9999}));
}

TEST(BenchMixerNotify, EveryChangeReachesEveryOpenHandleWithItsOwnIdentity) {
    BenchMixer mixer(layoutSpec());
    const auto ids = idsOf(mixer);
    MixerRecorder first, second;
    auto a = openOn(mixer, &first);
    auto b = openOn(mixer, &second);
    EXPECT_EQ(mixer.openHandles(), 2);

    ASSERT_EQ(a->setValues(ids.fader, 1, 0, {5}), error::ok);
    ASSERT_EQ(mixer.setValues(ids.mono, {6}), error::ok);
    deliverPosted();
    for (auto* r : {&first, &second}) {
        ASSERT_EQ(r->seen.size(), 2u);
        EXPECT_EQ(r->seen[0].message, message::mixerControlChange);
        EXPECT_EQ(r->seen[0].param, ids.fader);
        EXPECT_EQ(r->seen[1].param, ids.mono);
    }
    EXPECT_EQ(first.seen[0].device, static_cast<const void*>(a.get()));
    EXPECT_EQ(second.seen[0].device, static_cast<const void*>(b.get()));

    // A refused request posts nothing; a closed handle gets nothing more.
    EXPECT_NE(b->setValues(ids.fader, 3, 0, {1, 2, 3}), error::ok);
    a.reset();
    EXPECT_EQ(mixer.openHandles(), 1);
    ASSERT_EQ(b->setValues(ids.fader, 1, 0, {9}), error::ok);
    deliverPosted();
    EXPECT_EQ(first.seen.size(), 2u);
    ASSERT_EQ(second.seen.size(), 3u);
    EXPECT_EQ(second.seen[2].param, ids.fader);
}

TEST(BenchMixerNotify, AHandleOutlivingItsMixerStillAnswersWithoutCrashing) {
    std::unique_ptr<Mixer> handle;
    MixerRecorder target;
    std::uint32_t id = 0;
    {
        BenchMixer mixer(layoutSpec());
        id = idsOf(mixer).fader;
        handle = openOn(mixer, &target);
    }
    EXPECT_EQ(handle->setValues(id, 1, 0, {1}), error::ok);
    handle.reset();
    deliverPosted();
    EXPECT_EQ(target.seen.size(), 1u);
}

TEST(BenchMixerFaults, InjectedFaultsFailTheirOperationOnly) {
    auto spec = layoutSpec();
    spec.destinations[0].sources[0].controls[0].failsToRead = true;
    spec.destinations[0].sources[0].controls[2].failsToApply = true;
    spec.destinations[0].sources[1].failsToRead = true;
    spec.destinations[0].sources[2].controlsFailToRead = true;
    BenchMixer mixer(spec);
    const auto ids = idsOf(mixer);
    auto handle = openOn(mixer);

    std::vector<std::uint32_t> v;
    EXPECT_NE(handle->getValues(ids.fader, 2, 0, v), error::ok);
    EXPECT_EQ(handle->setValues(ids.fader, 2, 0, {1, 2}), error::ok);
    EXPECT_EQ(handle->getValues(ids.sign, 2, 0, v), error::ok);
    EXPECT_NE(handle->setValues(ids.sign, 2, 0, {1, 2}), error::ok);
    ASSERT_EQ(mixer.writes().size(), 2u);
    EXPECT_EQ(mixer.writes()[0].result, error::ok);
    EXPECT_NE(mixer.writes()[1].result, error::ok);
    EXPECT_EQ(mixer.values(ids.sign), (std::vector<std::uint32_t>{0, 0}));

    MixerLine line;
    EXPECT_NE(handle->lineInfo(0, 1, line), error::ok);
    ASSERT_EQ(handle->lineInfo(0, 2, line), error::ok);
    std::vector<MixerControl> controls;
    EXPECT_NE(handle->lineControls(line.lineId, controls), error::ok);
    ASSERT_EQ(handle->lineInfo(0, 0, line), error::ok);
    EXPECT_EQ(handle->lineControls(line.lineId, controls), error::ok);

    spec.capsFail = true;
    spec.openFails = true;
    BenchMixer broken(spec);
    MixerCaps caps;
    EXPECT_NE(broken.caps(caps), error::ok);
    std::unique_ptr<Mixer> none;
    EXPECT_NE(broken.open(nullptr, none), error::ok);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(broken.openHandles(), 0);
}

// What the signal path sees of each setting of the default bench.
TEST(BenchMixerLevels, FollowTheSettingsOfTheDefaultBench) {
    BenchMixer mixer(defaultBenchMixerSpec());
    auto handle = openOn(mixer);
    const auto master = mixer.findControl(lineType::destinationSpeakers, controlType::volume);
    const auto mute = mixer.findControl(lineType::destinationSpeakers, controlType::mute);
    const auto waveOut = mixer.findControl(lineType::sourceWaveOut, controlType::volume);
    const auto line =
        mixer.findControl(lineType::sourceLine, controlType::volume, lineType::destinationWaveIn);
    const auto mux = mixer.findControl(lineType::destinationWaveIn, controlType::mux);

    ASSERT_EQ(handle->setValues(master, 2, 0, {65535, 65535}), error::ok);
    ASSERT_EQ(handle->setValues(waveOut, 2, 0, {32768, 32768}), error::ok);
    ASSERT_EQ(handle->setValues(line, 1, 0, {35535}), error::ok);
    auto levels = mixer.signalLevels();
    EXPECT_DOUBLE_EQ(levels.master, 1.0);
    EXPECT_DOUBLE_EQ(levels.waveOut, 32768.0 / 65535.0);
    EXPECT_DOUBLE_EQ(levels.lineRecording, 35535.0 / 65535.0);
    EXPECT_FALSE(levels.lineSelected);

    ASSERT_EQ(handle->setValues(mux, 1, 5, {1, 0, 0, 0, 0}), error::ok);
    EXPECT_TRUE(mixer.signalLevels().lineSelected);
    ASSERT_EQ(handle->setValues(mux, 1, 5, {0, 0, 1, 0, 0}), error::ok);
    EXPECT_FALSE(mixer.signalLevels().lineSelected);

    ASSERT_EQ(handle->setValues(mute, 1, 0, {1}), error::ok);
    EXPECT_EQ(mixer.signalLevels().master, 0.0);
    ASSERT_EQ(handle->setValues(mute, 1, 0, {0}), error::ok);
    EXPECT_DOUBLE_EQ(mixer.signalLevels().master, 1.0);
}

LineSpec lineOf(std::uint32_t type, std::vector<ControlSpec> controls, std::uint32_t channels = 2) {
    LineSpec line;
    line.componentType = type;
    line.channels = channels;
    line.controls = std::move(controls);
    return line;
}

ControlSpec levelAt(std::uint32_t value) {
    ControlSpec c;
    c.values = {value, value};
    return c;
}

TEST(BenchMixerLevels, OtherShapesOfCard) {
    struct Case {
        const char* what;
        std::vector<DestinationSpec> destinations;
        SignalLevels expected;
    };
    ControlSpec muteOn;
    muteOn.type = controlType::mute;
    muteOn.values = {1, 1};
    const Case cases[] = {
        {"no lines at all: nothing attenuates", {}, {1.0, 1.0, 1.0, true}},
        {"levels without controls are full",
         {{lineOf(lineType::destinationSpeakers, {}), {lineOf(lineType::sourceWaveOut, {})}},
          {lineOf(lineType::destinationWaveIn, {}), {lineOf(lineType::sourceLine, {})}}},
         {1.0, 1.0, 1.0, true}},
        {"recording destination level acts on the line",
         {{lineOf(lineType::destinationWaveIn, {levelAt(13107)}),
           {lineOf(lineType::sourceLine, {levelAt(32767)})}}},
         {1.0, 1.0, 0.2 * 32767.0 / 65535.0, true}},
        {"line without level, destination level stands",
         {{lineOf(lineType::destinationWaveIn, {levelAt(13107)}),
           {lineOf(lineType::sourceMicrophone, {}), lineOf(lineType::sourceLine, {})}}},
         {1.0, 1.0, 0.2, true}},
        {"recording without a line input records no line",
         {{lineOf(lineType::destinationWaveIn, {}), {lineOf(lineType::sourceMicrophone, {})}}},
         {1.0, 1.0, 0.0, false}},
        {"muted wave-out, mono",
         {{lineOf(lineType::destinationSpeakers, {levelAt(65535)}),
           {lineOf(lineType::sourceWaveOut, {levelAt(65535), muteOn}, 1)}}},
         {0.0, 1.0, 1.0, true}},
    };
    for (const auto& c : cases) {
        MixerSpec spec;
        spec.destinations = c.destinations;
        BenchMixer mixer(spec);
        const auto levels = mixer.signalLevels();
        EXPECT_DOUBLE_EQ(levels.waveOut, c.expected.waveOut) << c.what;
        EXPECT_DOUBLE_EQ(levels.master, c.expected.master) << c.what;
        EXPECT_NEAR(levels.lineRecording, c.expected.lineRecording, 1e-12) << c.what;
        EXPECT_EQ(levels.lineSelected, c.expected.lineSelected) << c.what;
    }
}

// The bench's audio thread reads the levels while the GUI thread sets them.
TEST(BenchMixerThreads, LevelsAreReadSafelyWhileControlsChange) {
    BenchMixer mixer(defaultBenchMixerSpec());
    const auto line =
        mixer.findControl(lineType::sourceLine, controlType::volume, lineType::destinationWaveIn);
    auto handle = openOn(mixer);
    std::atomic<bool> stop{false};
    std::atomic<int> outOfRange{0};
    std::thread reader([&] {
        while (!stop) {
            const auto levels = mixer.signalLevels();
            if (levels.lineRecording < 0.0 || levels.lineRecording > 1.0) ++outOfRange;
        }
    });
    for (std::uint32_t i = 0; i < 2000; ++i)
        ASSERT_EQ(handle->setValues(line, 1, 0, {i * 30}), error::ok);
    stop = true;
    reader.join();
    EXPECT_EQ(outOfRange, 0);
    EXPECT_DOUBLE_EQ(mixer.signalLevels().lineRecording, 1999.0 * 30.0 / 65535.0);
    QCoreApplication::removePostedEvents(nullptr, DeviceEvent::eventType());
}

} // namespace
