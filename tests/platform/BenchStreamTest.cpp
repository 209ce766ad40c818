// Wave input and output of the bench through the SoundCard interface, on the
// manual clock: notifications, order, reset, close, misuse and faults.
#include "BenchTestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace platform;
using bench::BenchSoundCard;
using bench::Direction;
using bench::Operation;
using benchtest::Buffer;
using benchtest::Recorder;

// Lets the event loop run, which is how notifications reach their targets.
void pump() {
    QCoreApplication::processEvents();
}

struct OutputFixture : ::testing::Test {
    BenchSoundCard card;
    Recorder recorder;
    std::unique_ptr<WaveOutput> out;
    void SetUp() override {
        ASSERT_EQ(card.openOutput(-1, benchtest::outputFormat(), &recorder, out), error::ok);
        ASSERT_TRUE(out);
    }
    void queue(Buffer& b) {
        ASSERT_EQ(out->prepareHeader(b.header), error::ok);
        ASSERT_EQ(out->write(b.header), error::ok);
    }
};

struct InputFixture : ::testing::Test {
    BenchSoundCard card;
    Recorder recorder;
    std::unique_ptr<WaveInput> in;
    void SetUp() override {
        ASSERT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, in), error::ok);
        ASSERT_TRUE(in);
    }
    void queue(Buffer& b) {
        ASSERT_EQ(in->prepareHeader(b.header), error::ok);
        ASSERT_EQ(in->addBuffer(b.header), error::ok);
    }
};

TEST_F(OutputFixture, PlayedHeadersComeBackInOrderOneDoneEach) {
    Buffer a(200), b(100), c(400); // 100, 50 and 200 samples
    queue(a);
    queue(b);
    queue(c);
    pump();
    ASSERT_EQ(recorder.messages(), std::vector<int>{message::outputOpened});
    EXPECT_EQ(recorder.events[0].device, out.get());

    card.advance(99);
    pump();
    EXPECT_EQ(recorder.events.size(), 1u) << "the first header is not played yet";
    card.advance(1);
    pump();
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[1].message, message::outputDone);
    EXPECT_EQ(recorder.events[1].header, &a.header);

    card.advance(250);
    pump();
    ASSERT_EQ(recorder.events.size(), 4u);
    EXPECT_EQ(recorder.events[2].header, &b.header);
    EXPECT_EQ(recorder.events[3].header, &c.header);
    for (const auto& e : recorder.events) {
        if (e.message != message::outputDone) continue;
        EXPECT_TRUE(e.flags & headerFlag::done);
        EXPECT_FALSE(e.flags & headerFlag::queued);
        EXPECT_TRUE(e.flags & headerFlag::prepared);
    }
    EXPECT_EQ(out->close(), error::ok);
    pump();
    EXPECT_EQ(recorder.messages().back(), message::outputClosed);
    EXPECT_EQ(recorder.events.size(), 5u);
}

TEST_F(OutputFixture, PauseHoldsTheQueueAndRestartGoesOn) {
    Buffer a(100);
    ASSERT_EQ(out->pause(), error::ok);
    queue(a);
    card.advance(1000);
    pump();
    EXPECT_EQ(recorder.messages(), std::vector<int>{message::outputOpened});
    ASSERT_EQ(out->restart(), error::ok);
    card.advance(49);
    pump();
    EXPECT_EQ(recorder.events.size(), 1u);
    card.advance(1);
    pump();
    EXPECT_EQ(recorder.messages().back(), message::outputDone);
}

TEST_F(OutputFixture, ResetReturnsEveryQueuedHeaderAtOnce) {
    Buffer a(44100), b(44100), c(44100);
    queue(a);
    queue(b);
    queue(c);
    card.advance(1000);
    ASSERT_EQ(out->reset(), error::ok);
    pump();
    ASSERT_EQ(recorder.events.size(), 4u);
    EXPECT_EQ(recorder.events[1].header, &a.header);
    EXPECT_EQ(recorder.events[2].header, &b.header);
    EXPECT_EQ(recorder.events[3].header, &c.header);
    card.advance(100000);
    pump();
    EXPECT_EQ(recorder.events.size(), 4u) << "nothing is left on the device";
    EXPECT_EQ(out->close(), error::ok);
}

