// The recording component against the scripted sound card.
#include "FakeSoundCard.h"
#include "app/ErrorReport.h"
#include "audio/AudioIn.h"
#include "audio/StreamSettings.h"

#include <gtest/gtest.h>

namespace {

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        auto card = std::make_unique<fake::SoundCard>(script);
        card_ = card.get();
        platform::installSoundCard(std::move(card));
        // The window's recording component.
        AudioIn1 = new TAudioIn(&owner);
        configureRecording(*AudioIn1);
        AudioIn1->OnBufferFilled = [this](char* Buffer, std::int32_t& Size) {
            received.push_back({Buffer[0], Size});
            Size = 1; // must not matter
            return keep;
        };
    }
    void TearDown() override {
        delete AudioIn1;
        fake::deliver();
        platform::installSoundCard(nullptr);
    }
    // Hands the oldest queued buffer back and delivers its notification.
    void complete(std::optional<std::uint32_t> recorded = std::nullopt) {
        ASSERT_NE(card_->lastInput, nullptr);
        ASSERT_TRUE(card_->lastInput->complete(recorded));
        fake::deliver();
    }
    int liveWindows() {
        fake::deliver();
        return static_cast<int>(AudioIn1->findChildren<TCallBackWinIn*>().size());
    }

    fake::Script script;
    fake::SoundCard* card_ = nullptr;
    QObject owner;
    TAudioIn* AudioIn1 = nullptr;
    struct Block {
        char mark;
        std::int32_t size;
    };
    std::vector<Block> received;
    bool keep = false;
};

TEST_F(Recording, OneCaptureIsTwoBlocksAndTheSecondClosesTheDevice) {
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    EXPECT_EQ(card_->inputFormat.channels, 2);
    EXPECT_EQ(card_->inputFormat.framesPerSecond, 44100u);
    EXPECT_EQ(card_->inputFormat.blockAlign, 4);
    EXPECT_EQ(script.count("start"), 1);
    EXPECT_EQ(script.count("addBuffer"), 2);
    EXPECT_EQ(AudioIn1->InFlight, 2);
    EXPECT_TRUE(AudioIn1->Streaming);

    complete();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].mark, 1);
    EXPECT_EQ(received[0].size, 32000);
    EXPECT_TRUE(AudioIn1->DeviceOpen);
    EXPECT_EQ(AudioIn1->InFlight, 1);
    EXPECT_EQ(script.count("addBuffer"), 2); // declined: not requeued

    complete();
    ASSERT_EQ(received.size(), 2u);
    // The second block is the second buffer's recording, not the first again.
    EXPECT_EQ(received[1].mark, 2);
    EXPECT_EQ(received[1].size, 32000);
    EXPECT_FALSE(AudioIn1->DeviceOpen);
    EXPECT_FALSE(AudioIn1->Streaming);
    EXPECT_FALSE(AudioIn1->KeepRunning);
    EXPECT_EQ(AudioIn1->BuffersReturned, 2);
    EXPECT_EQ(AudioIn1->BuffersFilled, 0);
    EXPECT_EQ(script.count("close"), 1);
    EXPECT_EQ(script.liveDevices, 0);

    // The next capture starts at once and delivers two more blocks.
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    complete();
    complete();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[2].mark, 3);
    EXPECT_EQ(received[3].mark, 4);
    EXPECT_FALSE(AudioIn1->DeviceOpen);
}

TEST_F(Recording, StartWhileOpenFailsAndDisturbsNothing) {
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    complete();
    const auto calls = script.log.size();
    TCallBackWinIn* window = AudioIn1->NotifyWindow;
    EXPECT_FALSE(AudioIn1->StartStream(&AudioIn1));
    EXPECT_EQ(AudioIn1->LastError, "Wave Input device is already open");
    EXPECT_EQ(script.log.size(), calls);
    EXPECT_EQ(AudioIn1->NotifyWindow, window);
    EXPECT_EQ(AudioIn1->InFlight, 1);
    EXPECT_EQ(AudioIn1->NextSlot, 0);
    EXPECT_TRUE(AudioIn1->KeepRunning);
    complete();
    EXPECT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].mark, 2);
    EXPECT_FALSE(AudioIn1->DeviceOpen);
}

