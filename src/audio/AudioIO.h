#pragma once
// The common base of the streaming components: the PCM format handed to the
// sound card, a ring of two to four equally sized data buffers with one wave
// header each, the counters of buffers in flight and the text of the last
// failure. It opens no device itself; TAudioIn and TAudioOut do, and they
// reuse these buffers for every stream they run.
//
// Headers and data buffers live in blocks of their own, allocated once and
// never moved: the addresses handed to a device stay valid until the device
// has been closed. A new BufferSize replaces the data buffers (at once while
// no device is open, else before the next stream opens); destruction releases
// everything after the subclass has stopped and closed its device.

#include "platform/SoundCard.h"

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// An event with one argument, the object that raised it.
using TNotifyEvent = std::function<void(QObject* Sender)>;
// Hands a buffer to the application or asks it to fill one. Size is the
// buffer's byte count and may be changed by the handler; the result says
// whether the handler took (recording) or supplied (playback) the data.
using TBufferEvent = std::function<bool(char* Buffer, std::int32_t& Size)>;

class TAudioIO : public QObject {
public:
    static constexpr int MaxBuffers = 4;

    explicit TAudioIO(QObject* Owner = nullptr);
    ~TAudioIO() override;
    TAudioIO(const TAudioIO&) = delete;
    TAudioIO& operator=(const TAudioIO&) = delete;

    // Bytes per data buffer actually used: the size request rounded down to
    // whole frames. Writing raises the request to at least 512 bytes.
    std::int32_t BufferSize() const { return RoundedSize; }
    void setBufferSize(std::int32_t Value);
    // Buffers used per stream, 2..4.
    std::int32_t NumBuffers() const { return Count; }
    void setNumBuffers(std::int32_t Value);
    std::int32_t FrameRate() const;
    void setFrameRate(std::int32_t Value);
    bool Stereo() const;
    void setStereo(bool Value);
    // Bits per sample: 8 or 16.
    std::uint16_t Quantization() const { return Format.bitsPerSample; }
    void setQuantization(std::uint16_t Value);

    // Called when the device reports that it has opened / closed; the sender
    // is the stream's notification object.
    TNotifyEvent OnStart;
    TNotifyEvent OnStop;

    // Stops at once: the device is reset and closed.
    virtual void AbortStream();
    // Lets the stream run dry: the buffers in flight come back and the device
    // closes itself after the last one.
    virtual void FinishStream();

    bool RecomputeFormat();
    bool ResetHeaders();
    bool AllocateHeaders();
    void ReleaseHeaders();
    bool AllocateBuffers();
    bool ReleaseBuffers();

    std::string OutputErrorText(platform::MMResult Code) const;
    std::string InputErrorText(platform::MMResult Code) const;

    // What the device was opened with.
    const platform::PcmFormat& WaveFormat() const { return Format; }
    // Capacity in bytes of data buffer i (0 when it is not allocated).
    std::int32_t BufferCapacity(int i) const { return Capacity[static_cast<std::size_t>(i)]; }

    // Stream state. Written by the component only; public so that the owner
    // can look at a stream.
    std::int32_t SizeRequest = 8192;
    int DeviceId = -1; // the system's preferred wave device
    std::array<platform::WaveHeader*, MaxBuffers> Headers{};
    std::array<char*, MaxBuffers> Buffers{};
    std::int32_t NextSlot = 0;
    bool KeepRunning = false;
    std::string LastError;
    // The code of the last failure to open or run a device; ok once one
    // opens. What the window says about a silent stream.
    platform::MMResult LastResult = platform::error::ok;
    bool Streaming = false;
    std::int32_t BuffersFilled = 0;
    std::int32_t InFlight = 0;
    std::int32_t BuffersReturned = 0;

protected:
    // Makes every slot the next stream uses a buffer of at least the rounded
    // size, with its header, before a device is opened. Covers a NumBuffers or
    // format written after BufferSize, and a BufferSize written while a device
    // was open. False (with LastError set) when memory cannot be had.
    bool PrepareStreamBuffers();
    // Takes the slot count and buffer size of the stream being opened; the
    // stream keeps using them even if the settings change while it runs.
    void BeginStream();
    // A device has just opened: the ring points at the stream's buffers and
    // every header is prepared with the device; the counters start from zero.
    // False, with LastError set from errorText, when a header cannot be
    // prepared; the caller then closes the device.
    template <class Device>
    bool PrepareDeviceHeaders(Device& device,
                              std::string (TAudioIO::*errorText)(platform::MMResult) const) {
        ResetHeaders();
        BeginStream();
        for (int i = 0; i < StreamBuffers; ++i) {
            const platform::MMResult prepared =
                device.prepareHeader(*Headers[static_cast<std::size_t>(i)]);
            if (prepared != platform::error::ok) {
                LastError = (this->*errorText)(prepared);
                return false;
            }
        }
        InFlight = 0;
        BuffersReturned = 0;
        BuffersFilled = 0;
        KeepRunning = true;
        Streaming = true;
        return true;
    }

    bool IsStreamSlot(int Slot) const { return Slot >= 0 && Slot < StreamBuffers; }
    // The slot whose header is this one, or -1.
    int SlotOfHeader(const platform::WaveHeader* Header) const;

    // Whether the subclass has a device open; buffers written meanwhile reach
    // the ring only when the next stream is prepared.
    virtual bool DeviceIsOpen() const { return false; }

    bool Paused_ = false;
    std::int32_t StreamBuffers = 0;
    std::int32_t StreamSize = 0;

private:
    // (Re)allocates data buffer i at the rounded size; false (LastError set,
    // every buffer released) when memory cannot be had.
    bool AllocateBuffer(std::size_t i);

    std::int32_t RoundedSize = 0;
    std::int32_t Count = 4;
    platform::PcmFormat Format;
    std::array<std::unique_ptr<platform::WaveHeader>, MaxBuffers> HeaderBlocks;
    std::array<std::unique_ptr<char[]>, MaxBuffers> DataBlocks;
    std::array<std::int32_t, MaxBuffers> Capacity{};
};
