// Recording and playback together on the bench sound card with its manual
// clock: the generator output drives the circuit, captures record it.
#include "app/RecordedBlock.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"
#include "audio/StreamSettings.h"
#include "generator/Synthesis.h"
#include "platform/bench/BenchSoundCard.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class BenchStreaming : public ::testing::Test {
protected:
    void SetUp() override {
        // No mixer: full levels, line input selected.
        platform::bench::BenchOptions options;
        options.mixers.clear();
        auto card = std::make_unique<platform::bench::BenchSoundCard>(options);
        bench = card.get();
        platform::installSoundCard(std::move(card));
        state = std::make_unique<SharedState>();
        state->generator1Amplitude = 3000;
        state->generator1Frequency = 100;

        AudioIn1 = new TAudioIn(&owner);
        configureRecording(*AudioIn1);
        AudioIn1->OnBufferFilled = [this](char* Buffer, std::int32_t& Size) {
            ++blocks;
            copyRecordedBlock(*state, Buffer, Size);
            return false;
        };
        AudioOut1 = new TAudioOut(&owner);
        configurePlayback(*AudioOut1);
        AudioOut1->OnFillBuffer = [this](char* Buffer, std::int32_t& Size) {
            std::string from = "100", to = "500", error;
            return synthesis::fillOutputBuffer(*state, Buffer, Size, AudioOut1->FrameRate(),
                                               AudioOut1->BuffersFilled == 0, from, to, error);
        };
    }
    void TearDown() override {
        delete AudioIn1;
        delete AudioOut1;
        QCoreApplication::sendPostedEvents();
        platform::installSoundCard(nullptr);
    }
    // The bench moves on and its notifications are handled.
    void run(std::uint64_t frames) {
        bench->advance(frames);
        bench->deliverNotifications();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // One pass of the capture cycle: two start attempts, then time passes.
    bool pass(std::uint64_t frames) {
        bool started = AudioIn1->StartStream(&AudioIn1);
        if (!started) started = AudioIn1->StartStream(&AudioIn1);
        run(frames);
        return started;
    }

    QObject owner;
    platform::bench::BenchSoundCard* bench = nullptr;
    std::unique_ptr<SharedState> state;
    TAudioIn* AudioIn1 = nullptr;
    TAudioOut* AudioOut1 = nullptr;
    int blocks = 0;
};

TEST_F(BenchStreaming, CaptureCycleDeliversBlocksOf16000Values) {
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1)) << AudioOut1->LastError;
    run(44100); // the output settles
    state->sampleCount = 32000;

    ASSERT_TRUE(pass(8000));
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(state->sampleCount, 16000);
    EXPECT_TRUE(AudioIn1->DeviceOpen);
    run(8000);
    EXPECT_EQ(blocks, 2);
    EXPECT_FALSE(AudioIn1->DeviceOpen);
    EXPECT_EQ(state->sampleCount, 16000);
    // The recorded block carries the generator's 100 Hz: about 36 sign changes
    // of the voltage channel (even positions) in 8000 frames.
    int changes = 0;
    int peak = 0;
    for (std::size_t i = 2; i < 16000; i += 2) {
        changes += (state->rawSamples[i - 2] < 0) != (state->rawSamples[i] < 0);
        peak = std::max(peak, std::abs(state->rawSamples[i]));
    }
    EXPECT_NEAR(changes, 36, 2);
    EXPECT_GT(peak, 1000);
    for (std::size_t i = 16000; i < 32000; ++i)
        ASSERT_EQ(state->rawSamples[i], 0);

    // Passes of 1000 frames: a capture starts in the first pass after a close.
    int captures = 0;
    for (int p = 0; p < 200; ++p) {
        const bool closedBefore = !AudioIn1->DeviceOpen;
        const bool started = pass(1000);
        EXPECT_EQ(started, closedBefore) << "pass " << p;
        captures += started;
    }
    // 200000 frames: 16 frames-long passes per capture plus one pass between.
    EXPECT_GE(captures, 11);
    run(16000); // the last capture ends
    EXPECT_FALSE(AudioIn1->DeviceOpen);
    EXPECT_EQ(blocks, 2 + 2 * captures);
    EXPECT_EQ(state->sampleCount, 16000);
    EXPECT_TRUE(AudioOut1->DeviceOpen);
    EXPECT_GE(AudioOut1->InFlight, 3);
}

TEST_F(BenchStreaming, PlaybackRunsOnWithoutEnd) {
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    for (int i = 0; i < 20; ++i) {
        run(11025);
        ASSERT_TRUE(AudioOut1->DeviceOpen) << i;
        EXPECT_GE(AudioOut1->InFlight, 3);
        EXPECT_LE(AudioOut1->InFlight, 4);
    }
    EXPECT_EQ(AudioOut1->BuffersReturned, 10);
    EXPECT_FALSE(AudioOut1->StartStream(&AudioOut1));
    EXPECT_EQ(AudioOut1->LastError, "Wave output device is already open");
}

TEST_F(BenchStreaming, BusyInputIsRetriedWithoutPilingUpObjects) {
    bench->failOperation(platform::bench::Operation::openInput, platform::error::allocated);
    for (int p = 0; p < 3000; ++p)
        EXPECT_FALSE(pass(1));
    EXPECT_EQ(AudioIn1->LastError, bench->errorText(platform::error::allocated));
    EXPECT_TRUE(AudioIn1->findChildren<QObject*>().isEmpty());
    EXPECT_EQ(blocks, 0);
    bench->failOperation(platform::bench::Operation::openInput, platform::error::ok);
    EXPECT_TRUE(pass(16000));
    EXPECT_EQ(blocks, 2);
    run(1);
    EXPECT_TRUE(AudioIn1->findChildren<QObject*>().isEmpty());
}

TEST_F(BenchStreaming, RemovedInputDeviceEndsTheCaptureAndLaterOnesFail) {
    ASSERT_TRUE(pass(4000));
    bench->removeDevice(platform::bench::Direction::input);
    run(1);
    EXPECT_FALSE(AudioIn1->DeviceOpen);
    EXPECT_FALSE(pass(100));
    bench->restoreDevice(platform::bench::Direction::input);
    EXPECT_TRUE(pass(16000));
    EXPECT_FALSE(AudioIn1->DeviceOpen);
}

} // namespace
