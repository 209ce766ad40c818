#include "audio/AudioIO.h"

#include <algorithm>
#include <new>

namespace {
const char* const headerMemoryError = "Error allocating wave header memory";
const char* const bufferMemoryError = "Error allocating wave buffer memory";
} // namespace

TAudioIO::TAudioIO(QObject* Owner) : QObject(Owner) {
    Count = 4;
    SizeRequest = 8192;
    Streaming = false;
    Paused_ = false;
    DeviceId = -1;
    LastError.clear();
    Format.formatTag = 1;
    Format.bitsPerSample = 16;
    Format.channels = 1;
    Format.framesPerSecond = 22050;
    RecomputeFormat();
    Buffers.fill(nullptr);
    AllocateHeaders();
    AllocateBuffers();
}

TAudioIO::~TAudioIO() {
    ReleaseBuffers();
    ReleaseHeaders();
}

void TAudioIO::setBufferSize(std::int32_t Value) {
    SizeRequest = std::max<std::int32_t>(Value, 512);
    RecomputeFormat();
    // Buffers a device may still be using stay where they are; the next
    // stream gets buffers of the new size (PrepareStreamBuffers).
    if (DeviceIsOpen()) return;
    ReleaseBuffers();
    AllocateBuffers();
}

void TAudioIO::setNumBuffers(std::int32_t Value) {
    Count = std::clamp<std::int32_t>(Value, 2, 4);
}

std::int32_t TAudioIO::FrameRate() const {
    return static_cast<std::int32_t>(Format.framesPerSecond);
}

void TAudioIO::setFrameRate(std::int32_t Value) {
    Format.framesPerSecond = static_cast<std::uint32_t>(Value);
    RecomputeFormat();
}

bool TAudioIO::Stereo() const {
    return Format.channels == 2;
}

void TAudioIO::setStereo(bool Value) {
    Format.channels = Value ? 2 : 1;
    RecomputeFormat();
}

void TAudioIO::setQuantization(std::uint16_t Value) {
    Format.bitsPerSample = Value <= 8 ? 8 : 16;
    RecomputeFormat();
}

void TAudioIO::AbortStream() {
    Streaming = false;
    KeepRunning = false;
}

void TAudioIO::FinishStream() {
    KeepRunning = false;
}

bool TAudioIO::RecomputeFormat() {
    const auto block = static_cast<std::uint16_t>((Format.bitsPerSample / 8) * Format.channels);
    Format.blockAlign = block;
    Format.bytesPerSecond = static_cast<std::uint32_t>(block) * Format.framesPerSecond;
    RoundedSize = SizeRequest - SizeRequest % block;
    return true;
}

bool TAudioIO::ResetHeaders() {
    RecomputeFormat();
    for (int i = 0; i < Count; ++i) {
        platform::WaveHeader* header = Headers[static_cast<std::size_t>(i)];
        if (!header) return false;
        *header = platform::WaveHeader{};
        header->data = Buffers[static_cast<std::size_t>(i)];
        header->length = static_cast<std::uint32_t>(RoundedSize);
    }
    return true;
}

bool TAudioIO::AllocateHeaders() {
    for (std::size_t i = 0; i < MaxBuffers; ++i) {
        HeaderBlocks[i].reset(new (std::nothrow) platform::WaveHeader{});
        if (!HeaderBlocks[i]) {
            ReleaseHeaders();
            LastError = headerMemoryError;
            return false;
        }
        Headers[i] = HeaderBlocks[i].get();
        Headers[i]->data = Buffers[i];
    }
    return true;
}

void TAudioIO::ReleaseHeaders() {
    for (std::size_t i = 0; i < MaxBuffers; ++i) {
        HeaderBlocks[i].reset();
        Headers[i] = nullptr;
    }
}

bool TAudioIO::AllocateBuffer(std::size_t i) {
    DataBlocks[i].reset(new (std::nothrow) char[static_cast<std::size_t>(RoundedSize)]);
    if (!DataBlocks[i]) {
        ReleaseBuffers();
        LastError = bufferMemoryError;
        return false;
    }
    Buffers[i] = DataBlocks[i].get();
    Capacity[i] = RoundedSize;
    if (Headers[i]) Headers[i]->data = Buffers[i];
    return true;
}

bool TAudioIO::AllocateBuffers() {
    for (std::size_t i = 0; i < static_cast<std::size_t>(Count); ++i)
        if (!AllocateBuffer(i)) return false;
    return true;
}

bool TAudioIO::ReleaseBuffers() {
    bool released = false;
    for (std::size_t i = 0; i < MaxBuffers; ++i) {
        if (!DataBlocks[i]) continue;
        DataBlocks[i].reset();
        Buffers[i] = nullptr;
        Capacity[i] = 0;
        if (Headers[i]) Headers[i]->data = nullptr;
        released = true;
    }
    return released;
}

bool TAudioIO::PrepareStreamBuffers() {
    RecomputeFormat();
    if (!Headers[0] && !AllocateHeaders()) return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(Count); ++i) {
        if (DataBlocks[i] && Capacity[i] >= RoundedSize) continue;
        if (!AllocateBuffer(i)) return false;
    }
    return true;
}

void TAudioIO::BeginStream() {
    StreamBuffers = Count;
    StreamSize = RoundedSize;
}

int TAudioIO::SlotOfHeader(const platform::WaveHeader* Header) const {
    for (int i = 0; i < StreamBuffers; ++i)
        if (Header && Headers[static_cast<std::size_t>(i)] == Header) return i;
    return -1;
}

std::string TAudioIO::OutputErrorText(platform::MMResult Code) const {
    if (!platform::hasSoundCard()) return "No sound card layer is installed";
    return platform::soundCard().errorText(Code).substr(0, 255);
}

std::string TAudioIO::InputErrorText(platform::MMResult Code) const {
    return OutputErrorText(Code);
}
