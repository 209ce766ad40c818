// The playback component against the scripted sound card.
#include "FakeSoundCard.h"
#include "app/ErrorReport.h"
#include "audio/AudioOut.h"
#include "audio/StreamSettings.h"

#include <gtest/gtest.h>

namespace {

class Playback : public ::testing::Test {
protected:
    void SetUp() override {
        auto card = std::make_unique<fake::SoundCard>(script);
        card_ = card.get();
        platform::installSoundCard(std::move(card));
        // The window's playback component.
        AudioOut1 = new TAudioOut(&owner);
        configurePlayback(*AudioOut1);
        AudioOut1->OnFillBuffer = [this](char* Buffer, std::int32_t& Size) {
            capacities.push_back(Size);
            if (!supply) return false;
            ++fills;
            std::memset(Buffer, static_cast<char>(fills), static_cast<std::size_t>(Size));
            if (playBytes >= 0) Size = playBytes;
            return true;
        };
    }
    void TearDown() override {
        delete AudioOut1;
        fake::deliver();
        platform::installSoundCard(nullptr);
    }
    void play() {
        ASSERT_NE(card_->lastOutput, nullptr);
        ASSERT_TRUE(card_->lastOutput->complete());
        fake::deliver();
    }
    int liveWindows() {
        fake::deliver();
        return static_cast<int>(AudioOut1->findChildren<TCallBackWinOut*>().size());
    }

