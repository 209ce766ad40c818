#include "audio/AudioOut.h"

#include <algorithm>
#include <exception>

namespace {

std::int64_t cardClock() {
    return platform::hasSoundCard() ? platform::soundCard().clockMicroseconds() : 0;
}

} // namespace

TCallBackWinOut::TCallBackWinOut(TAudioOut* Owner, TAudioOut** Ref) : QObject(Owner), Ref(Ref) {}

bool TCallBackWinOut::event(QEvent* Event) {
    if (Event->type() != platform::DeviceEvent::eventType()) return QObject::event(Event);
    const auto* notification = static_cast<const platform::DeviceEvent*>(Event);
    TAudioOut* component = Ref ? *Ref : static_cast<TAudioOut*>(parent());
    switch (notification->message()) {
    case platform::message::outputOpened:
        if (component && component->OnStart) component->OnStart(this);
        break;
    case platform::message::outputClosed:
        // The last message of this stream: nothing will refer to us again.
        if (static_cast<TAudioOut*>(parent())->NotifyWindow != this) deleteLater();
        if (component && component->OnStop) component->OnStop(this);
        break;
    case platform::message::outputDone:
        if (component && component->NotifyWindow == this) component->BufferDone(this);
        break;
    default:
        break;
    }
    return true;
}

TAudioOut::TAudioOut(QObject* Owner) : TAudioIO(Owner) {}

TAudioOut::~TAudioOut() {
    AbortStream();
}

bool TAudioOut::StartStream(TAudioOut** Ref) {
    return OpenDevice(Ref) && RunStream();
}

void TAudioOut::setPaused(bool Value) {
    Paused_ = Value;
    if (!Streaming || !DeviceHandle) return;
    if (Value)
        DeviceHandle->pause();
    else
        DeviceHandle->restart();
}

bool TAudioOut::OpenDevice(TAudioOut** Ref) {
    if (DeviceOpen) {
        LastError = "Wave output device is already open";
        return false;
    }
    NextSlot = 0;
    if (!PrepareStreamBuffers()) return false;
    if (!platform::hasSoundCard()) {
        LastResult = platform::error::noDriver;
        LastError = OutputErrorText(platform::error::noDriver);
        return false;
    }
    auto window = std::make_unique<TCallBackWinOut>(this, Ref);
    const platform::MMResult result =
        platform::soundCard().openOutput(DeviceId, WaveFormat(), window.get(), DeviceHandle);
    if (result != platform::error::ok || !DeviceHandle) {
        DeviceHandle.reset();
        LastResult = result != platform::error::ok ? result : platform::error::unspecified;
        LastError = OutputErrorText(LastResult);
        return false;
    }
    NotifyWindow = window.release();
    LastResult = platform::error::ok;
    DeviceOpen = true;
    if (!PrepareDeviceHeaders(*DeviceHandle, &TAudioIO::OutputErrorText)) {
        CloseDevice();
        return false;
    }
    Primed = 0;
    TCallBackWinOut* const stream = NotifyWindow;
    try {
        if (!ServiceBuffer(0, StreamSize)) {
            CloseDevice();
            LastError = "There must be at least one filled buffer";
            return false;
        }
        Primed = 1;
        // A buffer the handler declines holds no sound: it and the ones
        // after it stay back, to be filled when played buffers come back.
        while (Primed < StreamBuffers && DeviceOpen && NotifyWindow == stream &&
               ServiceBuffer(Primed, StreamSize))
            ++Primed;
    } catch (...) {
        if (DeviceOpen && NotifyWindow == stream) CloseDevice();
        throw;
    }
    if (!DeviceOpen || NotifyWindow != stream) {
        // The handler closed or restarted the device meanwhile.
        return false;
    }
    return true;
}