TEST_F(InputFixture, RecordedHeadersComeBackInOrderWithTheirBytes) {
    Buffer a(32000), b(32000);
    queue(a);
    queue(b);
    card.advance(20000);
    pump();
    EXPECT_EQ(recorder.messages(), std::vector<int>{message::inputOpened})
        << "nothing is recorded before start";

    ASSERT_EQ(in->start(), error::ok);
    card.advance(7999);
    pump();
    EXPECT_EQ(recorder.events.size(), 1u);
    card.advance(1);
    pump();
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[1].message, message::inputData);
    EXPECT_EQ(recorder.events[1].header, &a.header);
    EXPECT_EQ(recorder.events[1].bytesRecorded, 32000u);
    EXPECT_EQ(recorder.events[1].device, in.get());
    card.advance(8000);
    pump();
    ASSERT_EQ(recorder.events.size(), 3u);
    EXPECT_EQ(recorder.events[2].header, &b.header);
    EXPECT_EQ(recorder.events[2].bytesRecorded, 32000u);
    EXPECT_EQ(in->close(), error::ok);
    pump();
    EXPECT_EQ(recorder.messages().back(), message::inputClosed);
}

TEST_F(InputFixture, ResetReturnsEveryQueuedHeaderWithTheBytesRecordedSoFar) {
    Buffer a(32000), b(32000), c(32000);
    queue(a);
    queue(b);
    queue(c);
    ASSERT_EQ(in->start(), error::ok);
    card.advance(9000); // a full, 1000 frames in b
    ASSERT_EQ(in->reset(), error::ok);
    pump();
    ASSERT_EQ(recorder.messages(), (std::vector<int>{message::inputOpened, message::inputData,
                                                     message::inputData, message::inputData}));
    EXPECT_EQ(recorder.events[1].bytesRecorded, 32000u);
    EXPECT_EQ(recorder.events[2].bytesRecorded, 4000u);
    EXPECT_EQ(recorder.events[3].bytesRecorded, 0u);
    EXPECT_EQ(recorder.events[3].header, &c.header);
    // Reset also stops recording: a new buffer stays empty until start.
    Buffer d(400);
    queue(d);
    card.advance(1000);
    pump();
    EXPECT_EQ(recorder.events.size(), 4u);
}

TEST(BenchOpen, OpeningAnOpenDeviceFailsWithItsCodeAndText) {
    BenchSoundCard card;
    Recorder recorder;
    std::unique_ptr<WaveInput> in, second;
    std::unique_ptr<WaveOutput> out, secondOut;
    ASSERT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, in), error::ok);
    ASSERT_EQ(card.openOutput(0, benchtest::outputFormat(), &recorder, out), error::ok);
    EXPECT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, second), error::allocated);
    EXPECT_EQ(card.openOutput(-1, benchtest::outputFormat(), &recorder, secondOut),
              error::allocated);
    EXPECT_FALSE(second);
    EXPECT_EQ(card.errorText(error::allocated),
              "The sound device is already in use by another program.");
    // The open devices are undisturbed and, once closed, can be opened again.
    EXPECT_EQ(in->start(), error::ok);
    EXPECT_EQ(in->close(), error::ok);
    EXPECT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, second), error::ok);
    pump();
    EXPECT_EQ(recorder.messages(), (std::vector<int>{message::inputOpened, message::outputOpened,
                                                     message::inputClosed, message::inputOpened}));
    EXPECT_EQ(recorder.events[3].device, second.get());
}

