#pragma once
// The sound-card layer: everything the streaming and mixer components need of
// a sound card, and nothing more. Backends (the simulated bench, ALSA)
// implement it; the program holds exactly one SoundCard at a time.
//
// Threading: every call is made from the GUI thread. A backend may move audio
// on threads of its own, but it reports to the components only by posting a
// DeviceEvent to the notification target given at open time. After close()
// has returned (or the device object has been destroyed) nothing more is
// posted for that device, except the "closed" notification posted by close()
// itself.

#include <QEvent>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// 0 is success; every other value is one of the codes below. Texts come from
// SoundCard::errorText().
using MMResult = std::uint32_t;

namespace error {
constexpr MMResult ok = 0;
constexpr MMResult unspecified = 1;      // an error nobody could name
constexpr MMResult badDeviceId = 2;      // no such device
constexpr MMResult allocated = 4;        // the device is in use (by us or another program)
constexpr MMResult invalidHandle = 5;    // the device was closed or has gone away
constexpr MMResult noDriver = 6;         // no sound card at all
constexpr MMResult noMemory = 7;         // out of memory
constexpr MMResult notSupported = 8;     // the device cannot do this
constexpr MMResult invalidParam = 11;    // a bad argument (null pointer, zero length ...)
constexpr MMResult badFormat = 32;       // the PCM format is not supported
constexpr MMResult stillPlaying = 33;    // headers are still queued on the device
constexpr MMResult unprepared = 34;      // the header was not prepared
constexpr MMResult deviceRemoved = 35;   // the device disappeared while open
constexpr MMResult serverDown = 36;      // the sound server behind the device does not answer
constexpr MMResult oneChannelInput = 37; // the input records one channel only
constexpr MMResult badControlId = 1025;  // mixer: no control with this ID
constexpr MMResult badLineId = 1026;     // mixer: no line with this index or ID
} // namespace error

// Notification numbers, carried by DeviceEvent::message().
namespace message {
constexpr int outputOpened = 0x3BB;
constexpr int outputClosed = 0x3BC;
constexpr int outputDone = 0x3BD;
constexpr int inputOpened = 0x3BE;
constexpr int inputClosed = 0x3BF;
constexpr int inputData = 0x3C0;
constexpr int mixerLineChange = 0x3D0;
constexpr int mixerControlChange = 0x3D1;
} // namespace message

// PCM wave format (format tag 1 = PCM).
struct PcmFormat {
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t framesPerSecond = 22050;
    std::uint32_t bytesPerSecond = 44100;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t extraSize = 0;
    bool operator==(const PcmFormat&) const = default;
};

// A buffer handed to a wave device. The owner keeps it at a fixed address
// from prepareHeader() to unprepareHeader(); while it is queued on a device
// (flags & queued) only the device touches it.
struct WaveHeader {
    char* data = nullptr;
    std::uint32_t length = 0;        // bytes in data
    std::uint32_t bytesRecorded = 0; // input: bytes filled by the device
    std::uintptr_t user = 0;
    std::uint32_t flags = 0;
    std::uint32_t loops = 0;
    WaveHeader* next = nullptr;
    std::uintptr_t reserved = 0;
};

namespace headerFlag {
constexpr std::uint32_t done = 1;
constexpr std::uint32_t prepared = 2;
constexpr std::uint32_t queued = 16;
} // namespace headerFlag

// The event a backend posts to a notification target (QCoreApplication::postEvent).
class DeviceEvent : public QEvent {
public:
    DeviceEvent(int message, const void* device, WaveHeader* header = nullptr,
                std::uint32_t param = 0)
        : QEvent(eventType()), message_(message), device_(device), header_(header), param_(param) {}

    static QEvent::Type eventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    int message() const { return message_; }
    // Identifies the device that posted it (the WaveInput/WaveOutput/Mixer object).
    const void* device() const { return device_; }
    // The returned header for done/data notifications, else null.
    WaveHeader* header() const { return header_; }
    // Mixer notifications: the control ID (control change) or line ID (line change).
    std::uint32_t param() const { return param_; }

private:
    int message_;
    const void* device_;
    WaveHeader* header_;
    std::uint32_t param_;
};

