#pragma once
// The recording component: opens the sound card's wave input, hands its
// buffers to the device and gives every buffer the device returns to the
// application through OnBufferFilled. A handler that returns True has the
// buffer recorded into again (continuous recording); one that returns False
// lets the stream end after the buffers in flight, so that every start
// records exactly NumBuffers buffers and then closes the device by itself.

#include "audio/AudioIO.h"

#include <QEvent>
#include <memory>

class TAudioIn;

// The invisible object the wave input of one stream notifies. It reaches its
// component at every message through the variable whose address the caller
// of StartStream gave, and it deletes itself once its device has reported
// that it has closed.
class TCallBackWinIn : public QObject {
public:
    TCallBackWinIn(TAudioIn* Owner, TAudioIn** Ref);

    TAudioIn** Ref;

protected:
    bool event(QEvent* Event) override;
};

class TAudioIn : public TAudioIO {
public:
    explicit TAudioIn(QObject* Owner = nullptr);
    ~TAudioIn() override; // stops and closes an open device first

    // A new capture: open the device and hand it all buffers. False (with
    // LastError) when a capture is still running or the device cannot be
    // opened or started. Ref is the address of the caller's variable that
    // refers to this component.
    bool StartStream(TAudioIn** Ref);

    void AbortStream() override;
    void FinishStream() override;

    virtual bool ServiceBuffer(char* Buffer, std::int32_t Size);
    virtual void CloseDevice();
    virtual bool OpenDevice(TAudioIn** Ref);
    bool RunStream();
    bool QueueNext();

    bool DeviceOpen = false;
    TCallBackWinIn* NotifyWindow = nullptr;
    TBufferEvent OnBufferFilled;
    std::unique_ptr<platform::WaveInput> DeviceHandle;

protected:
    bool DeviceIsOpen() const override { return DeviceOpen; }

private:
    friend class TCallBackWinIn;
    // A buffer has come back from the device (the data notification that
    // From, the current stream's notification object, received).
    void BufferReturned(TCallBackWinIn* From, const platform::WaveHeader* Header);
};
