#include "mixer/MixerSetUp.h"

#include "core/SharedState.h"
#include "mixer/AudioMixer.h"
#include "mixer/MixerTestCard.h"

namespace {

using namespace mixertest;

using MixerSetUpTest = MixerCardTest;

std::uint32_t levelOn(const BenchMixer& bench, std::uint32_t line, std::uint32_t destination) {
    const auto id = bench.findControl(line, controlType::volume, destination);
    EXPECT_NE(id, 0u) << line;
    return bench.values(id).at(0);
}

// What the measurement needs of the default bench after start-up.
TEST_F(MixerSetUpTest, DefaultBenchEndsReadyForTheMeasurement) {
    auto& card = install({defaultBenchMixerSpec()});
    auto& bench = *card.mixers[0];
    TAudioMixer mixer;
    SetUpMixer(mixer);
    ASSERT_TRUE(mixer.IsOpen);

    using namespace lineType;
    struct Level {
        std::uint32_t line, destination, value;
    };
    const Level levels[] = {
        {sourceLine, destinationWaveIn, 65535},
        {sourceTelephone, destinationWaveIn, 0},
        {sourceCompactDisc, destinationWaveIn, 0},
        {sourceAuxiliary, destinationWaveIn, 0},
        {sourceMicrophone, destinationWaveIn, 0},
        {sourceWaveOut, destinationSpeakers, 65535},
        {destinationSpeakers, destinationSpeakers, 65535},
    };
    for (const auto& l : levels) {
        const auto id = bench.findControl(l.line, controlType::volume, l.destination);
        ASSERT_NE(id, 0u) << l.line;
        for (auto v : bench.values(id))
            EXPECT_EQ(v, l.value) << std::hex << l.line;
    }
    const auto mux = bench.findControl(destinationWaveIn, controlType::mux);
    EXPECT_EQ(bench.values(mux), (std::vector<std::uint32_t>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    const auto signal = bench.signalLevels();
    EXPECT_TRUE(signal.lineSelected);
    EXPECT_DOUBLE_EQ(signal.lineRecording, 1.0);
    EXPECT_DOUBLE_EQ(signal.waveOut, 1.0);
    EXPECT_DOUBLE_EQ(signal.master, 1.0);
    // The playback side's own line, CD, microphone and aux levels are left alone.
    EXPECT_EQ(levelOn(bench, sourceLine, destinationSpeakers), 20000u);
}

// The order of the writes: selection, then the levels in their documented order,
// each level set left then right, the line input right then left.
TEST_F(MixerSetUpTest, WritesComeInTheDocumentedOrder) {
    auto& card = install({defaultBenchMixerSpec()});
    auto& bench = *card.mixers[0];
    TAudioMixer mixer;
    SetUpMixer(mixer);
    using namespace lineType;
    const auto rec = destinationWaveIn;
    const std::uint32_t expectedIds[] = {
        bench.findControl(rec, controlType::mux),
        bench.findControl(sourceWaveOut, controlType::volume),
        bench.findControl(sourceWaveOut, controlType::volume),
        bench.findControl(destinationSpeakers, controlType::volume),
        bench.findControl(destinationSpeakers, controlType::volume),
        bench.findControl(sourceTelephone, controlType::volume, rec),
        bench.findControl(sourceTelephone, controlType::volume, rec),
        bench.findControl(sourceCompactDisc, controlType::volume, rec),
        bench.findControl(sourceCompactDisc, controlType::volume, rec),
        bench.findControl(sourceAuxiliary, controlType::volume, rec),
        bench.findControl(sourceAuxiliary, controlType::volume, rec),
        bench.findControl(sourceMicrophone, controlType::volume, rec),
        bench.findControl(sourceMicrophone, controlType::volume, rec),
        bench.findControl(sourceLine, controlType::volume, rec),
        bench.findControl(sourceLine, controlType::volume, rec),
    };
    const auto writes = bench.writes();
    ASSERT_GE(writes.size(), std::size(expectedIds));
    for (std::size_t i = 0; i < writes.size(); ++i) {
        // After the documented levels only switches are switched on.
        const bool documented = i < std::size(expectedIds);
        EXPECT_EQ(writes[i].controlId,
                  documented ? expectedIds[i]
                             : bench.findControl(destinationSpeakers, controlType::mute))
            << i;
        if (!documented) {
            EXPECT_EQ(writes[i].values, std::vector<std::uint32_t>(writes[i].values.size(), 0))
                << i;
        }
        EXPECT_EQ(writes[i].result, error::ok) << i;
    }
    // Wave-out: left first (the right channel still at its old level), then right.
    EXPECT_EQ(writes[1].values, (std::vector<std::uint32_t>{65535, 30000}));
    EXPECT_EQ(writes[2].values, (std::vector<std::uint32_t>{65535, 65535}));
    // The uniform line level takes its one value from the first channel: the
    // right-channel call sends the old level, the left-channel call the new one.
    EXPECT_EQ(writes[13].values, (std::vector<std::uint32_t>{30000}));
    EXPECT_EQ(writes[14].values, (std::vector<std::uint32_t>{65535}));
}

// Cards that lack lines or controls the set-up addresses: those steps are
// passed over, the others still run.
TEST_F(MixerSetUpTest, MissingLinesAndControlsArePassedOver) {
    using namespace lineType;
    struct Case {
        const char* what;
        MixerSpec card;
        // Expected first-channel levels after the set-up: (line, destination) -> value.
        std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> levels;
        bool lineSelected;
    };
    const Case cases[] = {
        {"no recording destination at all",
         cardOf({destinationOf(lineOf(destinationSpeakers, {fader(0, {9, 9})}),
                               {lineOf(sourceWaveOut, {fader(0, {9, 9})})})}),
         {{destinationSpeakers, destinationSpeakers, 65535}, {sourceWaveOut, 0, 65535}},
         true},
        {"no playback side, no telephone, no selector; the line level is still set",
         cardOf({destinationOf(lineOf(destinationWaveIn, {}),
                               {lineOf(sourceMicrophone, {fader(0, {9, 9})}),
                                lineOf(sourceLine, {fader(0, {9, 9})})})}),
         {{sourceMicrophone, 0, 0}, {sourceLine, 0, 65535}},
         true},
        {"line input without a level: the recording destination's level stands in",
         cardOf({destinationOf(lineOf(destinationWaveIn, {selector(3), fader(0, {9, 9})}),
                               {lineOf(sourceCompactDisc, {fader(0, {9, 9})}),
                                lineOf(sourceLine, {}),
                                lineOf(sourceMicrophone, {fader(0, {9, 9})})})}),
         {{destinationWaveIn, destinationWaveIn, 65535},
          {sourceCompactDisc, 0, 0},
          {sourceMicrophone, 0, 0}},
         true},
        {"no line input: nothing is selected, the other inputs are silenced",
         cardOf({destinationOf(lineOf(destinationWaveIn, {selector(2), fader(0, {9, 9})}),
                               {lineOf(sourceCompactDisc, {fader(0, {9, 9})}),
                                lineOf(sourceAuxiliary, {fader(0, {9, 9})})})}),
         {{destinationWaveIn, destinationWaveIn, 9},
          {sourceCompactDisc, 0, 0},
          {sourceAuxiliary, 0, 0}},
         false},
        {"a level that cannot be written does not stop the later steps",
         [] {
             auto broken = fader(0, {9, 9});
             broken.failsToApply = true;
             return cardOf({destinationOf(lineOf(destinationSpeakers, {broken}),
                                          {lineOf(sourceWaveOut, {broken})}),
                            destinationOf(lineOf(destinationWaveIn, {selector(1)}),
                                          {lineOf(sourceLine, {fader(0, {9, 9})})})});
         }(),
         {{destinationSpeakers, 0, 9}, {sourceWaveOut, 0, 9}, {sourceLine, 0, 65535}},
         true},
    };
    for (const auto& c : cases) {
        auto& card = install({c.card});
        auto& bench = *card.mixers[0];
        TAudioMixer mixer;
        EXPECT_NO_THROW(SetUpMixer(mixer)) << c.what;
        for (const auto& [line, destination, value] : c.levels)
            EXPECT_EQ(levelOn(bench, line, destination), value)
                << c.what << " " << std::hex << line;
        EXPECT_EQ(bench.signalLevels().lineSelected, c.lineSelected) << c.what;
    }
}

TEST_F(MixerSetUpTest, NoMixerRaisesBeforeTouchingAnything) {
    install({});
    TAudioMixer mixer;
    try {
        SetUpMixer(mixer);
        ADD_FAILURE() << "no exception";
    } catch (const EMixerID& e) {
        EXPECT_EQ(e.message(), "No mixer device present in this system.");
    }
}

TEST_F(MixerSetUpTest, VolumesAreSavedAndRestoredInTheirOrder) {
    auto& card = install({defaultBenchMixerSpec()});
    card.volumes = {0x11110000u, 0x1, 0x2, 0x3, 0x4, 0x5};
    card.volumeFails[4] = true; // aux 4 has no volume
    SharedState state;
    state.savedAuxVolume4 = 0xABCD;
    SaveVolumes(state);
    using V = VolumeDevice;
    const std::vector<MixerCard::VolumeCall> reads = {{false, V::waveOut0, 0x11110000u},
                                                      {false, V::aux3, 3},
                                                      {false, V::aux2, 2},
                                                      {false, V::aux4, 4},
                                                      {false, V::aux1, 1},
                                                      {false, V::aux5, 5}};
    EXPECT_EQ(card.volumeCalls, reads);
    EXPECT_EQ(state.savedWaveOutVolume, 0x11110000u);
    EXPECT_EQ(state.savedAuxVolume1, 1u);
    EXPECT_EQ(state.savedAuxVolume2, 2u);
    EXPECT_EQ(state.savedAuxVolume3, 3u);
    EXPECT_EQ(state.savedAuxVolume4, 0xABCDu); // unreadable: kept
    EXPECT_EQ(state.savedAuxVolume5, 5u);

    card.volumes = {7, 7, 7, 7, 7, 7};
    card.volumeCalls.clear();
    RestoreVolumes(state);
    const std::vector<MixerCard::VolumeCall> writes = {
        {true, V::waveOut0, 0x11110000u}, {true, V::aux3, 3}, {true, V::aux2, 2},
        {true, V::aux4, 0xABCD},          {true, V::aux1, 1}, {true, V::aux5, 5}};
    EXPECT_EQ(card.volumeCalls, writes);
    EXPECT_EQ(card.volumes, (std::array<std::uint32_t, 6>{0x11110000u, 1, 2, 3, 7, 5}));
}

TEST_F(MixerSetUpTest, MixerApplicationIsLaunchedThroughTheSoundCard) {
    auto& card = install({});
    LaunchMixerApplication();
    LaunchMixerApplication();
    EXPECT_EQ(card.launches, 2);
    installSoundCard(nullptr);
    LaunchMixerApplication(); // no sound card layer: nothing happens
}

} // namespace