TEST(BenchOpen, RejectsOtherDevicesAndFormats) {
    BenchSoundCard card;
    Recorder recorder;
    std::unique_ptr<WaveInput> in;
    std::unique_ptr<WaveOutput> out;
    auto stereo22050 = benchtest::inputFormat();
    stereo22050.framesPerSecond = 22050;
    stereo22050.bytesPerSecond = 88200;
    auto eightBit = benchtest::outputFormat();
    eightBit.bitsPerSample = 8;
    eightBit.blockAlign = 1;
    eightBit.bytesPerSecond = 44100;
    auto inconsistent = benchtest::inputFormat();
    inconsistent.blockAlign = 2;

    EXPECT_EQ(card.openInput(1, benchtest::inputFormat(), &recorder, in), error::badDeviceId);
    EXPECT_EQ(card.openOutput(-2, benchtest::outputFormat(), &recorder, out), error::badDeviceId);
    EXPECT_EQ(card.openInput(-1, stereo22050, &recorder, in), error::badFormat);
    EXPECT_EQ(card.openInput(-1, benchtest::outputFormat(), &recorder, in), error::badFormat);
    EXPECT_EQ(card.openInput(-1, inconsistent, &recorder, in), error::badFormat);
    EXPECT_EQ(card.openOutput(-1, eightBit, &recorder, out), error::badFormat);
    EXPECT_EQ(card.openOutput(-1, benchtest::inputFormat(), &recorder, out), error::badFormat);
    EXPECT_FALSE(in);
    EXPECT_FALSE(out);
    pump();
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(InputFixture, CloseWithQueuedHeadersFailsAndTheDeviceStaysOpen) {
    Buffer a(400);
    queue(a);
    EXPECT_EQ(in->close(), error::stillPlaying);
    ASSERT_EQ(in->start(), error::ok);
    card.advance(100);
    pump();
    ASSERT_EQ(recorder.messages(), (std::vector<int>{message::inputOpened, message::inputData}));
    EXPECT_EQ(in->unprepareHeader(a.header), error::ok);
    EXPECT_FALSE(a.header.flags & headerFlag::prepared);
    EXPECT_EQ(in->close(), error::ok);
    EXPECT_EQ(in->close(), error::invalidHandle);
}

TEST_F(InputFixture, NothingButClosedArrivesAfterClose) {
    Buffer a(400), b(400);
    queue(a);
    queue(b);
    ASSERT_EQ(in->start(), error::ok);
    card.advance(200); // both done, notifications not yet delivered
    ASSERT_EQ(in->close(), error::ok);
    pump();
    EXPECT_EQ(recorder.messages(), (std::vector<int>{message::inputOpened, message::inputClosed}));
}

// Misuse of a header or of a closed handle gives a code, never a crash.
TEST_F(OutputFixture, MisuseGivesCodes) {
    Buffer a(100), b(100);
    Buffer nullData(0);
    nullData.header.data = nullptr;
    nullData.header.length = 100;
    Buffer empty(16);
    empty.header.length = 0;

    EXPECT_EQ(out->write(a.header), error::unprepared);
    EXPECT_EQ(out->prepareHeader(nullData.header), error::invalidParam);
    EXPECT_EQ(out->prepareHeader(empty.header), error::invalidParam);
    ASSERT_EQ(out->pause(), error::ok);
    queue(a);
    EXPECT_EQ(out->write(a.header), error::stillPlaying);
    EXPECT_EQ(out->prepareHeader(a.header), error::stillPlaying);
    EXPECT_EQ(out->unprepareHeader(a.header), error::stillPlaying);
    EXPECT_EQ(out->unprepareHeader(b.header), error::ok) << "an unprepared header";
    EXPECT_EQ(out->close(), error::stillPlaying);
    ASSERT_EQ(out->reset(), error::ok);
    ASSERT_EQ(out->close(), error::ok);

    const MMResult afterClose[] = {out->prepareHeader(b.header),
                                   out->unprepareHeader(a.header),
                                   out->write(a.header),
                                   out->pause(),
                                   out->restart(),
                                   out->reset(),
                                   out->close()};
    for (auto r : afterClose)
        EXPECT_EQ(r, error::invalidHandle);
}

TEST_F(InputFixture, AHeaderWithoutRoomForAFrameComesBackEmpty) {
    Buffer tiny(3), a(8);
    queue(tiny);
    queue(a);
    ASSERT_EQ(in->start(), error::ok);
    card.advance(2);
    pump();
    ASSERT_EQ(recorder.events.size(), 3u);
    EXPECT_EQ(recorder.events[1].header, &tiny.header);
    EXPECT_EQ(recorder.events[1].bytesRecorded, 0u);
    EXPECT_EQ(recorder.events[2].bytesRecorded, 8u);
}

TEST(BenchLifetime, DestroyingAnOpenDeviceStopsItSilently) {
    BenchSoundCard card;
    Recorder recorder;
    Buffer a(32000);
    {
        std::unique_ptr<WaveInput> in;
        ASSERT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, in), error::ok);
        ASSERT_EQ(in->prepareHeader(a.header), error::ok);
        ASSERT_EQ(in->addBuffer(a.header), error::ok);
        ASSERT_EQ(in->start(), error::ok);
        card.advance(100);
    }
    card.advance(10000);
    pump();
    EXPECT_TRUE(recorder.events.empty());
    std::unique_ptr<WaveInput> again;
    EXPECT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, again), error::ok);
}

