// TForm1: its recording and playback components. Both are children of the
// window and live as long as it; a component destroyed with an open device
// stops and closes it first.

#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"
#include "audio/StreamSettings.h"

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
        return app::reportExceptions([&] { return AudioOut1FillBuffer(Buffer, Size); });
    };
    component->OnStart = [this](QObject* Sender) {
        app::reportExceptions([&] { AudioOut1Start(Sender); });
    };
    return component;
}