// An open wave input. Opening posts inputOpened; every header the device gives
// back posts one inputData, in the order the headers were added; close() posts
// inputClosed.
class WaveInput {
public:
    virtual ~WaveInput() = default; // an open device is stopped and closed silently
    virtual MMResult prepareHeader(WaveHeader& header) = 0;
    virtual MMResult unprepareHeader(WaveHeader& header) = 0; // stillPlaying while queued
    virtual MMResult addBuffer(WaveHeader& header) = 0;
    virtual MMResult start() = 0;
    // Stops recording and returns every queued header at once, each with the
    // bytes recorded so far.
    virtual MMResult reset() = 0;
    // stillPlaying (and the device stays open) while headers are queued.
    virtual MMResult close() = 0;
};

// An open wave output. Opening posts outputOpened; every played header posts
// one outputDone, in the order the headers were written; close() posts
// outputClosed.
class WaveOutput {
public:
    virtual ~WaveOutput() = default; // an open device is stopped and closed silently
    virtual MMResult prepareHeader(WaveHeader& header) = 0;
    virtual MMResult unprepareHeader(WaveHeader& header) = 0; // stillPlaying while queued
    virtual MMResult write(WaveHeader& header) = 0;
    virtual MMResult pause() = 0;
    virtual MMResult restart() = 0;
    // Stops playing and returns every queued header at once.
    virtual MMResult reset() = 0;
    // stillPlaying (and the device stays open) while headers are queued.
    virtual MMResult close() = 0;
};

// Mixer line component types.
namespace lineType {
constexpr std::uint32_t destinationSpeakers = 4;
constexpr std::uint32_t destinationHeadphones = 5;
constexpr std::uint32_t destinationWaveIn = 7;
constexpr std::uint32_t destinationVoiceIn = 8;
constexpr std::uint32_t sourceUndefined = 0x1000;
constexpr std::uint32_t sourceLine = 0x1002;
constexpr std::uint32_t sourceMicrophone = 0x1003;
constexpr std::uint32_t sourceSynthesizer = 0x1004;
constexpr std::uint32_t sourceCompactDisc = 0x1005;
constexpr std::uint32_t sourceTelephone = 0x1006;
constexpr std::uint32_t sourcePcSpeaker = 0x1007;
constexpr std::uint32_t sourceWaveOut = 0x1008;
constexpr std::uint32_t sourceAuxiliary = 0x1009;
constexpr std::uint32_t sourceAnalog = 0x100A;
} // namespace lineType

namespace lineFlag {
constexpr std::uint32_t active = 0x1;
constexpr std::uint32_t disconnected = 0x8000;
constexpr std::uint32_t source = 0x80000000;
} // namespace lineFlag

// Mixer control types and flags.
namespace controlType {
constexpr std::uint32_t booleanMeter = 0x10010000;
constexpr std::uint32_t signedMeter = 0x10020000;
constexpr std::uint32_t mute = 0x20010002;
constexpr std::uint32_t signedNumber = 0x30020000;
constexpr std::uint32_t volume = 0x50030001;
constexpr std::uint32_t bass = 0x50030002;
constexpr std::uint32_t treble = 0x50030003;
constexpr std::uint32_t singleSelect = 0x70010000;
constexpr std::uint32_t mux = 0x70010001;
} // namespace controlType

namespace controlFlag {
constexpr std::uint32_t uniform = 0x1;
constexpr std::uint32_t multiple = 0x2;
constexpr std::uint32_t disabled = 0x80000000;
} // namespace controlFlag

struct MixerCaps {
    std::string productName; // at most 31 characters
    std::uint32_t destinations = 0;
};

struct MixerLine {
    std::uint32_t destination = 0; // index of the destination
    std::uint32_t source = 0;      // index of the source within it (sources only)
    std::uint32_t lineId = 0;
    std::uint32_t flags = 0;         // lineFlag
    std::uint32_t componentType = 0; // lineType
    std::uint32_t channels = 0;
    std::uint32_t connections = 0; // destinations: number of sources
    std::uint32_t controls = 0;
    std::string shortName; // at most 15 characters
    std::string name;      // at most 63 characters
};

struct MixerControl {
    std::uint32_t controlId = 0;
    std::uint32_t controlType = 0;
    std::uint32_t flags = 0;         // controlFlag
    std::uint32_t multipleItems = 0; // items of a multiple control, else 0
    std::int64_t minimum = 0;        // bounds, signed or unsigned by control type
    std::int64_t maximum = 0;
    std::uint32_t steps = 0;
    std::string shortName;
    std::string name;
};

