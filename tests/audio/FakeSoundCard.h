#pragma once
// A scripted sound card for the component tests: nothing moves until the test
// says so. Devices keep their queued headers in order; complete() hands the
// oldest back with its notification, and every operation can be made to fail
// with a chosen code. The log records the device calls in order.

#include "platform/SoundCard.h"
#include "support/CardWithoutMixer.h"

#include <QCoreApplication>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fake {

struct Script {
    // Result codes by operation name ("openInput", "prepare", "addBuffer",
    // "start", "write", "close" ...); missing: success.
    std::map<std::string, platform::MMResult> failures;
    // An operation that fails only after this many successes.
    std::map<std::string, int> failAfter;
    std::vector<std::string> log;
    int liveDevices = 0;
    // What the played or recorded buffers carried.
    std::vector<std::vector<char>> played;
    // Input: the value of the bytes written into the n-th completed header.
    int recordedBlocks = 0;
    bool paused = false;

    platform::MMResult result(const std::string& operation) {
        log.push_back(operation);
        const auto failing = failures.find(operation);
        if (failing == failures.end()) return platform::error::ok;
        auto& successes = failAfter[operation];
        if (successes > 0) {
            --successes;
            return platform::error::ok;
        }
        return failing->second;
    }
    int count(const std::string& operation) const {
        int n = 0;
        for (const auto& entry : log)
            n += entry == operation;
        return n;
    }
};

// Shared by the input and output devices.
class Device {
public:
    Device(Script& script, QObject* notify, bool input)
        : script_(script), notify_(notify), input_(input) {
        ++script_.liveDevices;
        post(input_ ? platform::message::inputOpened : platform::message::outputOpened);
    }
    ~Device() { --script_.liveDevices; }

    // Gives the oldest queued header back, input ones with `recorded` bytes
    // (all when none is given); false when none is queued.
    bool complete(std::optional<std::uint32_t> recorded = std::nullopt) {
        if (queue_.empty()) return false;
        platform::WaveHeader* header = queue_.front();
        queue_.pop_front();
        if (input_) {
            // Each recorded block carries its own number in every byte.
            const char mark = static_cast<char>(++script_.recordedBlocks);
            std::memset(header->data, mark, header->length);
            header->bytesRecorded = recorded.value_or(header->length);
        } else {
            script_.played.emplace_back(header->data, header->data + header->length);
        }
        header->flags =
            (header->flags & ~platform::headerFlag::queued) | platform::headerFlag::done;
        post(input_ ? platform::message::inputData : platform::message::outputDone, header);
        return true;
    }
    std::size_t queued() const { return queue_.size(); }

protected:
    platform::MMResult prepare(platform::WaveHeader& header) {
        const auto r = script_.result("prepare");
        if (r == platform::error::ok) header.flags |= platform::headerFlag::prepared;
        return r;
    }
    platform::MMResult unprepare(platform::WaveHeader& header) {
        script_.log.push_back("unprepare");
        for (auto* queued : queue_)
            if (queued == &header) return platform::error::stillPlaying;
        header.flags &= ~platform::headerFlag::prepared;
        return platform::error::ok;
    }
    platform::MMResult enqueue(const std::string& operation, platform::WaveHeader& header) {
        const auto r = script_.result(operation);
        if (r != platform::error::ok) return r;
        if (!(header.flags & platform::headerFlag::prepared)) return platform::error::unprepared;
        header.flags |= platform::headerFlag::queued;
        queue_.push_back(&header);
        return r;
    }
    platform::MMResult resetQueue() {
        script_.log.push_back("reset");
        while (!queue_.empty()) {
            platform::WaveHeader* header = queue_.front();
            queue_.pop_front();
            header->flags =
                (header->flags & ~platform::headerFlag::queued) | platform::headerFlag::done;
            post(input_ ? platform::message::inputData : platform::message::outputDone, header);
        }
        return platform::error::ok;
    }
    platform::MMResult closeDevice() {
        const auto r = script_.result("close");
        if (r != platform::error::ok) return r;
        if (!queue_.empty()) return platform::error::stillPlaying;
        post(input_ ? platform::message::inputClosed : platform::message::outputClosed);
        return r;
    }
    void post(int message, platform::WaveHeader* header = nullptr) {
        QCoreApplication::postEvent(notify_, new platform::DeviceEvent(message, this, header));
    }

    Script& script_;
    QObject* notify_;
    bool input_;
    std::deque<platform::WaveHeader*> queue_;
};

class Input : public platform::WaveInput, public Device {
public:
    Input(Script& script, QObject* notify) : Device(script, notify, true) {}
    platform::MMResult prepareHeader(platform::WaveHeader& h) override { return prepare(h); }
    platform::MMResult unprepareHeader(platform::WaveHeader& h) override { return unprepare(h); }
    platform::MMResult addBuffer(platform::WaveHeader& h) override {
        return enqueue("addBuffer", h);
    }
    platform::MMResult start() override { return script_.result("start"); }
    platform::MMResult reset() override { return resetQueue(); }
    platform::MMResult close() override { return closeDevice(); }
};

class Output : public platform::WaveOutput, public Device {
public:
    Output(Script& script, QObject* notify) : Device(script, notify, false) {}
    platform::MMResult prepareHeader(platform::WaveHeader& h) override { return prepare(h); }
    platform::MMResult unprepareHeader(platform::WaveHeader& h) override { return unprepare(h); }
    platform::MMResult write(platform::WaveHeader& h) override { return enqueue("write", h); }
    platform::MMResult pause() override {
        script_.paused = true;
        return script_.result("pause");
    }
    platform::MMResult restart() override {
        script_.paused = false;
        return script_.result("restart");
    }
    platform::MMResult reset() override { return resetQueue(); }
    platform::MMResult close() override { return closeDevice(); }
};

class SoundCard : public testcard::CardWithoutMixer {
public:
    explicit SoundCard(Script& script) : script_(script) {}
    std::string name() const override { return "fake"; }
    platform::MMResult openInput(int, const platform::PcmFormat& format, QObject* notify,
                                 std::unique_ptr<platform::WaveInput>& input) override {
        const auto r = script_.result("openInput");
        if (r != platform::error::ok) return r;
        inputFormat = format;
        auto device = std::make_unique<Input>(script_, notify);
        lastInput = device.get();
        input = std::move(device);
        return r;
    }
    platform::MMResult openOutput(int, const platform::PcmFormat& format, QObject* notify,
                                  std::unique_ptr<platform::WaveOutput>& output) override {
        const auto r = script_.result("openOutput");
        if (r != platform::error::ok) return r;
        outputFormat = format;
        auto device = std::make_unique<Output>(script_, notify);
        lastOutput = device.get();
        output = std::move(device);
        return r;
    }

    Input* lastInput = nullptr;   // valid while the component keeps it open
    Output* lastOutput = nullptr; // valid while the component keeps it open
    platform::PcmFormat inputFormat;
    platform::PcmFormat outputFormat;

private:
    Script& script_;
};

// Delivers posted notifications, those they cause (a close notification
// posted while a data notification is handled) and deferred deletions.
inline void deliver() {
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace fake
