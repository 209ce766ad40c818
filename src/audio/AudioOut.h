#pragma once
// The playback component: opens the sound card's wave output, has the
// application fill each buffer through OnFillBuffer, hands the filled buffers
// to the device and refills every buffer as soon as it has been played. While
// the handler supplies data the output never stops; once it declines, the
// buffers still queued play out and the device closes by itself.

#include "audio/AudioIO.h"
#include "audio/PlaybackHistory.h"

#include <QEvent>
#include <memory>

class TAudioOut;

// The invisible object the wave output of one stream notifies; see
// TCallBackWinIn.
class TCallBackWinOut : public QObject {
public:
    TCallBackWinOut(TAudioOut* Owner, TAudioOut** Ref);

    TAudioOut** Ref;

protected:
    bool event(QEvent* Event) override;
};

class TAudioOut : public TAudioIO {
public:
    explicit TAudioOut(QObject* Owner = nullptr);
    ~TAudioOut() override; // stops and closes an open device first

    // Starts playback: open the device, have every buffer filled and queue
    // them. False (with LastError) when playback is running already or the
    // device cannot be opened, prepared or primed. Ref is the address of the
    // caller's variable that refers to this component.
    bool StartStream(TAudioOut** Ref);

    // While playing, True holds the device and False resumes it. Cleared
    // whenever the device closes.
    bool Paused() const { return Paused_; }
    void setPaused(bool Value);

    void AbortStream() override;
    void FinishStream() override;

    virtual bool ServiceBuffer(int Index, std::int32_t Size);
    virtual void CloseDevice();
    virtual bool OpenDevice(TAudioOut** Ref);
    bool RunStream();
    bool QueueNext();

    bool DeviceOpen = false;
    TCallBackWinOut* NotifyWindow = nullptr;
    TBufferEvent OnFillBuffer;
    // What the buffer being filled carries; OnFillBuffer sets it (generator
    // 1's frequency), and the buffer keeps it while it is with the device.
    std::int32_t BufferTag = 0;
    // When the buffers handed to the device played, with their tags.
    const PlaybackHistory& Played() const { return Played_; }
    std::unique_ptr<platform::WaveOutput> DeviceHandle;

protected:
    bool DeviceIsOpen() const override { return DeviceOpen; }

private:
    friend class TCallBackWinOut;
    // A buffer has been played (the done notification that From, the current
    // stream's notification object, received).
    void BufferDone(TCallBackWinOut* From);
    // Buffers filled when the stream was opened and not yet handed over.
    std::int32_t Primed = 0;
    std::array<std::int32_t, MaxBuffers> SlotTags{};
    PlaybackHistory Played_;
};
