// The real ALSA path: the recording and playback components on the ALSA
// backend, through ALSA's "default" and the PulseAudio plugin, to a private
// PulseAudio server with a null sink. Generator 1 plays into the sink; the
// recording comes from its monitor.

#include "OnSoundServer.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"
#include "audio/StreamSettings.h"
#include "core/SharedState.h"
#include "generator/Synthesis.h"
#include "mixer/AudioMixer.h"
#include "mixer/MixerSetUp.h"
#include "platform/alsa/AlsaPcm.h"
#include "platform/alsa/AlsaSoundCard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <thread>

namespace {

using platform::alsa::AlsaSoundCard;

constexpr double framesPerSecond = 44100.0;

// Generator 1 on the playback component, as the window plays it.
struct Generator {
    SharedState state;
    TAudioOut out;
    TAudioOut* ref = &out;

    Generator(int frequency, int amplitude) {
        configurePlayback(out);
        state.generator1Frequency = frequency;
        state.generator1Amplitude = amplitude;
        out.OnFillBuffer = [this](char* buffer, std::int32_t& size) {
            size = synthesis::fillGenerators(state, buffer, size, out.FrameRate());
            return true;
        };
    }
};

// Captures of two blocks, as the window records: every block is kept, and
// a new capture starts whenever the last one has closed.
struct Recorder {
    TAudioIn in;
    TAudioIn* ref = &in;
    std::vector<std::int16_t> block; // the last block
    int blocks = 0;
    QElapsedTimer sinceStart;
    std::vector<double> firstBlockMs; // per capture
    bool waitingForFirst = false;

    Recorder() {
        configureRecording(in);
        in.OnBufferFilled = [this](char* buffer, std::int32_t& size) {
            block.resize(static_cast<std::size_t>(size) / 2);
            std::memcpy(block.data(), buffer, block.size() * 2);
            ++blocks;
            if (waitingForFirst) {
                firstBlockMs.push_back(sinceStart.nsecsElapsed() / 1e6);
                waitingForFirst = false;
            }
            return false;
        };
    }
    // One idle pass of the window: start the next capture when none runs.
    void pass() {
        if (in.DeviceOpen) return;
        sinceStart.start();
        waitingForFirst = in.StartStream(&ref);
    }
};

// Runs the event loop for `ms`, calling `pass` between events.
void runFor(int ms, const std::function<void()>& pass = {}) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (pass) pass();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Runs the event loop until `done` or `ms` have passed.
bool runUntil(int ms, const std::function<bool()>& done, const std::function<void()>& pass = {}) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done()) return true;
        if (pass) pass();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return done();
}

std::vector<double> channel(const std::vector<std::int16_t>& block, int c) {
    std::vector<double> values;
    for (std::size_t i = static_cast<std::size_t>(c); i < block.size(); i += 2)
        values.push_back(block[i]);
    return values;
}

// Frequency from the rising zero crossings, placed between samples.
double zeroCrossingFrequency(const std::vector<double>& x) {
    double first = -1, last = -1;
    int crossings = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        if (x[i - 1] < 0 && x[i] >= 0) {
            const double t = static_cast<double>(i - 1) + -x[i - 1] / (x[i] - x[i - 1]);
            if (crossings == 0) first = t;
            last = t;
            ++crossings;
        }
    return crossings < 2 ? 0.0 : (crossings - 1) * framesPerSecond / (last - first);
}