TEST(BenchLifetime, AHandleThatOutlivesTheCardOnlyReportsErrorsOrSuccess) {
    Recorder recorder;
    std::unique_ptr<WaveOutput> out;
    Buffer a(100);
    {
        BenchSoundCard card;
        ASSERT_EQ(card.openOutput(-1, benchtest::outputFormat(), &recorder, out), error::ok);
        ASSERT_EQ(out->prepareHeader(a.header), error::ok);
    }
    EXPECT_EQ(out->write(a.header), error::ok);
    EXPECT_EQ(out->reset(), error::ok);
    EXPECT_EQ(out->close(), error::ok);
    pump();
    EXPECT_TRUE(recorder.events.empty());
}

struct OpenFault {
    const char* name;
    Operation operation;
    MMResult code;
};

// Shown by its name in test listings.
void PrintTo(const OpenFault& c, std::ostream* os) {
    *os << c.name;
}

class BenchOpenFaults : public ::testing::TestWithParam<OpenFault> {};

TEST_P(BenchOpenFaults, ABusyOrAbsentDeviceFailsToOpenUntilCleared) {
    BenchSoundCard card;
    Recorder recorder;
    const auto [name, operation, code] = GetParam();
    card.failOperation(operation, code);
    auto open = [&] {
        std::unique_ptr<WaveInput> in;
        std::unique_ptr<WaveOutput> out;
        return operation == Operation::openInput
                   ? card.openInput(-1, benchtest::inputFormat(), &recorder, in)
                   : card.openOutput(-1, benchtest::outputFormat(), &recorder, out);
    };
    EXPECT_EQ(open(), code);
    EXPECT_EQ(open(), code);
    pump();
    EXPECT_TRUE(recorder.events.empty());
    card.failOperation(operation, error::ok);
    EXPECT_EQ(open(), error::ok);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BenchOpenFaults,
    ::testing::Values(OpenFault{"InputBusy", Operation::openInput, error::allocated},
                      OpenFault{"InputAbsent", Operation::openInput, error::badDeviceId},
                      OpenFault{"OutputBusy", Operation::openOutput, error::allocated},
                      OpenFault{"OutputWithoutDriver", Operation::openOutput, error::noDriver}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutputFixture, AWriteFailsAfterTheGivenSuccesses) {
    card.failOperation(Operation::write, error::noMemory, 2);
    Buffer a(100), b(100), c(100);
    queue(a);
    queue(b);
    ASSERT_EQ(out->prepareHeader(c.header), error::ok);
    EXPECT_EQ(out->write(c.header), error::noMemory);
    EXPECT_EQ(out->write(c.header), error::noMemory);
    card.advance(100);
    pump();
    EXPECT_EQ(recorder.events.size(), 3u) << "the two accepted headers play";
}

TEST_F(InputFixture, InjectedPrepareAndStartFailures) {
    Buffer a(400);
    card.failOperation(Operation::prepareInput, error::noMemory);
    EXPECT_EQ(in->prepareHeader(a.header), error::noMemory);
    card.failOperation(Operation::prepareInput, error::ok);
    card.failOperation(Operation::start, error::unspecified);
    queue(a);
    EXPECT_EQ(in->start(), error::unspecified);
    card.advance(100);
    pump();
    EXPECT_EQ(recorder.events.size(), 1u) << "recording did not start";
}

TEST_F(InputFixture, AStalledStreamKeepsItsHeadersUntilReset) {
    Buffer a(400);
    queue(a);
    ASSERT_EQ(in->start(), error::ok);
    card.stall(Direction::input, true);
    card.advance(10000);
    pump();
    EXPECT_EQ(recorder.events.size(), 1u);
    EXPECT_TRUE(a.header.flags & headerFlag::queued);
    ASSERT_EQ(in->reset(), error::ok);
    pump();
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[1].bytesRecorded, 0u);
    card.stall(Direction::input, false);
}