bool TAudioOut::RunStream() {
    if (!DeviceOpen) return false;
    Streaming = true;
    if (Paused_) DeviceHandle->pause();
    if (!QueueNext()) {
        CloseDevice();
        return false;
    }
    for (int i = 1; i < Primed; ++i) {
        if (!QueueNext()) {
            // Only what the device took is in flight.
            BuffersFilled = i;
            InFlight = BuffersFilled - BuffersReturned;
            break;
        }
    }
    return true;
}

bool TAudioOut::QueueNext() {
    platform::WaveHeader& header = *Headers[static_cast<std::size_t>(NextSlot)];
    header.flags = platform::headerFlag::prepared;
    const platform::MMResult result = DeviceHandle->write(header);
    if (result != platform::error::ok) {
        LastResult = result;
        LastError = OutputErrorText(result);
        FinishStream();
        return false;
    }
    Played_.queued(SlotTags[static_cast<std::size_t>(NextSlot)], cardClock());
    NextSlot = (NextSlot + 1) % StreamBuffers;
    return true;
}

bool TAudioOut::ServiceBuffer(int Index, std::int32_t Size) {
    if (!KeepRunning) return false;
    bool result = false;
    if (OnFillBuffer) {
        std::int32_t size = Size;
        BufferTag = 0;
        result = OnFillBuffer(Buffers[static_cast<std::size_t>(Index)], size);
        SlotTags[static_cast<std::size_t>(Index)] = BufferTag;
        // Never more than the buffer holds.
        Headers[static_cast<std::size_t>(Index)]->length =
            static_cast<std::uint32_t>(std::clamp<std::int32_t>(size, 0, StreamSize));
    }
    if (result) ++BuffersFilled;
    InFlight = BuffersFilled - BuffersReturned;
    return result;
}

void TAudioOut::BufferDone(TCallBackWinOut* From) {
    Played_.returned(cardClock());
    ++BuffersReturned;
    InFlight = BuffersFilled - BuffersReturned;
    Streaming = InFlight > 0;
    // The buffer at NextSlot is free: either the one just played or one the
    // handler declined earlier.
    bool filled = false;
    std::exception_ptr failure;
    try {
        filled = ServiceBuffer(NextSlot, StreamSize);
    } catch (...) {
        // The stream is brought to a consistent state before the handler's
        // exception goes on to the application's error report.
        failure = std::current_exception();
    }
    if (DeviceOpen && NotifyWindow == From) {
        if (filled && !QueueNext()) --BuffersFilled; // not with the device after all
        InFlight = BuffersFilled - BuffersReturned;
        // Closed only when nothing is left with the device.
        Streaming = InFlight > 0;
        if (!Streaming) {
            KeepRunning = false;
            CloseDevice();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

void TAudioOut::CloseDevice() {
    Played_.stopped();
    Streaming = false;
    Paused_ = false;
    if (DeviceHandle) {
        for (int i = 0; i < StreamBuffers; ++i)
            DeviceHandle->unprepareHeader(*Headers[static_cast<std::size_t>(i)]);
        platform::MMResult closed = DeviceHandle->close();
        if (closed == platform::error::stillPlaying) {
            // Buffers still queued (a stream that failed half-way): take them
            // back before the buffers can be reused.
            DeviceHandle->reset();
            for (int i = 0; i < StreamBuffers; ++i)
                DeviceHandle->unprepareHeader(*Headers[static_cast<std::size_t>(i)]);
            closed = DeviceHandle->close();
        }
        DeviceHandle.reset();
        if (closed != platform::error::ok && NotifyWindow) NotifyWindow->deleteLater();
    }
    NotifyWindow = nullptr;
    DeviceOpen = false;
}

void TAudioOut::AbortStream() {
    if (!DeviceOpen) return;
    Streaming = false;
    KeepRunning = false;
    if (DeviceHandle) DeviceHandle->reset();
    CloseDevice();
}

void TAudioOut::FinishStream() {
    if (DeviceOpen) KeepRunning = false;
}