// An open mixer device. Control values are 4-byte words, one per channel and
// item: value (item i, channel c) sits at index i * channels + c; a plain
// control has one item. Signed and boolean values are stored in the same
// words (two's complement, 0/1). Every change of a control value, by us or by
// anyone else, posts mixerControlChange with the control ID.
class Mixer {
public:
    virtual ~Mixer() = default;
    virtual MMResult lineInfo(std::uint32_t destination, MixerLine& line) = 0;
    virtual MMResult lineInfo(std::uint32_t destination, std::uint32_t source, MixerLine& line) = 0;
    virtual MMResult lineControls(std::uint32_t lineId, std::vector<MixerControl>& controls) = 0;
    // values is resized to channels * max(items, 1).
    virtual MMResult getValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                               std::vector<std::uint32_t>& values) = 0;
    // values.size() must be channels * max(items, 1); channels == 1 sets all
    // channels of the line to the same value.
    virtual MMResult setValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                               const std::vector<std::uint32_t>& values) = 0;
    // The values in the device's own steps, where a volume's level would
    // lose them (a gain above 0 dB reads as full level): what is read here
    // and written back leaves the control exactly as it was. By default the
    // control values.
    virtual MMResult getExactValues(std::uint32_t controlId, std::uint32_t channels,
                                    std::uint32_t items, std::vector<std::uint32_t>& values) {
        return getValues(controlId, channels, items, values);
    }
    virtual MMResult setExactValues(std::uint32_t controlId, std::uint32_t channels,
                                    std::uint32_t items, const std::vector<std::uint32_t>& values) {
        return setValues(controlId, channels, items, values);
    }
    // Runs `then` once every value set so far has reached the device: at
    // once on a mixer that sets them as it is asked, later (on another
    // thread) on one that waits for a sound server, never when they cannot
    // reach it.
    virtual void afterChanges(std::function<void()> then) { then(); }
};

// The 32-bit volume word: low 16 bits left, high 16 bits right.
enum class VolumeDevice { waveOut0, aux1, aux2, aux3, aux4, aux5 };

class SoundCard {
public:
    virtual ~SoundCard() = default;

    // "bench" or "alsa": shown in the window title and the --report output.
    virtual std::string name() const = 0;
    // The device the streams open, as the user would name it ("hw:1",
    // "default"); empty where there is no such name.
    virtual std::string deviceName() const { return {}; }
    // What tells this sound card from any other for as long as it exists (a
    // card's id and name, a sound server's device): the calibration of the
    // readouts is kept under it.
    virtual std::string cardIdentity() const { return name(); }
    // Whether the streams go through a sound server (PulseAudio, PipeWire)
    // rather than straight to a card: a stream that stalls then waits for
    // the server.
    virtual bool throughSoundServer() const { return false; }

    // device -1 is the system's preferred device.
    virtual MMResult openInput(int device, const PcmFormat& format, QObject* notify,
                               std::unique_ptr<WaveInput>& input) = 0;
    virtual MMResult openOutput(int device, const PcmFormat& format, QObject* notify,
                                std::unique_ptr<WaveOutput>& output) = 0;

    virtual int mixerCount() = 0;
    // Whether mixer device `id` can be opened without waiting, after waiting
    // at most `wait` for it: a sound server's mixer opens in the background
    // and may take long (for good, while the server hangs).
    virtual bool mixerReady(int /*id*/, std::chrono::milliseconds /*wait*/) { return true; }
    virtual MMResult mixerCaps(int id, MixerCaps& caps) = 0;
    virtual MMResult openMixer(int id, QObject* notify, std::unique_ptr<Mixer>& mixer) = 0;

    virtual MMResult getVolume(VolumeDevice device, std::uint32_t& volume) = 0;
    virtual MMResult setVolume(VolumeDevice device, std::uint32_t volume) = 0;

    // Starts the desktop's mixer application detached; true when one started.
    virtual bool launchMixerApplication() = 0;

    // The text of an error code of this layer.
    virtual std::string errorText(MMResult code) const;

    // Microseconds on the card's clock, to tell when one buffer came back
    // against another: the system's steady clock, unless the card keeps a
    // time of its own (the bench's simulated sound).
    virtual std::int64_t clockMicroseconds() const;
};

// The one sound card of the program. installSoundCard() replaces it (tests
// install a bench of their own); soundCard() throws when none is installed.
SoundCard& soundCard();
void installSoundCard(std::unique_ptr<SoundCard> card);
bool hasSoundCard();

} // namespace platform
