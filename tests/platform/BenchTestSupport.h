#pragma once
// Helpers for the bench tests: a notification target that records what it
// receives, the formats the components open with, and header buffers.

#include "platform/SoundCard.h"
#include "platform/bench/BenchSoundCard.h"

#include <QObject>
#include <cstdint>
#include <cstring>
#include <vector>

namespace benchtest {

struct Received {
    int message;
    const void* device;
    platform::WaveHeader* header;
    std::uint32_t bytesRecorded; // of the header when it arrived
    std::uint32_t flags;         // of the header when it arrived
};

class Recorder : public QObject {
public:
    std::vector<Received> events;
    std::vector<int> messages() const {
        std::vector<int> m;
        for (const auto& e : events)
            m.push_back(e.message);
        return m;
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() != platform::DeviceEvent::eventType()) return QObject::event(e);
        const auto* d = static_cast<platform::DeviceEvent*>(e);
        events.push_back({d->message(), d->device(), d->header(),
                          d->header() ? d->header()->bytesRecorded : 0,
                          d->header() ? d->header()->flags : 0});
        return true;
    }
};

inline platform::PcmFormat inputFormat() {
    return {1, 2, 44100, 176400, 4, 16, 0};
}

inline platform::PcmFormat outputFormat() {
    return {1, 1, 44100, 88200, 2, 16, 0};
}

// A header with its own data buffer of `bytes` bytes.
struct Buffer {
    explicit Buffer(std::uint32_t bytes) : data(bytes) {
        header.data = data.data();
        header.length = bytes;
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    std::vector<char> data;
    platform::WaveHeader header;

    std::int16_t sample(std::size_t index) const {
        std::int16_t v;
        std::memcpy(&v, data.data() + 2 * index, 2);
        return v;
    }
    void setSample(std::size_t index, std::int16_t v) {
        std::memcpy(data.data() + 2 * index, &v, 2);
    }
};

// Sets the bench mixer as the program's start-up does: line input selected,
// wave-out, master and line recording at `lineLevel`.
void setUpMixer(platform::bench::BenchSoundCard& card, std::uint32_t lineLevel = 65535);

// Selects recording source item `item` of the recording multiplexer.
void selectRecordingSource(platform::bench::BenchSoundCard& card, std::uint32_t item);

} // namespace benchtest