double rms(const std::vector<double>& x) {
    double sum = 0;
    for (double v : x)
        sum += v * v;
    return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

using AlsaPath = OnPulseServer;

struct ToneCase {
    const char* name;
    int frequency;
    int amplitude;
};

// Shown by its name in test listings.
void PrintTo(const ToneCase& c, std::ostream* os) {
    *os << c.name;
}

class AlsaTone : public AlsaPath, public ::testing::WithParamInterface<ToneCase> {};

TEST_P(AlsaTone, TheRecordedBlockCarriesTheGeneratorsFrequencyAndAmplitude) {
    const auto& c = GetParam();
    Generator generator(c.frequency, c.amplitude);
    ASSERT_TRUE(generator.out.StartStream(&generator.ref)) << generator.out.LastError;
    Recorder recorder;
    // The sine reaches the monitor after the server's latency.
    runFor(700);
    ASSERT_TRUE(runUntil(
        3000, [&] { return recorder.blocks >= 2; }, [&] { recorder.pass(); }))
        << recorder.in.LastError;
    for (int c2 = 0; c2 < 2; ++c2) {
        const auto x = channel(recorder.block, c2);
        ASSERT_EQ(x.size(), 8000u);
        EXPECT_NEAR(zeroCrossingFrequency(x), c.frequency, c.frequency * 0.005) << "channel " << c2;
        // The null sink's monitor records what is played, at unity gain.
        const double peak = *std::max_element(x.begin(), x.end());
        EXPECT_NEAR(peak, c.amplitude, c.amplitude * 0.03) << "channel " << c2;
        EXPECT_NEAR(rms(x), c.amplitude / std::sqrt(2.0), c.amplitude * 0.03) << "channel " << c2;
    }
    EXPECT_TRUE(generator.out.Streaming);
}

INSTANTIATE_TEST_SUITE_P(Generator1, AlsaTone,
                         ::testing::Values(ToneCase{"StartUp100Hz", 100, 3000},
                                           ToneCase{"Mid1kHz", 1000, 10000},
                                           ToneCase{"Loud5kHz", 5000, 30000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AlsaPath, NoOverOrUnderrunInTenSecondsOfPlayingAndRecording) {
    Generator generator(440, 8000);
    ASSERT_TRUE(generator.out.StartStream(&generator.ref)) << generator.out.LastError;
    Recorder recorder;
    runFor(10000, [&] { recorder.pass(); });
    EXPECT_EQ(card_->overruns(), 0u);
    EXPECT_EQ(card_->underruns(), 0u);
    // Captures of two 181-ms blocks follow each other all the time.
    EXPECT_GE(recorder.blocks, 40);
    EXPECT_TRUE(generator.out.Streaming);
    EXPECT_GE(generator.out.BuffersReturned, 16);
}

TEST_F(AlsaPath, FirstBlockOfACaptureArrivesSoonAfterItsSound) {
    Generator generator(1000, 10000);
    ASSERT_TRUE(generator.out.StartStream(&generator.ref)) << generator.out.LastError;
    Recorder recorder;
    runFor(700);
    // The server's recording streams, a line each: the captures one after
    // another record through one stream of the server, which ends a
    // second after the last of them.
    const auto recordingStreams = [&] {
        return server_->pactl({"list", "short", "source-outputs"})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    QStringList firstStream;
    for (int capture = 0; capture < 15; ++capture) {
        recorder.pass();
        ASSERT_TRUE(recorder.waitingForFirst) << recorder.in.LastError;
        ASSERT_TRUE(runUntil(3000, [&] { return !recorder.in.DeviceOpen; }));
        const auto x = channel(recorder.block, 0);
        EXPECT_NEAR(zeroCrossingFrequency(x), 1000.0, 10.0) << "capture " << capture;
        if (capture == 0) firstStream = recordingStreams();
    }
    EXPECT_EQ(firstStream.size(), 1);
    EXPECT_EQ(recordingStreams(), firstStream);
    runFor(1500);
    EXPECT_TRUE(recordingStreams().isEmpty())
        << recordingStreams().join(QLatin1Char('\n')).toStdString();
    auto ms = recorder.firstBlockMs;
    ASSERT_EQ(ms.size(), 15u);
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::cout << "first block of a capture after " << median << " ms (median of 15; " << ms.front()
              << " to " << ms.back() << " ms)\n";
    RecordProperty("firstBlockMedianMs", std::to_string(median));
    // 8000 frames are 181 ms of sound; the path may add at most 50 ms.
    EXPECT_LE(median, 230.0);
    EXPECT_GE(median, 181.0);
}

TEST_F(AlsaPath, AStoppedServerEndsTheStreamsAndTheProgramRetries) {
    Generator generator(440, 8000);
    ASSERT_TRUE(generator.out.StartStream(&generator.ref)) << generator.out.LastError;
    Recorder recorder;
    // A fresh server takes a while before its monitor delivers the first block.
    ASSERT_TRUE(runUntil(
        6000, [&] { return recorder.blocks >= 4; }, [&] { recorder.pass(); }))
        << recorder.in.LastError;

    server_->stop();
    // Both streams end cleanly; every new capture fails with a reason. (A
    // retry whose open is still under way counts as open until it fails.)
    EXPECT_TRUE(runUntil(
        3000, [&] { return !generator.out.DeviceOpen && !recorder.in.DeviceOpen; },
        [&] { recorder.pass(); }));
    const auto last = recorder.block;
    const int blocks = recorder.blocks;
    runFor(1000, [&] { recorder.pass(); });
    EXPECT_EQ(recorder.blocks, blocks);
    EXPECT_EQ(recorder.block, last) << "the last block stays";
    // The reason is the last retry's once its open has failed.
    EXPECT_TRUE(runUntil(3000, [&] { return !recorder.in.DeviceOpen; }));
    EXPECT_EQ(recorder.in.LastError, card_->errorText(platform::error::serverDown));
    EXPECT_FALSE(generator.out.StartStream(&generator.ref));
    EXPECT_EQ(generator.out.LastError, card_->errorText(platform::error::serverDown));

    // The server comes back: the retries pick it up (as fresh as at the
    // start, it takes as long to deliver).
    QString reason;
    ASSERT_TRUE(server_->start(reason)) << reason.toStdString();
    EXPECT_TRUE(runUntil(
        6000, [&] { return recorder.blocks >= blocks + 2; }, [&] { recorder.pass(); }))
        << recorder.in.LastError;
}

// PulseAudio wakes the server and the program once per period: alone it
// plays in long periods. Where PipeWire runs, the same plug-in may be
// talking to PipeWire's PulseAudio server, and playback stays at 25 ms.
// Capture keeps the graph's default quantum (1024 frames) either way.
TEST_F(AlsaPath, PulseAudioAlonePlaysInLongPeriods) {
    struct Case {
        bool pipeWireSocket;
        platform::alsa::StreamDirection direction;
        std::uint32_t period;
    };
    const Case cases[] = {
        {false, platform::alsa::StreamDirection::capture, 1024},
        {false, platform::alsa::StreamDirection::playback, 4410},
        {true, platform::alsa::StreamDirection::capture, 1024},
        {true, platform::alsa::StreamDirection::playback, 1102},
    };
    // Runtime folders of PipeWire's own, whatever runs on the machine.
    QTemporaryDir withSocket, without;
    ASSERT_TRUE(QFile(withSocket.filePath("pipewire-0")).open(QIODevice::WriteOnly));
    const QByteArray saved = qgetenv("PIPEWIRE_RUNTIME_DIR");
    platform::PcmFormat format{1, 2, 44100, 176400, 4, 16, 0};
    for (const Case& c : cases) {
        qputenv("PIPEWIRE_RUNTIME_DIR",
                (c.pipeWireSocket ? withSocket : without).path().toLocal8Bit());
        std::unique_ptr<platform::alsa::PcmPort> port;
        ASSERT_EQ(platform::alsa::AlsaPcm::open("default", c.direction, format, port),
                  platform::error::ok);
        EXPECT_EQ(static_cast<platform::alsa::AlsaPcm&>(*port).periodFrames(), c.period)
            << "PipeWire's socket " << c.pipeWireSocket << ", playback "
            << (c.direction == platform::alsa::StreamDirection::playback);
    }
    if (saved.isNull())
        qunsetenv("PIPEWIRE_RUNTIME_DIR");
    else
        qputenv("PIPEWIRE_RUNTIME_DIR", saved);
}

TEST_F(AlsaPath, AbsentDeviceGivesItsErrorText) {
    platform::alsa::AlsaOptions options;
    options.device = "hw:7";
    auto& card = install(options);
    Recorder recorder;
    EXPECT_FALSE(recorder.in.StartStream(&recorder.ref));
    EXPECT_EQ(recorder.in.LastError, "The sound device does not exist.");
    Generator generator(440, 8000);
    EXPECT_FALSE(generator.out.StartStream(&generator.ref));
    EXPECT_EQ(generator.out.LastError, card.errorText(platform::error::badDeviceId));
}

TEST_F(AlsaPath, TheMixerIsTheServersAndFollowsItsChanges) {
    ASSERT_EQ(card_->mixerCount(), 1);
    TAudioMixer mixer;
    int changes = 0;
    mixer.OnMixerControlChange = [&](TAudioMixer*, std::uint32_t, std::uint32_t, std::uint32_t) {
        ++changes;
    };
    server_->pactl({"set-source-volume", "zo7null.monitor", "30%"});
    SetUpMixer(mixer);
    ASSERT_TRUE(mixer.LineRecordingSource);
    // The set-up brings the server's capture to full level.
    EXPECT_TRUE(runUntil(3000, [&] {
        return server_->pactl({"get-source-volume", "zo7null.monitor"}).contains("100%");
    }));
    // A change made elsewhere reaches the model: half the volume of the
    // server is an eighth of the amplitude.
    runFor(300);
    changes = 0;
    server_->pactl({"set-source-volume", "zo7null.monitor", "50%"});
    EXPECT_TRUE(runUntil(3000, [&] { return changes > 0; }));
    EXPECT_NEAR(mixer.LevelVolume(mixer.LineRecordingSource)->Left, 8192, 2);
}

// A change made elsewhere whose event the mixer has not yet read when the
// set-up asks for the value it read last: the set-up still reaches the
// server. The mixer's thread is held up by a task of its own meanwhile, as
// by a busy machine.
TEST_F(AlsaPath, AChangeElsewhereJustBeforeTheSetUpDoesNotSwallowIt) {
    TAudioMixer mixer;
    SetUpMixer(mixer);
    ASSERT_TRUE(runUntil(3000, [&] {
        return server_->pactl({"get-source-volume", "zo7null.monitor"}).contains("100%");
    }));
    runFor(300);
    std::unique_ptr<platform::Mixer> held;
    ASSERT_EQ(card_->openMixer(0, nullptr, held), platform::error::ok);
    held->afterChanges([] { std::this_thread::sleep_for(std::chrono::milliseconds(500)); });
    server_->pactl({"set-source-volume", "zo7null.monitor", "30%"});
    SetUpMixer(mixer);
    EXPECT_TRUE(runUntil(3000, [&] {
        return server_->pactl({"get-source-volume", "zo7null.monitor"}).contains("100%");
    })) << server_->pactl({"get-source-volume", "zo7null.monitor"}).toStdString();
}

TEST_F(AlsaPath, VolumesAreTheServersMasterLevel) {
    // The server's mixer loads in the background.
    ASSERT_TRUE(card_->mixerReady(0, std::chrono::seconds(3)));
    // A quarter of the amplitude is 63% of the server's volume.
    ASSERT_EQ(card_->setVolume(platform::VolumeDevice::waveOut0, 0x40004000u), platform::error::ok);
    EXPECT_TRUE(server_->pactl({"get-sink-volume", "zo7null"}).contains("63%"));
    std::uint32_t volume = 0;
    ASSERT_EQ(card_->getVolume(platform::VolumeDevice::waveOut0, volume), platform::error::ok);
    EXPECT_NEAR(volume & 0xFFFF, 0x4000, 2);
    EXPECT_NEAR(volume >> 16, 0x4000, 2);
    EXPECT_EQ(card_->getVolume(platform::VolumeDevice::aux3, volume), platform::error::badDeviceId);
}

} // namespace
