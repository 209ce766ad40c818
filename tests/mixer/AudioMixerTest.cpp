#include "mixer/AudioMixer.h"

#include "mixer/MixerTestCard.h"

#include <QCoreApplication>
#include <optional>

namespace {

using namespace mixertest;

using AudioMixerTest = MixerCardTest;

void deliverPosted() {
    QCoreApplication::sendPostedEvents();
}

// The writes the device received for one control.
std::vector<BenchMixer::Write> writesTo(const BenchMixer& bench, std::uint32_t controlId) {
    std::vector<BenchMixer::Write> out;
    for (const auto& w : bench.writes())
        if (w.controlId == controlId) out.push_back(w);
    return out;
}

// The default bench: two destinations, every slot the set-up needs.
TEST_F(AudioMixerTest, DefaultBenchFillsTheSlotsTheSetUpNeeds) {
    install({defaultBenchMixerSpec()});
    TAudioMixer mixer;
    EXPECT_EQ(mixer.DeviceCount, 1);
    mixer.OpenMixer();
    ASSERT_TRUE(mixer.IsOpen);
    EXPECT_EQ(mixer.ProductName, "ZO7 bench mixer");
    ASSERT_EQ(mixer.Destinations.size(), 2u);

    struct Slot {
        const char* name;
        TSource* found;
        std::int32_t d, s; // d = -1: must be empty
        std::int32_t sourceIndex;
    };
    const Slot slotTable[] = {
        {"PlaybackDestination", mixer.PlaybackDestination, 0, -1, -1},
        {"RecordingDestination", mixer.RecordingDestination, 1, -1, -1},
        {"VoiceDestination", mixer.VoiceDestination, -1, 0, -1},
        {"WaveOutSource", mixer.WaveOutSource, 0, 0, -1},
        {"LineSource", mixer.LineSource, 0, 1, -1},
        {"CDSource", mixer.CDSource, 0, 2, -1},
        {"MicrophoneSource", mixer.MicrophoneSource, 0, 3, -1},
        {"AuxSource", mixer.AuxSource, 0, 4, -1},
        {"LineRecordingSource", mixer.LineRecordingSource, 1, 0, 0},
        {"MicrophoneRecordingSource", mixer.MicrophoneRecordingSource, 1, 1, 1},
        {"CDRecordingSource", mixer.CDRecordingSource, 1, 2, 2},
        {"AuxRecordingSource", mixer.AuxRecordingSource, 1, 3, 3},
        {"TelephoneRecordingSource", mixer.TelephoneRecordingSource, 1, 4, 4},
        {"TelephoneSource", mixer.TelephoneSource, -1, 0, -1},
        {"SynthesizerSource", mixer.SynthesizerSource, -1, 0, -1},
    };
    for (const auto& slot : slotTable) {
        if (slot.d < 0) {
            EXPECT_EQ(slot.found, nullptr) << slot.name;
            continue;
        }
        ASSERT_EQ(slot.found, mixer.Line(slot.d, slot.s)) << slot.name;
        EXPECT_EQ(slot.found->SourceIndex, slot.sourceIndex) << slot.name;
        // Every line the set-up sets has a level; the recording destination has its selector.
        if (slot.found != mixer.RecordingDestination) {
            EXPECT_NE(mixer.LevelVolume(slot.found), nullptr) << slot.name;
        }
    }
    EXPECT_EQ(mixer.RecordingDestination->SelectorIndex, 0);
    EXPECT_EQ(mixer.PlaybackDestination->MuteIndex, 1);
    // The model holds what the device holds: the microphone is selected.
    const auto& mux = *mixer.RecordingDestination->Controls[0];
    ASSERT_EQ(mux.Volumes.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(mux.Volumes[i]->Left, i == 1 ? 1 : 0) << i;
    EXPECT_EQ(mixer.LevelVolume(mixer.LineRecordingSource)->Left, 30000);
    EXPECT_TRUE(mixer.LevelVolume(mixer.LineRecordingSource)->Control->Uniform);
}

// Which slot a source lands in, on cards of several shapes.
TEST_F(AudioMixerTest, SlotRuleOnSeveralShapes) {
    using namespace lineType;
    using SlotOf = TSource* TAudioMixer::*;
    struct Expect {
        SlotOf slot;
        std::int32_t d, s; // d = -1: empty
    };
    struct Case {
        const char* what;
        MixerSpec card;
        std::vector<Expect> expected;
    };
    const Case cases[] = {
        {"a second line source after the recording destination replaces the recording line, "
         "a second microphone does not",
         cardOf({destinationOf(lineOf(destinationWaveIn),
                               {lineOf(sourceLine), lineOf(sourceMicrophone)}),
                 destinationOf(lineOf(destinationVoiceIn),
                               {lineOf(sourceMicrophone), lineOf(sourceLine)})}),
         {{&TAudioMixer::LineRecordingSource, 1, 1},
          {&TAudioMixer::MicrophoneRecordingSource, 0, 1},
          {&TAudioMixer::LineSource, -1, 0},
          {&TAudioMixer::MicrophoneSource, -1, 0}}},
        {"before any recording destination the second of a kind takes the recording slot",
         cardOf({destinationOf(lineOf(destinationSpeakers),
                               {lineOf(sourceLine), lineOf(sourceLine), lineOf(sourceMicrophone),
                                lineOf(sourceMicrophone), lineOf(sourceMicrophone)})}),
         {{&TAudioMixer::LineSource, 0, 0},
          {&TAudioMixer::LineRecordingSource, 0, 1},
          {&TAudioMixer::MicrophoneSource, 0, 2},
          {&TAudioMixer::MicrophoneRecordingSource, 0, 3}}},
        {"synthesizer only while no recording destination is known; wave-out first found",
         cardOf({destinationOf(lineOf(destinationWaveIn), {lineOf(sourceSynthesizer)}),
                 destinationOf(lineOf(destinationSpeakers),
                               {lineOf(sourceSynthesizer), lineOf(sourceWaveOut),
                                lineOf(sourceWaveOut), lineOf(sourcePcSpeaker)})}),
         {{&TAudioMixer::SynthesizerSource, -1, 0},
          {&TAudioMixer::WaveOutSource, 1, 1},
          {&TAudioMixer::PCSpeakerSource, 1, 3}}},
        {"CD, telephone, aux and analog on the recording side",
         cardOf({destinationOf(lineOf(destinationWaveIn),
                               {lineOf(sourceCompactDisc), lineOf(sourceTelephone),
                                lineOf(sourceAuxiliary), lineOf(sourceAnalog)})}),
         {{&TAudioMixer::CDRecordingSource, 0, 0},
          {&TAudioMixer::TelephoneRecordingSource, 0, 1},
          {&TAudioMixer::AuxRecordingSource, 0, 2},
          {&TAudioMixer::AnalogRecordingSource, 0, 3},
          {&TAudioMixer::CDSource, -1, 0}}},
    };
    for (const auto& c : cases) {
        install({c.card});
        TAudioMixer mixer;
        mixer.OpenMixer();
        for (const auto& e : c.expected) {
            TSource* found = mixer.*(e.slot);
            if (e.d < 0) {
                EXPECT_EQ(found, nullptr) << c.what;
                continue;
            }
            EXPECT_EQ(found, mixer.Line(e.d, e.s)) << c.what << " at " << e.d << "/" << e.s;
        }
        if (mixer.LineRecordingSource) {
            EXPECT_EQ(mixer.LineRecordingSource->SourceIndex, 1) << c.what;
        }
    }
}

TEST_F(AudioMixerTest, DestinationSlotsTakeTheFirstOfTheirKind) {
    using namespace lineType;
    install({cardOf({destinationOf(lineOf(destinationHeadphones), {}),
                     destinationOf(lineOf(destinationSpeakers), {}),
                     destinationOf(lineOf(destinationWaveIn), {}),
                     destinationOf(lineOf(destinationWaveIn), {}),
                     destinationOf(lineOf(destinationVoiceIn), {}),
                     destinationOf(lineOf(destinationVoiceIn), {})})});
    TAudioMixer mixer;
    mixer.OpenMixer();
    EXPECT_EQ(mixer.PlaybackDestination, mixer.Line(0, -1));
    EXPECT_EQ(mixer.RecordingDestination, mixer.Line(2, -1));
    EXPECT_EQ(mixer.VoiceDestination, mixer.Line(4, -1));
}

// The line input as the third recording source: its multiplexer item gets the
// maximum, every other item 0.
TEST_F(AudioMixerTest, SelectSourceSwitchesExactlyOneInputOn) {
    using namespace lineType;
    struct Case {
        const char* what;
        ControlSpec mux;
        std::uint32_t channelsSent;
        std::vector<std::uint32_t> sent;
    };
    auto startsOnMicAndAux = [](ControlSpec mux) {
        mux.values = mux.flags & controlFlag::uniform
                         ? std::vector<std::uint32_t>{1, 0, 0, 1, 0, 0, 0, 0}
                         : std::vector<std::uint32_t>{1, 1, 0, 0, 0, 0, 1, 1};
        return mux;
    };
    const Case cases[] = {
        {"uniform multiplexer", startsOnMicAndAux(selector(4)), 1, {0, 0, 1, 0}},
        {"multiplexer with a value per channel",
         startsOnMicAndAux(selector(4, 0)),
         2,
         {0, 0, 0, 0, 1, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        auto& card =
            install({cardOf({destinationOf(lineOf(destinationWaveIn, {fader(), c.mux}),
                                           {lineOf(sourceMicrophone), lineOf(sourceCompactDisc),
                                            lineOf(sourceLine), lineOf(sourceAuxiliary)})})});
        TAudioMixer mixer;
        mixer.OpenMixer();
        ASSERT_NE(mixer.LineRecordingSource, nullptr);
        ASSERT_EQ(mixer.LineRecordingSource->SourceIndex, 2) << c.what;
        auto& bench = *card.mixers[0];
        const auto muxId = mixer.RecordingDestination->Controls[1]->ControlID;

        mixer.SelectSource(mixer.RecordingDestination, mixer.LineRecordingSource->SourceIndex);
        const auto writes = writesTo(bench, muxId);
        ASSERT_EQ(writes.size(), 1u) << c.what;
        EXPECT_EQ(writes[0].channels, c.channelsSent) << c.what;
        EXPECT_EQ(writes[0].items, 4u) << c.what;
        EXPECT_EQ(writes[0].values, c.sent) << c.what;
        const auto& volumes = mixer.RecordingDestination->Controls[1]->Volumes;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(volumes[i]->Left, i == 2 ? 1 : 0) << c.what << i;

        // An item the multiplexer does not have changes nothing.
        mixer.SelectSource(mixer.RecordingDestination, 4);
        mixer.SelectSource(mixer.RecordingDestination, -1);
        EXPECT_EQ(writesTo(bench, muxId).size(), 1u) << c.what;
    }
}

// Setting one item of a list: a single-select list switches the other items
// off, a multiple-select list keeps them.
TEST_F(AudioMixerTest, ListItemsOfSelectorsAndMultipleSelects) {
    using namespace lineType;
    struct Case {
        std::uint32_t type;
        std::vector<std::uint32_t> sent;
    };
    const Case cases[] = {
        {controlType::singleSelect, {0, 0, 1}}, {0x71010001u, {1, 0, 1}}, // multiple-select list
    };
    for (const auto& c : cases) {
        auto list = selector(3, controlFlag::uniform, c.type);
        list.values = {1, 1, 0, 0, 0, 0};
        auto& card = install({cardOf({destinationOf(
            lineOf(destinationWaveIn, {list}),
            {lineOf(sourceLine), lineOf(sourceCompactDisc), lineOf(sourceMicrophone)})})});
        TAudioMixer mixer;
        mixer.OpenMixer();
        auto* control = mixer.RecordingDestination->Controls[0].get();
        mixer.SetLeft(control->Volumes[2].get(), 1);
        ASSERT_EQ(card.mixers[0]->writes().size(), 1u) << c.type;
        EXPECT_EQ(card.mixers[0]->writes().back().values, c.sent) << c.type;
        EXPECT_EQ(control->Volumes[0]->Left, static_cast<std::int64_t>(c.sent[0])) << c.type;
    }
}

// A uniform stereo fader receives one value, a non-uniform one two, a mono one one.
TEST_F(AudioMixerTest, FadersReceiveOneValuePerIndependentChannel) {
    using namespace lineType;
    auto& card = install({cardOf({destinationOf(
        lineOf(destinationSpeakers), {lineOf(sourceLine, {fader(controlFlag::uniform, {500, 500})}),
                                      lineOf(sourceCompactDisc, {fader(0, {500, 600})}),
                                      lineOf(sourceMicrophone, {fader(0, {500})}, 1)})})});
    TAudioMixer mixer;
    mixer.OpenMixer();
    struct Case {
        const char* what;
        TSource* line;
        std::uint32_t channels;
        std::vector<std::uint32_t> afterRight, afterLeft, stored;
    };
    const Case cases[] = {
        {"uniform stereo", mixer.LineSource, 1, {500}, {1000}, {1000, 1000}},
        {"independent stereo", mixer.CDSource, 2, {500, 2000}, {1000, 2000}, {1000, 2000}},
        {"mono", mixer.MicrophoneSource, 1, {500}, {1000}, {1000}},
    };
    auto& bench = *card.mixers[0];
    for (const auto& c : cases) {
        ASSERT_NE(c.line, nullptr) << c.what;
        auto* volume = mixer.LevelVolume(c.line);
        ASSERT_NE(volume, nullptr) << c.what;
        mixer.SetRight(volume, 2000);
        mixer.SetLeft(volume, 1000);
        const auto writes = writesTo(bench, volume->Control->ControlID);
        ASSERT_EQ(writes.size(), 2u) << c.what;
        EXPECT_EQ(writes[0].channels, c.channels) << c.what;
        EXPECT_EQ(writes[0].values, c.afterRight) << c.what;
        EXPECT_EQ(writes[1].values, c.afterLeft) << c.what;
        EXPECT_EQ(bench.values(volume->Control->ControlID), c.stored) << c.what;
    }
}

TEST_F(AudioMixerTest, SetMixerIdAcceptsOnlyDevicesTheMachineHas) {
    struct Case {
        int devices;
        int id;
        std::optional<std::string> error;
    };
    const Case cases[] = {
        {2, 5, "MixerID maximum for this machine: 1"},
        {2, 2, "MixerID maximum for this machine: 1"},
        {2, -1, "MixerID maximum for this machine: 1"},
        {1, 3, "MixerID maximum for this machine: 0"},
        {2, 1, std::nullopt},
        {2, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        std::vector<MixerSpec> specs;
        for (int i = 0; i < c.devices; ++i)
            specs.push_back(cardOf({destinationOf(lineOf(lineType::destinationSpeakers), {})},
                                   "mixer " + std::to_string(i)));
        auto& card = install(specs);
        TAudioMixer mixer;
        mixer.OpenMixer();
        ASSERT_TRUE(mixer.IsOpen);
        if (c.error) {
            try {
                mixer.SetMixerID(c.id);
                ADD_FAILURE() << "no exception for " << c.id;
            } catch (const EMixerID& e) {
                EXPECT_EQ(e.message(), *c.error);
            }
            EXPECT_EQ(mixer.MixerID(), 0);
        } else {
            mixer.SetMixerID(c.id);
            EXPECT_EQ(mixer.MixerID(), c.id);
            mixer.OpenMixer();
            EXPECT_EQ(mixer.ProductName, "mixer " + std::to_string(c.id));
            mixer.SetMixerID(c.id);
        }
        // Either way the device was closed.
        EXPECT_FALSE(mixer.IsOpen);
        EXPECT_EQ(card.mixers[0]->openHandles(), 0);
    }
}

TEST_F(AudioMixerTest, OpenFailuresRaiseTheirExceptions) {
    auto good = cardOf({destinationOf(lineOf(lineType::destinationSpeakers), {})});
    auto capsFail = good;
    capsFail.capsFail = true;
    auto openFail = good;
    openFail.openFails = true;
    struct Case {
        std::vector<MixerSpec> card;
        int id;
        std::string kind;
        std::string message;
    };
    const Case cases[] = {
        {{}, 0, "id", "No mixer device present in this system."},
        {{capsFail}, 0, "caps", "Function mixerGetDevCaps failed. Mixer device ID: 0"},
        {{good, capsFail}, 1, "caps", "Function mixerGetDevCaps failed. Mixer device ID: 1"},
        {{openFail}, 0, "open", "Function mixerOpen failed"},
    };
    for (const auto& c : cases) {
        install(c.card);
        TAudioMixer mixer;
        if (c.id) mixer.SetMixerID(c.id);
        std::string kind, message;
        try {
            mixer.OpenMixer();
        } catch (const EMixerID& e) {
            kind = "id", message = e.message();
        } catch (const EMixerCaps& e) {
            kind = "caps", message = e.message();
        } catch (const EMixerOpen& e) {
            kind = "open", message = e.message();
        }
        EXPECT_EQ(kind, c.kind) << c.message;
        EXPECT_EQ(message, c.message);
        EXPECT_FALSE(mixer.IsOpen);
        EXPECT_EQ(mixer.Handle(), nullptr);
        EXPECT_TRUE(mixer.Destinations.empty());
    }
}

TEST_F(AudioMixerTest, NoSoundCardLayerMeansNoMixer) {
    installSoundCard(nullptr);
    TAudioMixer mixer;
    EXPECT_EQ(mixer.DeviceCount, 0);
    EXPECT_THROW(mixer.OpenMixer(), EMixerID);
}

// Failures of reading or applying mark a control not valid; it is then left alone.
TEST_F(AudioMixerTest, ControlThatFailsIsMarkedAndLaterAppliesDoNothing) {
    using namespace lineType;
    auto unreadable = fader(0, {100, 100});
    unreadable.failsToRead = true;
    auto unwritable = fader(0, {100, 100});
    unwritable.failsToApply = true;
    auto& card = install({cardOf(
        {destinationOf(lineOf(destinationSpeakers),
                       {lineOf(sourceLine, {unreadable}), lineOf(sourceCompactDisc, {unwritable}),
                        lineOf(sourceMicrophone, {fader(0, {100, 100})})})})});
    TAudioMixer mixer;
    mixer.OpenMixer();
    auto& bench = *card.mixers[0];

    auto* notRead = mixer.LevelVolume(mixer.LineSource);
    ASSERT_NE(notRead, nullptr);
    EXPECT_FALSE(notRead->Control->Valid);
    mixer.SetLeft(notRead, 5);
    mixer.SetRight(notRead, 5);
    EXPECT_TRUE(writesTo(bench, notRead->Control->ControlID).empty());

    auto* notApplied = mixer.LevelVolume(mixer.CDSource);
    ASSERT_NE(notApplied, nullptr);
    EXPECT_TRUE(notApplied->Control->Valid);
    EXPECT_EQ(notApplied->Left, 100);
    mixer.SetLeft(notApplied, 5);
    EXPECT_FALSE(notApplied->Control->Valid);
    mixer.SetLeft(notApplied, 6);
    mixer.SetRight(notApplied, 6);
    const auto attempts = writesTo(bench, notApplied->Control->ControlID);
    ASSERT_EQ(attempts.size(), 1u);
    EXPECT_NE(attempts[0].result, error::ok);

    // A valid control next to them is still served.
    auto* good = mixer.LevelVolume(mixer.MicrophoneSource);
    mixer.SetLeft(good, 7);
    EXPECT_EQ(bench.values(good->Control->ControlID), (std::vector<std::uint32_t>{7, 100}));
}

TEST_F(AudioMixerTest, UnreadableLinesStayInTheModelNotValid) {
    using namespace lineType;
    auto brokenDestination = lineOf(destinationSpeakers);
    brokenDestination.failsToRead = true;
    auto brokenSource = lineOf(sourceLine);
    brokenSource.failsToRead = true;
    auto noControlList = lineOf(sourceMicrophone, {fader(), control(controlType::mute)});
    noControlList.controlsFailToRead = true;
    install({cardOf({destinationOf(brokenDestination, {lineOf(sourceWaveOut)}),
                     destinationOf(lineOf(destinationWaveIn),
                                   {brokenSource, noControlList, lineOf(sourceCompactDisc)})})});
    TAudioMixer mixer;
    mixer.OpenMixer();
    ASSERT_TRUE(mixer.IsOpen);
    ASSERT_EQ(mixer.Destinations.size(), 2u);
    EXPECT_FALSE(mixer.Destinations[0]->Valid);
    EXPECT_TRUE(mixer.Destinations[0]->Sources.empty());
    EXPECT_EQ(mixer.PlaybackDestination, nullptr);
    EXPECT_EQ(mixer.WaveOutSource, nullptr);

    ASSERT_EQ(mixer.Destinations[1]->Sources.size(), 3u);
    const auto* line = mixer.Line(1, 0);
    EXPECT_FALSE(line->Valid);
    EXPECT_TRUE(line->Controls.empty());
    EXPECT_EQ(mixer.LineRecordingSource, nullptr);

    auto* mic = mixer.MicrophoneRecordingSource;
    ASSERT_NE(mic, nullptr);
    ASSERT_EQ(mic->Controls.size(), 2u);
    for (const auto& c : mic->Controls)
        EXPECT_FALSE(c->Valid);
    EXPECT_EQ(mic->LevelIndex, -1);
    EXPECT_EQ(mixer.LevelVolume(mic), nullptr);

    ASSERT_NE(mixer.CDRecordingSource, nullptr);
    EXPECT_NE(mixer.LevelVolume(mixer.CDRecordingSource), nullptr);
}

TEST_F(AudioMixerTest, ControlKindsAndEncodings) {
    using namespace controlType;
    struct Case {
        const char* what;
        std::vector<ControlSpec> controls;
        std::int32_t mute, level, selector;
    };
    const Case cases[] = {
        {"bass and treble are passed over",
         {control(bass), control(treble), control(volume)},
         -1,
         2,
         -1},
        {"the first of each kind",
         {control(mute), control(volume), control(mute), control(signedNumber)},
         0,
         1,
         -1},
        {"a multiplexer is a selector", {selector(1), control(treble)}, -1, -1, 0},
        {"any other type is a level", {control(bass), control(signedNumber)}, -1, 1, -1},
    };
    for (const auto& c : cases) {
        install({cardOf({destinationOf(lineOf(lineType::destinationWaveIn, c.controls),
                                       {lineOf(lineType::sourceLine)})})});
        TAudioMixer mixer;
        mixer.OpenMixer();
        const auto* line = mixer.RecordingDestination;
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->MuteIndex, c.mute) << c.what;
        EXPECT_EQ(line->LevelIndex, c.level) << c.what;
        EXPECT_EQ(line->SelectorIndex, c.selector) << c.what;
    }

    // Values in each encoding, read and written back.
    auto number = control(signedNumber, {static_cast<std::uint32_t>(-5), 3});
    number.minimum = -100;
    number.maximum = 100;
    auto big = control(volume, {0xFFFFFFF0u, 7});
    big.maximum = 0xFFFFFFFFll;
    auto& card = install({cardOf({destinationOf(
        lineOf(lineType::destinationSpeakers),
        {lineOf(lineType::sourceLine, {number}), lineOf(lineType::sourceCompactDisc, {big}),
         lineOf(lineType::sourceMicrophone, {control(mute, {1, 1}), fader()})})})});
    TAudioMixer mixer;
    mixer.OpenMixer();
    auto* signedVolume = mixer.LevelVolume(mixer.LineSource);
    EXPECT_EQ(signedVolume->Left, -5);
    EXPECT_EQ(signedVolume->Right, 3);
    mixer.SetLeft(signedVolume, -7);
    EXPECT_EQ(card.mixers[0]->writes().back().values, (std::vector<std::uint32_t>{0xFFFFFFF9u, 3}));
    auto* unsignedVolume = mixer.LevelVolume(mixer.CDSource);
    EXPECT_EQ(unsignedVolume->Left, 0xFFFFFFF0ll);
    const auto& muteControl = *mixer.MicrophoneSource->Controls[0];
    EXPECT_EQ(muteControl.Volumes[0]->Left, 1);
    mixer.SetLeft(muteControl.Volumes[0].get(), 5);
    EXPECT_EQ(card.mixers[0]->writes().back().values, (std::vector<std::uint32_t>{1, 1}));
}

// Changes made outside the program reach the model through the notification.
TEST_F(AudioMixerTest, ControlChangesAreReadBackAndReported) {
    auto& card = install({defaultBenchMixerSpec()});
    auto& bench = *card.mixers[0];
    TAudioMixer mixer;
    struct Seen {
        std::uint32_t d, s, c;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    mixer.OnMixerControlChange = [&](TAudioMixer* sender, std::uint32_t d, std::uint32_t s,
                                     std::uint32_t c) {
        EXPECT_EQ(sender, &mixer);
        seen.push_back({d, s, c});
    };
    mixer.OpenMixer();
    deliverPosted();
    seen.clear();

    const auto mute = bench.findControl(lineType::destinationSpeakers, controlType::mute);
    const auto telephone = bench.findControl(lineType::sourceTelephone, controlType::volume);
    ASSERT_EQ(bench.setValues(telephone, {1234}), error::ok);
    ASSERT_EQ(bench.setValues(mute, {1}), error::ok);
    EXPECT_EQ(mixer.LevelVolume(mixer.TelephoneRecordingSource)->Left, 40000); // not yet
    deliverPosted();
    EXPECT_EQ(seen, (std::vector<Seen>{{1, 4, 0}, {0, TAudioMixer::DestinationControl, 1}}));
    EXPECT_EQ(mixer.LevelVolume(mixer.TelephoneRecordingSource)->Left, 1234);
    EXPECT_EQ(mixer.PlaybackDestination->Controls[1]->Volumes[0]->Left, 1);

    // Line changes and notifications of another handle are not acted on.
    seen.clear();
    QCoreApplication::postEvent(mixer.Manager.get(),
                                new DeviceEvent(message::mixerLineChange, mixer.Handle(), nullptr,
                                                mixer.LineRecordingSource->LineID));
    int other = 0;
    QCoreApplication::postEvent(mixer.Manager.get(), new DeviceEvent(message::mixerControlChange,
                                                                     &other, nullptr, telephone));
    deliverPosted();
    EXPECT_TRUE(seen.empty());

    // After close nothing is reported, and changes still pending are dropped.
    ASSERT_EQ(bench.setValues(telephone, {99}), error::ok);
    mixer.CloseMixer();
    ASSERT_EQ(bench.setValues(telephone, {98}), error::ok);
    deliverPosted();
    EXPECT_TRUE(seen.empty());
}

TEST_F(AudioMixerTest, CloseAndDestroyFreeEverything) {
    auto& card = install({defaultBenchMixerSpec()});
    auto& bench = *card.mixers[0];
    {
        TAudioMixer mixer;
        mixer.OpenMixer();
        mixer.OpenMixer(); // reopening closes first
        EXPECT_EQ(bench.openHandles(), 1);
        mixer.CloseMixer();
        EXPECT_EQ(bench.openHandles(), 0);
        EXPECT_FALSE(mixer.IsOpen);
        EXPECT_TRUE(mixer.Destinations.empty());
        for (TSource* slot :
             {static_cast<TSource*>(mixer.PlaybackDestination),
              static_cast<TSource*>(mixer.RecordingDestination), mixer.LineSource,
              mixer.LineRecordingSource, mixer.WaveOutSource, mixer.MicrophoneSource,
              mixer.MicrophoneRecordingSource, mixer.CDSource, mixer.CDRecordingSource,
              mixer.AuxSource, mixer.AuxRecordingSource, mixer.TelephoneRecordingSource})
            EXPECT_EQ(slot, nullptr);
        EXPECT_EQ(mixer.LineInputLevel(), nullptr);
        mixer.OpenMixer();
        EXPECT_NE(mixer.LineRecordingSource, nullptr);
    }
    EXPECT_EQ(bench.openHandles(), 0);
    // A change after the component is gone reaches nobody.
    EXPECT_EQ(bench.setValues(bench.findControl(lineType::sourceWaveOut, controlType::volume), {1}),
              error::ok);
    deliverPosted();
}

TEST_F(AudioMixerTest, LineInputLevelFallsBackToTheRecordingDestination) {
    using namespace lineType;
    install({cardOf({destinationOf(lineOf(destinationWaveIn, {selector(2), fader()}),
                                   {lineOf(sourceMicrophone), lineOf(sourceLine, {})})})});
    TAudioMixer mixer;
    mixer.OpenMixer();
    ASSERT_NE(mixer.LineRecordingSource, nullptr);
    EXPECT_EQ(mixer.LevelVolume(mixer.LineRecordingSource), nullptr);
    EXPECT_EQ(mixer.LineInputLevel(), mixer.LevelVolume(mixer.RecordingDestination));
    EXPECT_NE(mixer.LineInputLevel(), nullptr);

    install({defaultBenchMixerSpec()});
    TAudioMixer standard;
    standard.OpenMixer();
    EXPECT_EQ(standard.LineInputLevel(), standard.LevelVolume(standard.LineRecordingSource));
}

} // namespace
