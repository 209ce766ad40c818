#include "platform/SoundCard.h"

#include "core/Exception.h"

#include <chrono>

namespace platform {

std::int64_t SoundCard::clockMicroseconds() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string SoundCard::errorText(MMResult code) const {
    switch (code) {
    case error::ok:
        return "The operation completed successfully.";
    case error::unspecified:
        return "An unspecified error occurred in the sound device.";
    case error::badDeviceId:
        return "The sound device does not exist.";
    case error::allocated:
        return "The sound device is already in use by another program.";
    case error::invalidHandle:
        return "The sound device is not open.";
    case error::noDriver:
        return "No sound card is present in this system.";
    case error::noMemory:
        return "Not enough memory for the sound device.";
    case error::notSupported:
        return "The sound device does not support this operation.";
    case error::invalidParam:
        return "An invalid parameter was passed to the sound device.";
    case error::badFormat:
        return "The sound device does not support this wave format.";
    case error::stillPlaying:
        return "Buffers are still queued on the sound device.";
    case error::unprepared:
        return "The wave buffer was not prepared.";
    case error::deviceRemoved:
        return "The sound device was removed while it was open.";
    case error::serverDown:
        return "The sound server (PulseAudio or PipeWire) is not running.";
    case error::oneChannelInput:
        return "The sound device records one channel only; the program needs two.";
    case error::badControlId:
        return "The mixer has no such control.";
    case error::badLineId:
        return "The mixer has no such line.";
    default:
        return "Unknown sound device error " + std::to_string(code) + ".";
    }
}

namespace {
std::unique_ptr<SoundCard>& installed() {
    static std::unique_ptr<SoundCard> card;
    return card;
}
} // namespace

SoundCard& soundCard() {
    if (!installed()) throw Exception("No sound card layer is installed");
    return *installed();
}

void installSoundCard(std::unique_ptr<SoundCard> card) {
    installed() = std::move(card);
}

bool hasSoundCard() {
    return installed() != nullptr;
}

} // namespace platform
