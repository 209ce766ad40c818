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
    // A capture that opened but failed before its block (a sound server that
    // refused it late) counts as the failed attempt it was.
    component->OnStop = [this](QObject*) {
        if (platform::hasSoundCard() && AudioIn1->LastResult != platform::error::ok)
            recordingWatch_.attempted(AudioIn1->LastResult, streamNow());
    };
    return component;
}

TAudioOut* TForm1::CreateAudioOut1() {
    auto* component = new TAudioOut(this);
    configurePlayback(*component);
    // A buffer whose handler fails is reported and counts as declined.
    component->OnFillBuffer = [this](char* Buffer, std::int32_t& Size) {
        // A buffer asked for is one played (or the first of a stream).
        if (platform::hasSoundCard()) playbackWatch_.delivered(streamNow());
        generatorPlayed_ = true;
        return app::reportExceptions([&] { return AudioOut1FillBuffer(Buffer, Size); });
    };
    component->OnStart = [this](QObject* Sender) {
        app::reportExceptions([&] { AudioOut1Start(Sender); });
    };
    // Playback that opened but failed before it played counts as a failed attempt.
    component->OnStop = [this](QObject*) {
        if (platform::hasSoundCard() && AudioOut1->LastResult != platform::error::ok)
            playbackWatch_.attempted(AudioOut1->LastResult, streamNow());
    };
    return component;
}

std::int64_t TForm1::streamNow() const {
    // The sound card's own clock: on the bench its simulated time, so that
    // the watch and its retries keep the pace of the simulated streams.
    return platform::hasSoundCard() ? platform::soundCard().clockMicroseconds() / 1000 : 0;
}

void TForm1::createStreamWatch() {
    watchTimer_ = new QTimer(this);
    watchTimer_->setInterval(250);
    // The watch opens devices itself; it never wakes the idle cycle for nothing.
    idle_->ignore(watchTimer_);
    connect(watchTimer_, &QTimer::timeout, this,
            [this] { app::reportExceptions([this] { WatchStreams(); }); });
    watchTimer_->start();
}

bool TForm1::captureAttemptDue() const {
    // Half a second after the last attempt on either clock: the card's, or
    // the wall's for a bench whose simulated clock stands while nothing
    // records.
    return !platform::hasSoundCard() || recordingWatch_.attemptDue(streamNow()) ||
           !captureTried_.isValid() || captureTried_.elapsed() >= recordingWatch_.retryDelayMs();
}

void TForm1::StartCapture() {
    if (AudioIn1->DeviceOpen || !captureAttemptDue()) return;
    // A busy input is tried twice.
    if (!AudioIn1->StartStream(&AudioIn1) && AudioIn1->LastResult == platform::error::allocated)
        AudioIn1->StartStream(&AudioIn1);
    captureTried_.start();
    if (platform::hasSoundCard())
        recordingWatch_.attempted(AudioIn1->DeviceOpen ? platform::error::ok : AudioIn1->LastResult,
                                  streamNow());
}

void TForm1::WatchStreams() {
    const std::int64_t now = streamNow();
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
        const bool card = platform::hasSoundCard();
        text = silenceText(kind, *reason, card ? platform::soundCard().deviceName() : std::string(),
                           card && platform::soundCard().throughSoundServer());
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