    fake::Script script;
    fake::SoundCard* card_ = nullptr;
    QObject owner;
    TAudioOut* AudioOut1 = nullptr;
    std::vector<std::int32_t> capacities;
    bool supply = true;
    int fills = 0;
    std::int32_t playBytes = -1;
};

TEST_F(Playback, StartPrimesAndQueuesAllBuffersAndRefillsEachPlayedOne) {
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    EXPECT_EQ(card_->outputFormat.channels, 1);
    EXPECT_EQ(card_->outputFormat.bytesPerSecond, 88200u);
    EXPECT_EQ(fills, 4);
    EXPECT_EQ(script.count("write"), 4);
    EXPECT_EQ(AudioOut1->InFlight, 4);
    for (int i = 0; i < 9; ++i) {
        play();
        EXPECT_EQ(AudioOut1->InFlight, 4);
    }
    EXPECT_EQ(fills, 13);
    EXPECT_EQ(script.count("write"), 13);
    ASSERT_EQ(script.played.size(), 9u);
    for (std::size_t i = 0; i < script.played.size(); ++i) {
        EXPECT_EQ(script.played[i].size(), 44100u);
        EXPECT_EQ(script.played[i][0], static_cast<char>(i + 1)) << "played in fill order";
    }
    for (auto capacity : capacities)
        EXPECT_EQ(capacity, 44100);
}

TEST_F(Playback, StartWhilePlayingFailsAndDisturbsNothing) {
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    play();
    const auto calls = script.log.size();
    const int filled = fills;
    EXPECT_FALSE(AudioOut1->StartStream(&AudioOut1));
    EXPECT_EQ(AudioOut1->LastError, "Wave output device is already open");
    EXPECT_EQ(script.log.size(), calls);
    EXPECT_EQ(fills, filled);
    EXPECT_EQ(AudioOut1->InFlight, 4);
    play();
    EXPECT_TRUE(AudioOut1->DeviceOpen);
}

TEST_F(Playback, DecliningHandlerLetsTheQueuePlayOutThenAStartSucceeds) {
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    play();
    supply = false;
    for (int remaining = 4; remaining > 1; --remaining) {
        play();
        EXPECT_TRUE(AudioOut1->DeviceOpen);
        EXPECT_EQ(AudioOut1->InFlight, remaining - 1);
    }
    play();
    EXPECT_FALSE(AudioOut1->DeviceOpen);
    EXPECT_FALSE(AudioOut1->Streaming);
    EXPECT_EQ(script.liveDevices, 0);
    EXPECT_EQ(script.played.size(), 5u);
    EXPECT_EQ(liveWindows(), 0);

    supply = true;
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    EXPECT_EQ(AudioOut1->InFlight, 4);
}

TEST_F(Playback, SmallerSizePlaysOnlyThatManyBytes) {
    playBytes = 10000;
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    play();
    play();
    ASSERT_EQ(script.played.size(), 2u);
    EXPECT_EQ(script.played[0].size(), 10000u);
    EXPECT_EQ(script.played[1].size(), 10000u);
    // A size beyond the buffer plays the buffer, nothing after it.
    // The buffers filled before the change play first.
    playBytes = 1 << 30;
    for (int i = 0; i < 5; ++i)
        play();
    ASSERT_EQ(script.played.size(), 7u);
    EXPECT_EQ(script.played[5].size(), 10000u);
    EXPECT_EQ(script.played[6].size(), 44100u);
}

TEST_F(Playback, NoHandlerMeansNoStart) {
    AudioOut1->OnFillBuffer = nullptr;
    EXPECT_FALSE(AudioOut1->StartStream(&AudioOut1));
    EXPECT_EQ(AudioOut1->LastError, "There must be at least one filled buffer");
    EXPECT_FALSE(AudioOut1->DeviceOpen);
    EXPECT_EQ(script.count("write"), 0);
    EXPECT_EQ(script.liveDevices, 0);
    EXPECT_EQ(liveWindows(), 0);
    supply = false;
    AudioOut1->OnFillBuffer = [](char*, std::int32_t&) { return false; };
    EXPECT_FALSE(AudioOut1->StartStream(&AudioOut1));
    EXPECT_EQ(AudioOut1->LastError, "There must be at least one filled buffer");
}

TEST_F(Playback, PausedWhileClosedOnlyRecordsTheFlag) {
    AudioOut1->setPaused(true);
    EXPECT_TRUE(AudioOut1->Paused());
    EXPECT_TRUE(script.log.empty());
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    // The device is paused before the first buffer reaches it.
    const auto pause = std::find(script.log.begin(), script.log.end(), "pause");
    const auto write = std::find(script.log.begin(), script.log.end(), "write");
    ASSERT_NE(pause, script.log.end());
    EXPECT_LT(pause - script.log.begin(), write - script.log.begin());
    EXPECT_TRUE(script.paused);
    AudioOut1->setPaused(false);
    EXPECT_EQ(script.count("restart"), 1);
    EXPECT_FALSE(script.paused);
    AudioOut1->setPaused(true);
    EXPECT_EQ(script.count("pause"), 2);
    AudioOut1->AbortStream();
    EXPECT_FALSE(AudioOut1->Paused()); // cleared when the device closes
}

TEST_F(Playback, DeviceFailuresAtTheStart) {
    const platform::SoundCard& card = *card_;
    const struct {
        const char* operation;
        platform::MMResult code;
        int successes;
    } cases[] = {
        {"openOutput", platform::error::allocated, 0},
        {"openOutput", platform::error::badFormat, 0},
        {"prepare", platform::error::noMemory, 2},
        {"write", platform::error::invalidHandle, 0},
    };
    for (const auto& c : cases) {
        script.failures = {{c.operation, c.code}};
        script.failAfter = {{c.operation, c.successes}};
        EXPECT_FALSE(AudioOut1->StartStream(&AudioOut1)) << c.operation;
        EXPECT_EQ(AudioOut1->LastError, card.errorText(c.code)) << c.operation;
        EXPECT_FALSE(AudioOut1->DeviceOpen) << c.operation;
        EXPECT_EQ(script.liveDevices, 0) << c.operation;
        EXPECT_EQ(liveWindows(), 0) << c.operation;
    }
}

TEST_F(Playback, LaterWriteFailureDrainsAndCloses) {
    // Two buffers reach the device at the start, the third write fails.
    script.failures = {{"write", platform::error::noMemory}};
    script.failAfter = {{"write", 2}};
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    EXPECT_EQ(AudioOut1->LastError, card_->errorText(platform::error::noMemory));
    EXPECT_FALSE(AudioOut1->KeepRunning);
    EXPECT_EQ(AudioOut1->InFlight, 2);
    play();
    EXPECT_TRUE(AudioOut1->DeviceOpen);
    play();
    EXPECT_FALSE(AudioOut1->DeviceOpen);
    EXPECT_EQ(script.liveDevices, 0);

    // Failing while playing: what is queued plays out, then the device closes.
    script.failures.clear();
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    script.failures = {{"write", platform::error::noMemory}};
    script.failAfter = {{"write", 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(AudioOut1->DeviceOpen) << i;
        play();
    }
    EXPECT_FALSE(AudioOut1->DeviceOpen);
    EXPECT_EQ(script.liveDevices, 0);
}

TEST_F(Playback, DeclinedPrimingBuffersAreHeldBack) {
    int calls = 0;
    AudioOut1->OnFillBuffer = [&](char* Buffer, std::int32_t& Size) {
        ++calls;
        std::memset(Buffer, 7, static_cast<std::size_t>(Size));
        return calls != 2; // declines the second buffer only
    };
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    EXPECT_EQ(script.count("write"), 1);
    EXPECT_EQ(AudioOut1->InFlight, 1);
    play(); // the refill goes to a free buffer and keeps the stream going
    EXPECT_TRUE(AudioOut1->DeviceOpen);
    EXPECT_EQ(AudioOut1->InFlight, 1);
    EXPECT_EQ(script.played.size(), 1u);
    AudioOut1->FinishStream();
    play();
    EXPECT_FALSE(AudioOut1->DeviceOpen);
    EXPECT_EQ(script.liveDevices, 0);
}

TEST_F(Playback, DestroyingAPlayingComponentStopsAndClosesTheDeviceFirst) {
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    delete AudioOut1;
    AudioOut1 = nullptr;
    EXPECT_EQ(script.liveDevices, 0);
    EXPECT_EQ(script.log.back(), "close");
    EXPECT_GE(script.count("reset"), 1);
    fake::deliver();
}

TEST_F(Playback, HandlerExceptionDoesNotLeaveTheStreamHanging) {
    bool fail = false;
    AudioOut1->OnFillBuffer = [&](char*, std::int32_t&) -> bool {
        if (fail) throw std::runtime_error("fill failed");
        return true;
    };
    // The program's error report shows each exception once.
    std::vector<QString> reports;
    app::setErrorBox([&](const QString&, const QString& text) { reports.push_back(text); });
    ASSERT_TRUE(AudioOut1->StartStream(&AudioOut1));
    fail = true;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(card_->lastOutput->complete());
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(reports.size(), static_cast<std::size_t>(i + 1));
    }
    fake::deliver();
    EXPECT_FALSE(AudioOut1->DeviceOpen);
    fail = false;
    EXPECT_TRUE(AudioOut1->StartStream(&AudioOut1));
}

} // namespace
