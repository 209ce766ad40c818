#include "audio/AudioIn.h"

#include <algorithm>
#include <exception>

TCallBackWinIn::TCallBackWinIn(TAudioIn* Owner, TAudioIn** Ref) : QObject(Owner), Ref(Ref) {}

bool TCallBackWinIn::event(QEvent* Event) {
    if (Event->type() != platform::DeviceEvent::eventType()) return QObject::event(Event);
    const auto* notification = static_cast<const platform::DeviceEvent*>(Event);
    TAudioIn* component = Ref ? *Ref : static_cast<TAudioIn*>(parent());
    switch (notification->message()) {
    case platform::message::inputOpened:
        if (component && component->OnStart) component->OnStart(this);
        break;
    case platform::message::inputClosed:
        // The last message of this stream: nothing will refer to us again.
        if (static_cast<TAudioIn*>(parent())->NotifyWindow != this) deleteLater();
        if (component && component->OnStop) component->OnStop(this);
        break;
    case platform::message::inputData:
        // Buffers of a stream that has been closed meanwhile (reset) are no
        // longer the component's business.
        if (component && component->NotifyWindow == this)
            component->BufferReturned(this, notification->header());
        break;
    default:
        break;
    }
    return true;
}

TAudioIn::TAudioIn(QObject* Owner) : TAudioIO(Owner) {}

TAudioIn::~TAudioIn() {
    AbortStream();
}

bool TAudioIn::StartStream(TAudioIn** Ref) {
    return OpenDevice(Ref) && RunStream();
}

bool TAudioIn::OpenDevice(TAudioIn** Ref) {
    if (DeviceOpen) {
        LastError = "Wave Input device is already open";
        return false;
    }
    NextSlot = 0;
    if (!PrepareStreamBuffers()) return false;
    if (!platform::hasSoundCard()) {
        LastResult = platform::error::noDriver;
        LastError = InputErrorText(platform::error::noDriver);
        return false;
    }
    auto window = std::make_unique<TCallBackWinIn>(this, Ref);
    const platform::MMResult result =
        platform::soundCard().openInput(DeviceId, WaveFormat(), window.get(), DeviceHandle);
    if (result != platform::error::ok || !DeviceHandle) {
        // Nothing of a failed attempt stays: it is retried in every idle pass.
        DeviceHandle.reset();
        LastResult = result != platform::error::ok ? result : platform::error::unspecified;
        LastError = InputErrorText(LastResult);
        return false;
    }
    NotifyWindow = window.release();
    LastResult = platform::error::ok;
    DeviceOpen = true;
    if (!PrepareDeviceHeaders(*DeviceHandle, &TAudioIO::InputErrorText)) {
        CloseDevice();
        return false;
    }
    return true;
}

bool TAudioIn::RunStream() {
    const platform::MMResult result = DeviceHandle->start();
    if (result != platform::error::ok) {
        CloseDevice();
        LastResult = result;
        LastError = "Error starting wave record: " + InputErrorText(result);
        return false;
    }
    Streaming = true;
    for (int i = 0; i < StreamBuffers; ++i) {
        if (!QueueNext()) {
            CloseDevice();
            return false;
        }
    }
    return true;
}

bool TAudioIn::QueueNext() {
    platform::WaveHeader& header = *Headers[static_cast<std::size_t>(NextSlot)];
    header.flags = platform::headerFlag::prepared;
    const platform::MMResult result = DeviceHandle->addBuffer(header);
    if (result != platform::error::ok) {
        LastResult = result;
        LastError = InputErrorText(result);
        FinishStream();
        return false;
    }
    NextSlot = (NextSlot + 1) % StreamBuffers;
    ++InFlight;
    return true;
}

bool TAudioIn::ServiceBuffer(char* Buffer, std::int32_t Size) {
    if (!KeepRunning) return false;
    bool result = true;
    if (OnBufferFilled) {
        std::int32_t size = Size; // what the handler writes back is not used
        result = OnBufferFilled(Buffer, size);
    }
    if (result) ++BuffersFilled;
    return result;
}

void TAudioIn::BufferReturned(TCallBackWinIn* From, const platform::WaveHeader* Header) {
    ++BuffersReturned;
    --InFlight;
    Streaming = InFlight > 0;
    // The handler gets the buffer the device returned; buffers come back in
    // the order they were handed over, so without a header it is the oldest.
    const int slot = SlotOfHeader(Header);
    if (slot >= 0) NextSlot = slot;
    bool requeue = false;
    std::exception_ptr failure;
    try {
        // A buffer the device gave back early (it went away) carries only
        // what it recorded; none of an earlier block is handed on as new,
        // and one that recorded nothing is no block at all.
        const std::int32_t size =
            Header ? std::min<std::int32_t>(static_cast<std::int32_t>(Header->bytesRecorded),
                                            StreamSize)
                   : StreamSize;
        // An empty one comes back because the device stopped: offered
        // again, it brings the device's reason, or records after all.
        requeue = size > 0 ? ServiceBuffer(Buffers[static_cast<std::size_t>(NextSlot)], size)
                           : KeepRunning;
    } catch (...) {
        // The stream is brought to a consistent state before the handler's
        // exception goes on to the application's error report.
        failure = std::current_exception();
    }
    // The handler may have stopped this stream or started another one.
    if (DeviceOpen && NotifyWindow == From) {
        if (requeue) QueueNext();
        Streaming = InFlight > 0;
        if (!Streaming) {
            KeepRunning = false;
            CloseDevice();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

void TAudioIn::CloseDevice() {
    Streaming = false;
    if (DeviceHandle) {
        // Reset first, so that no header is still queued when it is
        // unprepared and the device is closed.
        DeviceHandle->reset();
        for (int i = 0; i < StreamBuffers; ++i)
            DeviceHandle->unprepareHeader(*Headers[static_cast<std::size_t>(i)]);
        const platform::MMResult closed = DeviceHandle->close();
        // Destroying the device stops it for good; only a successful close
        // posts the close notification the notification object waits for.
        DeviceHandle.reset();
        if (closed != platform::error::ok && NotifyWindow) NotifyWindow->deleteLater();
    }
    NotifyWindow = nullptr;
    DeviceOpen = false;
}

void TAudioIn::AbortStream() {
    if (!DeviceOpen) return;
    Streaming = false;
    KeepRunning = false;
    if (DeviceHandle) DeviceHandle->reset();
    CloseDevice();
}

void TAudioIn::FinishStream() {
    if (DeviceOpen) KeepRunning = false;
}