TEST_F(Recording, HandlerReturningTrueKeepsRecordingUntilFinished) {
    keep = true;
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    for (int i = 1; i <= 10; ++i) {
        complete();
        EXPECT_EQ(received.back().mark, i);
        EXPECT_EQ(AudioIn1->InFlight, 2);
    }
    EXPECT_TRUE(AudioIn1->DeviceOpen);
    EXPECT_EQ(AudioIn1->BuffersFilled, 10);
    EXPECT_EQ(script.count("addBuffer"), 12);

    AudioIn1->FinishStream();
    complete();
    EXPECT_TRUE(AudioIn1->DeviceOpen);
    complete();
    EXPECT_FALSE(AudioIn1->DeviceOpen);
    EXPECT_EQ(received.size(), 10u); // drained buffers are dropped
    EXPECT_EQ(script.count("addBuffer"), 12);
}

TEST_F(Recording, WithoutHandlerEveryBufferIsRequeued) {
    AudioIn1->OnBufferFilled = nullptr;
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    for (int i = 0; i < 5; ++i)
        complete();
    EXPECT_TRUE(AudioIn1->DeviceOpen);
    EXPECT_EQ(AudioIn1->BuffersFilled, 5);
    EXPECT_EQ(AudioIn1->InFlight, 2);
    AudioIn1->AbortStream();
    EXPECT_FALSE(AudioIn1->DeviceOpen);
    EXPECT_EQ(script.liveDevices, 0);
    EXPECT_EQ(liveWindows(), 0);
}