TEST_F(InputFixture, ADeviceThatDisappearsReturnsItsHeadersAndRefusesFurtherUse) {
    Buffer a(32000), b(32000);
    queue(a);
    queue(b);
    ASSERT_EQ(in->start(), error::ok);
    card.advance(500);
    card.removeDevice(Direction::input);
    pump();
    ASSERT_EQ(recorder.messages(),
              (std::vector<int>{message::inputOpened, message::inputData, message::inputData}));
    EXPECT_EQ(recorder.events[1].bytesRecorded, 2000u);
    EXPECT_EQ(recorder.events[2].bytesRecorded, 0u);
    EXPECT_FALSE(a.header.flags & headerFlag::queued);

    EXPECT_EQ(in->addBuffer(a.header), error::deviceRemoved);
    EXPECT_EQ(in->prepareHeader(a.header), error::deviceRemoved);
    EXPECT_EQ(in->start(), error::deviceRemoved);
    EXPECT_EQ(in->reset(), error::deviceRemoved);
    EXPECT_EQ(in->unprepareHeader(a.header), error::ok);
    std::unique_ptr<WaveInput> other;
    EXPECT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, other), error::badDeviceId);
    EXPECT_EQ(in->close(), error::ok);
    EXPECT_EQ(in->start(), error::invalidHandle);
    EXPECT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, other), error::badDeviceId);
    card.restoreDevice(Direction::input);
    EXPECT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, other), error::ok);
    card.advance(100000);
    pump();
    EXPECT_EQ(recorder.messages().back(), message::inputOpened);
}

TEST(BenchNotifications, AHandlerThatClosesItsDeviceGetsNothingMore) {
    // A target that closes the output from inside its first done notification.
    class Closer : public Recorder {
    public:
        WaveOutput* out = nullptr;

    protected:
        bool event(QEvent* e) override {
            const bool handled = Recorder::event(e);
            if (!events.empty() && events.back().message == message::outputDone &&
                events.size() == 2) {
                EXPECT_EQ(out->reset(), error::ok);
                EXPECT_EQ(out->close(), error::ok);
            }
            return handled;
        }
    };
    BenchSoundCard card;
    Closer closer;
    std::unique_ptr<WaveOutput> out;
    ASSERT_EQ(card.openOutput(-1, benchtest::outputFormat(), &closer, out), error::ok);
    closer.out = out.get();
    Buffer a(100), b(100), c(100);
    for (Buffer* buffer : {&a, &b, &c}) {
        ASSERT_EQ(out->prepareHeader(buffer->header), error::ok);
        ASSERT_EQ(out->write(buffer->header), error::ok);
    }
    card.advance(100); // all three done before anything is delivered
    pump();
    EXPECT_EQ(closer.messages(), (std::vector<int>{message::outputOpened, message::outputDone,
                                                   message::outputClosed}));
}

