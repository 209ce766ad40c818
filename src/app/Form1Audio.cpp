// TForm1: its recording and playback components. Both are children of the
// window and live as long as it; a component destroyed with an open device
// stops and closes it first. A stream that gives nothing for a second while
// the window expects it is shown on a red panel with its reason, and its
// device is tried again, at most every half second.

#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "app/IdleCycle.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"
#include "audio/StreamSettings.h"
#include "platform/SoundCard.h"

#include <QLabel>
#include <QTimer>
#include <cstdio>

TAudioIn* TForm1::CreateAudioIn1() {
    auto* component = new TAudioIn(this);
    configureRecording(*component);
    component->OnBufferFilled = [this](char* Buffer, std::int32_t& Size) {
        return app::reportExceptions([&] { return AudioIn1BufferFilled(Buffer, Size); });
    };
    return component;
}

TAudioOut* TForm1::CreateAudioOut1() {
    auto* component = new TAudioOut(this);
    configurePlayback(*component);
    // A buffer whose handler fails is reported and counts as declined.
    component->OnFillBuffer = [this](char* Buffer, std::int32_t& Size) {
        // A buffer asked for is one played (or the first of a stream).
        if (streamClock_.isValid()) playbackWatch_.delivered(streamClock_.elapsed());
        return app::reportExceptions([&] { return AudioOut1FillBuffer(Buffer, Size); });
    };
    component->OnStart = [this](QObject* Sender) {
        app::reportExceptions([&] { AudioOut1Start(Sender); });
    };
    return component;
}

void TForm1::createStreamWatch() {
    streamClock_.start();
    watchTimer_ = new QTimer(this);
    watchTimer_->setInterval(250);
    // The watch opens devices itself; it never wakes the idle cycle for nothing.
    idle_->ignore(watchTimer_);
    connect(watchTimer_, &QTimer::timeout, this,
            [this] { app::reportExceptions([this] { WatchStreams(); }); });
    watchTimer_->start();
}

bool TForm1::captureAttemptDue() const {
    return !streamClock_.isValid() || recordingWatch_.attemptDue(streamClock_.elapsed());
}

void TForm1::StartCapture() {
    if (AudioIn1->DeviceOpen || !captureAttemptDue()) return;
    // A busy input is tried twice.
    if (!AudioIn1->StartStream(&AudioIn1)) AudioIn1->StartStream(&AudioIn1);
    if (streamClock_.isValid())
        recordingWatch_.attempted(AudioIn1->DeviceOpen ? platform::error::ok : AudioIn1->LastResult,
                                  streamClock_.elapsed());
}

void TForm1::WatchStreams() {
    const std::int64_t now = streamClock_.elapsed();
    // While the window is open it records and plays, whatever start-up
    // achieved (a mixer that failed to open ends it early).
    recordingWatch_.expect(true, now);
    playbackWatch_.expect(true, now);
    StartCapture();
    // Playback that stopped (its device went away) starts again by itself.
    if (!AudioOut1->DeviceOpen && playbackWatch_.attemptDue(now)) {
        AudioOut1->StartStream(&AudioOut1);
        playbackWatch_.attempted(
            AudioOut1->DeviceOpen ? platform::error::ok : AudioOut1->LastResult, now);
    }
    showSilence(*recordingPanel, StreamKind::recording, recordingWatch_.silence(now),
                gainNotReduced ? gainNotReducedText() : "");
    showSilence(*playbackPanel, StreamKind::playback, playbackWatch_.silence(now), "");
}

void TForm1::showSilence(TPanel& panel, StreamKind kind,
                         const std::optional<platform::MMResult>& reason,
                         const std::string& extra) {
    std::string text = extra;
    if (reason) {
        const std::string device =
            platform::hasSoundCard() ? platform::soundCard().deviceName() : std::string();
        text = silenceText(kind, *reason, device);
    }
    if (text.empty()) {
        panel.hide();
        return;
    }
    if (reportedSilences_.insert(text).second) {
        std::fprintf(stderr, "zo7scope: %s\n", text.c_str());
        std::fflush(stderr);
    }
    panel.setText(QString::fromStdString(text));
    panel.show();
    panel.raise();
}