TEST_F(Recording, DeviceFailuresLeaveTheComponentClosed) {
    const platform::SoundCard& card = *card_;
    const struct {
        const char* operation;
        platform::MMResult code;
        int successes;
        std::string text;
    } cases[] = {
        {"openInput", platform::error::allocated, 0, card.errorText(platform::error::allocated)},
        {"openInput", platform::error::badDeviceId, 0,
         card.errorText(platform::error::badDeviceId)},
        {"prepare", platform::error::noMemory, 1, card.errorText(platform::error::noMemory)},
        {"start", platform::error::invalidHandle, 0,
         "Error starting wave record: " + card.errorText(platform::error::invalidHandle)},
        {"addBuffer", platform::error::invalidParam, 1,
         card.errorText(platform::error::invalidParam)},
    };
    for (const auto& c : cases) {
        script.failures = {{c.operation, c.code}};
        script.failAfter = {{c.operation, c.successes}};
        EXPECT_FALSE(AudioIn1->StartStream(&AudioIn1)) << c.operation;
        EXPECT_EQ(AudioIn1->LastError, c.text) << c.operation;
        EXPECT_FALSE(AudioIn1->DeviceOpen) << c.operation;
        EXPECT_FALSE(AudioIn1->Streaming) << c.operation;
        EXPECT_EQ(script.liveDevices, 0) << c.operation;
        EXPECT_EQ(liveWindows(), 0) << c.operation;
        EXPECT_TRUE(received.empty()) << c.operation;
    }
    // The device comes back: the next attempt records.
    script.failures.clear();
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    complete();
    complete();
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(Recording, FailingOpenRetriedManyTimesKeepsNothing) {
    script.failures = {{"openInput", platform::error::allocated}};
    for (int pass = 0; pass < 5000; ++pass) {
        // Two attempts per idle pass, as the window makes them.
        if (!AudioIn1->StartStream(&AudioIn1)) AudioIn1->StartStream(&AudioIn1);
    }
    EXPECT_EQ(AudioIn1->children().size(), 0);
    EXPECT_EQ(liveWindows(), 0);
    EXPECT_EQ(script.liveDevices, 0);
    EXPECT_EQ(AudioIn1->NotifyWindow, nullptr);
    EXPECT_EQ(script.count("openInput"), 10000);
}

TEST_F(Recording, NotificationObjectsGoAwayAfterTheirCloseMessage) {
    std::vector<QObject*> starts;
    std::vector<QObject*> stops;
    AudioIn1->OnStart = [&](QObject* Sender) { starts.push_back(Sender); };
    AudioIn1->OnStop = [&](QObject* Sender) { stops.push_back(Sender); };
    for (int capture = 0; capture < 50; ++capture) {
        ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
        QObject* window = AudioIn1->NotifyWindow;
        complete();
        complete();
        ASSERT_EQ(starts.size(), static_cast<std::size_t>(capture + 1));
        EXPECT_EQ(starts.back(), window);
        ASSERT_EQ(stops.size(), static_cast<std::size_t>(capture + 1));
        EXPECT_EQ(stops.back(), window);
        EXPECT_LE(liveWindows(), 1);
    }
    EXPECT_EQ(liveWindows(), 0);
}

TEST_F(Recording, MessagesReachTheComponentThroughTheCallersVariable) {
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    // The caller lets go of the component: its messages are no longer handled.
    TAudioIn* const component = AudioIn1;
    AudioIn1 = nullptr;
    complete();
    EXPECT_TRUE(received.empty());
    AudioIn1 = component;
    complete();
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(Recording, ABufferGivenBackEarlyCarriesOnlyWhatItRecorded) {
    // The device stopped (a server went away) during the first buffer: it
    // gives both back and refuses more, which tells its reason.
    const struct {
        std::uint32_t recorded;
        int handed; // buffers the handler gets
    } cases[] = {{0, 0}, {4, 1}, {6000, 1}};
    for (const auto& c : cases) {
        received.clear();
        script.failures = {{"addBuffer", platform::error::serverDown}};
        script.failAfter = {{"addBuffer", 2}};
        ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
        complete(c.recorded);
        complete(0);
        ASSERT_EQ(received.size(), static_cast<std::size_t>(c.handed)) << c.recorded;
        if (c.handed) {
            EXPECT_EQ(received[0].size, static_cast<std::int32_t>(c.recorded));
        }
        EXPECT_FALSE(AudioIn1->DeviceOpen) << c.recorded;
        EXPECT_EQ(AudioIn1->LastResult, platform::error::serverDown) << c.recorded;
    }
}

TEST_F(Recording, BuffersOfAnAbortedStreamAreNotHandedOn) {
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    AudioIn1->AbortStream(); // reset returns both buffers with their messages
    EXPECT_FALSE(AudioIn1->DeviceOpen);
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    fake::deliver(); // the old stream's messages
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(AudioIn1->InFlight, 2);
    complete();
    complete();
    EXPECT_EQ(received.size(), 2u);
    EXPECT_FALSE(AudioIn1->DeviceOpen);
}

TEST_F(Recording, DestroyingAnOpenComponentStopsAndClosesTheDeviceFirst) {
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    ASSERT_EQ(card_->lastInput->queued(), 2u);
    delete AudioIn1;
    AudioIn1 = nullptr;
    EXPECT_EQ(script.liveDevices, 0);
    EXPECT_EQ(script.count("reset") >= 1, true);
    EXPECT_EQ(script.log.back(), "close");
    fake::deliver(); // nothing may arrive at the deleted component
    EXPECT_TRUE(received.empty());
}

TEST_F(Recording, HandlerExceptionStillEndsTheCapture) {
    AudioIn1->OnBufferFilled = [](char*, std::int32_t&) -> bool {
        throw std::runtime_error("handler failed");
    };
    // The program's error report shows each exception once.
    std::vector<QString> reports;
    app::setErrorBox([&](const QString&, const QString& text) { reports.push_back(text); });
    ASSERT_TRUE(AudioIn1->StartStream(&AudioIn1));
    ASSERT_TRUE(card_->lastInput->complete());
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(card_->lastInput->complete());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(reports, std::vector<QString>(2, "handler failed."));
    EXPECT_FALSE(AudioIn1->DeviceOpen);
    EXPECT_TRUE(AudioIn1->StartStream(&AudioIn1));
}

} // namespace