TEST(BenchVolumes, AreStoredPerDeviceAndAbsentOnesGiveCodes) {
    bench::BenchOptions options;
    options.volumeAbsent[4] = true; // aux device 4
    BenchSoundCard card(options);
    const VolumeDevice devices[] = {VolumeDevice::waveOut0, VolumeDevice::aux1, VolumeDevice::aux2,
                                    VolumeDevice::aux3,     VolumeDevice::aux4, VolumeDevice::aux5};
    for (std::uint32_t i = 0; i < 6; ++i) {
        const auto device = devices[i];
        std::uint32_t volume = 0x1234;
        if (i == 4) {
            EXPECT_EQ(card.getVolume(device, volume), error::badDeviceId);
            EXPECT_EQ(volume, 0x1234u) << "untouched on failure";
            EXPECT_EQ(card.setVolume(device, 1), error::badDeviceId);
            continue;
        }
        ASSERT_EQ(card.getVolume(device, volume), error::ok);
        EXPECT_EQ(volume, options.volumes[i]);
        ASSERT_EQ(card.setVolume(device, 0x00010000u * (i + 1) + i), error::ok);
    }
    for (std::uint32_t i = 0; i < 6; ++i) {
        if (i == 4) continue;
        std::uint32_t volume = 0;
        ASSERT_EQ(card.getVolume(devices[i], volume), error::ok);
        EXPECT_EQ(volume, 0x00010000u * (i + 1) + i) << "device " << i;
    }
}

TEST(BenchMixers, TheCardOpensItsMixersByIndex) {
    bench::BenchOptions options;
    options.mixers.push_back(bench::defaultBenchMixerSpec());
    options.mixers.back().productName = "Second";
    BenchSoundCard card(options);
    ASSERT_EQ(card.mixerCount(), 2);
    MixerCaps caps;
    ASSERT_EQ(card.mixerCaps(1, caps), error::ok);
    EXPECT_EQ(caps.productName, "Second");
    EXPECT_EQ(caps.destinations, 2u);
    EXPECT_EQ(card.mixerCaps(2, caps), error::badDeviceId);
    EXPECT_EQ(card.mixerCaps(-1, caps), error::badDeviceId);
    std::unique_ptr<Mixer> mixer;
    EXPECT_EQ(card.openMixer(2, nullptr, mixer), error::badDeviceId);
    ASSERT_EQ(card.openMixer(0, nullptr, mixer), error::ok);
    MixerLine line;
    EXPECT_EQ(mixer->lineInfo(0, line), error::ok);
    EXPECT_EQ(line.componentType, lineType::destinationSpeakers);

    bench::BenchOptions none;
    none.mixers.clear();
    BenchSoundCard bare(none);
    EXPECT_EQ(bare.mixerCount(), 0);
    EXPECT_EQ(bare.openMixer(0, nullptr, mixer), error::badDeviceId);
}

TEST(BenchMixerApplication, RunsTheConfiguredLauncher) {
    int launches = 0;
    bench::BenchOptions options;
    options.mixerLauncher = [&launches] {
        ++launches;
        return true;
    };
    BenchSoundCard card(options);
    EXPECT_TRUE(card.launchMixerApplication());
    EXPECT_EQ(launches, 1);
    BenchSoundCard plain;
    EXPECT_FALSE(plain.launchMixerApplication());
    EXPECT_EQ(plain.name(), "bench");
}

} // namespace
