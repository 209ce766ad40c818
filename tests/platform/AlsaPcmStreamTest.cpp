// The ALSA backend's stream worker, driven through a PCM made for the test:
// the order and contents of the headers, recovery from over- and underruns,
// a PCM that goes away, reset and close, and a PCM that hangs (a sound server
// that stopped answering). Runs under ThreadSanitizer too.

#include "platform/NotificationRelay.h"
#include "platform/alsa/PcmStream.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace platform;
using namespace platform::alsa;

// Holds whoever waits on it until it is opened.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    int waiting = 0;
    void wait() {
        std::unique_lock lock(m);
        ++waiting;
        cv.wait(lock, [this] { return open; });
    }
    void release() {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
    // Opens after `ms` unless released before.
    void releaseAfter(int ms) {
        std::unique_lock lock(m);
        cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return open; });
        open = true;
        cv.notify_all();
    }
    int waiters() {
        std::lock_guard lock(m);
        return waiting;
    }
};

// Mono 16-bit frames. Capture records frame k with the value k; playback
// keeps what is written.
struct FakeDevice {
    std::mutex m;
    std::int64_t available = 0; // capture: recorded, not read; playback: room
    std::int16_t next = 0;
    std::vector<std::int16_t> played;
    std::deque<long> faults; // what the next transfers return instead of moving frames
    int prepareResult = 0;
    int prepares = 0;
    int starts = 0;
    std::deque<int> resumeResults; // what resume() returns, then 0
    int resumes = 0;
    int closes = 0;
    Gate* prepareGate = nullptr; // prepare() waits on it
    int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);

    ~FakeDevice() { ::close(wakeFd); }

    void supply(std::int64_t frames) {
        supplySilently(frames);
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto w = ::write(wakeFd, &one, sizeof one);
    }
    // Recorded without the PCM's descriptor saying so yet.
    void supplySilently(std::int64_t frames) {
        std::lock_guard lock(m);
        available += frames;
    }
    void fault(long result) {
        std::lock_guard lock(m);
        faults.push_back(result);
    }
    std::int64_t left() {
        std::lock_guard lock(m);
        return available;
    }
};

class FakePcm : public PcmPort {
public:
    FakePcm(std::shared_ptr<FakeDevice> d, StreamDirection direction)
        : d_(std::move(d)), direction_(direction) {}
    ~FakePcm() override {
        std::lock_guard lock(d_->m);
        ++d_->closes;
    }
    std::uint32_t frameBytes() const override { return 2; }
    long transfer(char* data, std::uint32_t frames) override {
        std::lock_guard lock(d_->m);
        if (!d_->faults.empty()) {
            const long r = d_->faults.front();
            d_->faults.pop_front();
            return r;
        }
        const auto n = std::min<std::int64_t>(frames, d_->available);
        if (n == 0) return -EAGAIN;
        auto* samples = reinterpret_cast<std::int16_t*>(data);
        for (std::int64_t i = 0; i < n; ++i) {
            if (direction_ == StreamDirection::capture)
                samples[i] = d_->next++;
            else
                d_->played.push_back(samples[i]);
        }
        d_->available -= n;
        return static_cast<long>(n);
    }
    int start() override {
        std::lock_guard lock(d_->m);
        ++d_->starts;
        return 0;
    }
    long delay() override {
        std::lock_guard lock(d_->m);
        return static_cast<long>(d_->available);
    }
    int stop() override { return 0; }
    int prepare() override {
        Gate* gate = nullptr;
        {
            std::lock_guard lock(d_->m);
            ++d_->prepares;
            gate = d_->prepareGate;
        }
        if (gate) gate->wait();
        std::lock_guard lock(d_->m);
        return d_->prepareResult;
    }
    int resume() override {
        std::lock_guard lock(d_->m);
        ++d_->resumes;
        if (d_->resumeResults.empty()) return 0;
        const int r = d_->resumeResults.front();
        d_->resumeResults.pop_front();
        return r;
    }
    int pause(bool) override { return 0; }
    std::vector<pollfd> descriptors() override { return {{d_->wakeFd, POLLIN, 0}}; }
    int revents(std::vector<pollfd>&) override {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto r = ::read(d_->wakeFd, &count, sizeof count);
        return 0;
    }

private:
    std::shared_ptr<FakeDevice> d_;
    StreamDirection direction_;
};

class Target : public QObject {
public:
    std::vector<std::pair<int, WaveHeader*>> received;
    bool event(QEvent* e) override {
        if (e->type() != DeviceEvent::eventType()) return QObject::event(e);
        const auto* d = static_cast<DeviceEvent*>(e);
        received.emplace_back(d->message(), d->header());
        return true;
    }
    int count(int message) const {
        return static_cast<int>(std::count_if(received.begin(), received.end(),
                                              [message](auto& r) { return r.first == message; }));
    }
};

struct PcmBuffer {
    std::vector<std::int16_t> samples;
    WaveHeader header;
    explicit PcmBuffer(std::size_t frames) : samples(frames, -1) {
        header.data = reinterpret_cast<char*>(samples.data());
        header.length = static_cast<std::uint32_t>(frames * 2);
    }
};

class PcmStreamTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    std::shared_ptr<NotificationRelay> relay = std::make_shared<NotificationRelay>();
    std::shared_ptr<XrunCounters> counters = std::make_shared<XrunCounters>();
    Target target;
    int handle = 0;

    std::unique_ptr<PcmStream> open(StreamDirection direction) {
        return std::make_unique<PcmStream>(direction, std::make_unique<FakePcm>(device, direction),
                                           relay, relay->attach(&target), &handle, counters);
    }

    // Delivers notifications until the condition holds; false after 5 s.
    template <class Condition> bool waitFor(Condition done) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            relay->deliver();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    void queue(PcmStream& stream, PcmBuffer& buffer) {
        ASSERT_EQ(stream.prepareHeader(buffer.header), error::ok);
        ASSERT_EQ(stream.add(buffer.header), error::ok);
    }
};

std::vector<std::int16_t> counting(std::int16_t from, std::size_t n) {
    std::vector<std::int16_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::int16_t>(from + static_cast<std::int16_t>(i));
    return v;
}

TEST_F(PcmStreamTest, CaptureFillsTheHeadersInOrderWithConsecutiveFrames) {
    auto stream = open(StreamDirection::capture);
    PcmBuffer a(100), b(100), c(100);
    queue(*stream, a);
    queue(*stream, b);
    queue(*stream, c);
    ASSERT_EQ(stream->start(), error::ok);
    device->supply(250);
    ASSERT_TRUE(waitFor([&] { return target.count(message::inputData) == 2; }));
    EXPECT_EQ(target.received[0].second, &a.header);
    EXPECT_EQ(target.received[1].second, &b.header);
    device->supply(60);
    ASSERT_TRUE(waitFor([&] { return target.count(message::inputData) == 3; }));
    EXPECT_EQ(target.received[2].second, &c.header);
    EXPECT_EQ(a.samples, counting(0, 100));
    EXPECT_EQ(b.samples, counting(100, 100));
    EXPECT_EQ(c.samples, counting(200, 100));
    for (auto* h : {&a.header, &b.header, &c.header}) {
        EXPECT_EQ(h->bytesRecorded, 200u);
        EXPECT_EQ(h->flags & (headerFlag::done | headerFlag::queued), headerFlag::done);
    }
    EXPECT_EQ(counters->overruns, 0u);
}

TEST_F(PcmStreamTest, CaptureDropsWhatIsRecordedWhileNoHeaderIsQueued) {
    auto stream = open(StreamDirection::capture);
    ASSERT_EQ(stream->start(), error::ok);
    device->supply(500);
    ASSERT_TRUE(waitFor([&] { return device->left() == 0; }));
    PcmBuffer late(50);
    queue(*stream, late);
    device->supply(50);
    ASSERT_TRUE(waitFor([&] { return target.count(message::inputData) == 1; }));
    EXPECT_EQ(late.samples, counting(500, 50));
    EXPECT_EQ(counters->overruns, 0u);
}

TEST_F(PcmStreamTest, PlaybackWritesTheHeadersInOrderAndStartsWhatIsLeft) {
    auto stream = open(StreamDirection::playback);
    PcmBuffer a(100), b(40);
    // Filled in place: the headers point at the samples.
    std::ranges::copy(counting(1, 100), a.samples.begin());
    std::ranges::copy(counting(300, 40), b.samples.begin());
    device->supply(1000);
    queue(*stream, a);
    queue(*stream, b);
    ASSERT_TRUE(waitFor([&] { return target.count(message::outputDone) == 2; }));
    EXPECT_EQ(target.received[0].second, &a.header);
    EXPECT_EQ(target.received[1].second, &b.header);
    std::vector<std::int16_t> both = a.samples;
    both.insert(both.end(), b.samples.begin(), b.samples.end());
    std::lock_guard lock(device->m);
    EXPECT_EQ(device->played, both);
    // 140 frames never reach a start threshold: the stream starts them itself.
    EXPECT_GE(device->starts, 1);
}

struct XrunCase {
    const char* name;
    StreamDirection direction;
    bool starvedFirst; // playback: the program had nothing queued when the PCM ran dry
    std::uint64_t overruns, underruns;
};

// Shown by its name in test listings.
void PrintTo(const XrunCase& c, std::ostream* os) {
    *os << c.name;
}

class PcmStreamXrun : public PcmStreamTest, public ::testing::WithParamInterface<XrunCase> {};

TEST_P(PcmStreamXrun, IsRecoveredAndCountedWhenItIsTheStreamsFault) {
    const auto& c = GetParam();
    auto stream = open(c.direction);
    PcmBuffer first(100), second(100);
    if (c.direction == StreamDirection::capture) {
        queue(*stream, first);
        queue(*stream, second);
        ASSERT_EQ(stream->start(), error::ok);
        device->fault(-EPIPE);
        device->supply(200);
        ASSERT_TRUE(waitFor([&] { return target.count(message::inputData) == 2; }));
        EXPECT_EQ(first.samples, counting(0, 100));
    } else {
        device->supply(100);
        if (c.starvedFirst) {
            queue(*stream, first);
            ASSERT_TRUE(waitFor([&] { return target.count(message::outputDone) == 1; }));
            device->fault(-EPIPE);
            queue(*stream, second);
        } else {
            device->fault(-EPIPE);
            queue(*stream, first);
            queue(*stream, second);
        }
        device->supply(100);
        ASSERT_TRUE(waitFor([&] { return target.count(message::outputDone) == 2; }));
    }
    EXPECT_EQ(counters->overruns, c.overruns);
    EXPECT_EQ(counters->underruns, c.underruns);
    std::lock_guard lock(device->m);
    EXPECT_EQ(device->prepares, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PcmStreamXrun,
    ::testing::Values(XrunCase{"CaptureOverrun", StreamDirection::capture, false, 1, 0},
                      XrunCase{"PlaybackUnderrun", StreamDirection::playback, false, 0, 1},
                      XrunCase{"PlaybackRanDryForWantOfData", StreamDirection::playback, true, 0,
                               0}),
    [](const auto& info) { return std::string(info.param.name); });

struct GoneCase {
    const char* name;
    long fault;        // what the transfer returns
    int prepareResult; // what preparing the PCM again returns
};

// Shown by its name in test listings.
void PrintTo(const GoneCase& c, std::ostream* os) {
    *os << c.name;
}

class PcmStreamGone : public PcmStreamTest, public ::testing::WithParamInterface<GoneCase> {};

TEST_P(PcmStreamGone, GivesTheHeadersBackAndRefusesFurtherWork) {
    const auto& c = GetParam();
    device->prepareResult = c.prepareResult;
    auto stream = open(StreamDirection::capture);
    PcmBuffer a(100), b(100);
    queue(*stream, a);
    queue(*stream, b);
    ASSERT_EQ(stream->start(), error::ok);
    device->supply(30);
    ASSERT_TRUE(waitFor([&] { return device->left() == 0; }));
    device->fault(c.fault);
    device->supply(1);
    ASSERT_TRUE(waitFor([&] { return target.count(message::inputData) == 2; }));
    EXPECT_EQ(a.header.bytesRecorded, 60u);
    EXPECT_EQ(b.header.bytesRecorded, 0u);
    PcmBuffer later(10);
    EXPECT_EQ(stream->prepareHeader(later.header), error::deviceRemoved);
    EXPECT_EQ(stream->add(a.header), error::deviceRemoved);
    EXPECT_EQ(stream->start(), error::deviceRemoved);
    EXPECT_EQ(stream->unprepareHeader(a.header), error::ok);
    EXPECT_EQ(stream->close(), error::ok);
    ASSERT_TRUE(waitFor([&] { return target.count(message::inputClosed) == 1; }));
    EXPECT_EQ(counters->overruns, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, PcmStreamGone,
    ::testing::Values(GoneCase{"CardUnplugged", -ENODEV, 0},
                      // a stopped sound server: an xrun that cannot be recovered
                      GoneCase{"ServerStopped", -EPIPE, -EIO}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PcmStreamTest, CloseWaitsForResetAndThenOnlyClosedArrives) {
    auto stream = open(StreamDirection::capture);
    PcmBuffer a(100), b(100);
    queue(*stream, a);
    queue(*stream, b);
    ASSERT_EQ(stream->start(), error::ok);
    EXPECT_EQ(stream->close(), error::stillPlaying);
    EXPECT_EQ(stream->unprepareHeader(a.header), error::stillPlaying);
    ASSERT_EQ(stream->reset(), error::ok);
    EXPECT_EQ(a.header.flags & headerFlag::queued, 0u);
    EXPECT_EQ(b.header.flags & headerFlag::queued, 0u);
    ASSERT_EQ(stream->close(), error::ok);
    EXPECT_EQ(stream->close(), error::invalidHandle);
    relay->deliver();
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(target.received[0].first, message::inputClosed);
}

TEST_F(PcmStreamTest, DestroyingAnOpenStreamNotifiesNothing) {
    auto stream = open(StreamDirection::capture);
    PcmBuffer a(100);
    queue(*stream, a);
    ASSERT_EQ(stream->start(), error::ok);
    device->supply(40);
    ASSERT_TRUE(waitFor([&] { return device->left() == 0; }));
    stream.reset();
    relay->deliver();
    EXPECT_TRUE(target.received.empty());
}

struct ResumeCase {
    const char* name;
    std::deque<int> results; // what the PCM says to each resume, then 0
    int resumes;             // how often the stream asks
    int prepares;            // and prepares it instead
};

// Shown by its name in test listings.
void PrintTo(const ResumeCase& c, std::ostream* os) {
    *os << c.name;
}

class PcmStreamSuspended : public PcmStreamTest,
                           public ::testing::WithParamInterface<ResumeCase> {};

// A PCM that says -EAGAIN while its device wakes up is asked again after a
// pause of 100 ms, ten times at most, and then prepared: no busy loop.
TEST_P(PcmStreamSuspended, IsResumedWithPausesAndPreparedWhenItDoesNotWake) {
    const auto& c = GetParam();
    device->resumeResults = c.results;
    auto stream = open(StreamDirection::capture);
    PcmBuffer a(100);
    queue(*stream, a);
    ASSERT_EQ(stream->start(), error::ok);
    device->fault(-ESTRPIPE);
    device->supply(100);
    ASSERT_TRUE(waitFor([&] { return target.count(message::inputData) == 1; }));
    EXPECT_EQ(a.samples, counting(0, 100));
    std::lock_guard lock(device->m);
    EXPECT_EQ(device->resumes, c.resumes);
    EXPECT_EQ(device->prepares, c.prepares);
    EXPECT_EQ(counters->overruns, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Wakes, PcmStreamSuspended,
    ::testing::Values(ResumeCase{"AtOnce", {}, 1, 0},
                      ResumeCase{"AfterThreeTries", {-EAGAIN, -EAGAIN, -EAGAIN}, 4, 0},
                      ResumeCase{"Never", std::deque<int>(30, -EAGAIN), 11, 1},
                      ResumeCase{"Refuses", {-ENOSYS}, 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Where a PCM behind a sound server that stopped answering holds the worker.
enum class Hang { open, recovery };

struct HangCase {
    const char* name;
    Hang where;
};

// Shown by its name in test listings.
void PrintTo(const HangCase& c, std::ostream* os) {
    *os << c.name;
}

class PcmStreamHung : public PcmStreamTest, public ::testing::WithParamInterface<HangCase> {};

TEST_P(PcmStreamHung, NeverHoldsTheCallerAndClosesThePcmWhenItAnswers) {
    const auto& c = GetParam();
    Gate gate;
    // Should a call wait for the PCM, the gate opens after two seconds.
    std::thread watchdog([&] { gate.releaseAfter(2000); });
    std::unique_ptr<PcmStream> stream;
    if (c.where == Hang::open) {
        stream = std::make_unique<PcmStream>(
            StreamDirection::capture,
            [&](std::unique_ptr<PcmPort>& port) {
                gate.wait();
                port = std::make_unique<FakePcm>(device, StreamDirection::capture);
                return error::ok;
            },
            relay, relay->attach(&target), &handle, counters);
        EXPECT_FALSE(stream->opened(std::chrono::milliseconds(20)).has_value());
    } else {
        device->prepareGate = &gate;
        stream = open(StreamDirection::capture);
        ASSERT_EQ(stream->start(), error::ok);
        device->fault(-EPIPE);
        device->supply(1);
    }
    ASSERT_TRUE(waitFor([&] { return gate.waiters() == 1; }));

    QElapsedTimer clock;
    clock.start();
    PcmBuffer a(100), b(100);
    queue(*stream, a);
    queue(*stream, b);
    EXPECT_EQ(stream->start(), error::ok);
    EXPECT_EQ(stream->reset(), error::ok);
    EXPECT_EQ(a.header.flags & headerFlag::queued, 0u);
    EXPECT_EQ(b.header.flags & headerFlag::queued, 0u);
    EXPECT_EQ(stream->close(), error::ok);
    const auto finished = stream->finished();
    stream.reset();
    EXPECT_LT(clock.elapsed(), 1000) << "a call waited for the PCM";
    relay->deliver();
    EXPECT_EQ(target.count(message::inputClosed), 1);

    // The PCM answers again: the worker closes it and ends, notifying nobody.
    gate.release();
    watchdog.join();
    EXPECT_EQ(finished.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    {
        std::lock_guard lock(device->m);
        EXPECT_EQ(device->closes, 1);
    }
    relay->deliver();
    EXPECT_EQ(target.count(message::inputClosed), 1);
    EXPECT_EQ(target.count(message::inputData), 0);
}

INSTANTIATE_TEST_SUITE_P(Where, PcmStreamHung,
                         ::testing::Values(HangCase{"WhileOpening", Hang::open},
                                           HangCase{"WhileRecovering", Hang::recovery}),
                         [](const auto& info) { return std::string(info.param.name); });

// A closed capture stream kept recording: the next stream that adopts it
// records from its own start on, in the same PCM, which is started once.
TEST_F(PcmStreamTest, AnAdoptedCaptureRecordsFromItsStartInTheSamePcm) {
    auto stream = open(StreamDirection::capture);
    PcmBuffer a(100);
    queue(*stream, a);
    ASSERT_EQ(stream->start(), error::ok);
    device->supply(100);
    ASSERT_TRUE(waitFor([&] { return target.count(message::inputData) == 1; }));
    ASSERT_EQ(stream->reset(), error::ok);
    bool kept = false;
    ASSERT_EQ(stream->close(std::chrono::milliseconds(5000), kept), error::ok);
    ASSERT_TRUE(kept);
    ASSERT_TRUE(waitFor([&] { return target.count(message::inputClosed) == 1; }));
    EXPECT_EQ(stream->add(a.header), error::invalidHandle);

    // Recorded while nobody's: read and dropped.
    device->supply(300);
    ASSERT_TRUE(waitFor([&] { return device->left() == 0; }));
    Target next;
    ASSERT_TRUE(stream->adopt(relay, relay->attach(&next), &handle));
    EXPECT_FALSE(stream->adopt(relay, relay->attach(&next), &handle)) << "adopted twice";
    PcmBuffer b(50);
    queue(*stream, b);
    // Recorded before the start, still in the PCM: not the header's.
    device->supplySilently(70);
    ASSERT_EQ(stream->start(), error::ok);
    ASSERT_TRUE(waitFor([&] { return device->left() == 0; }));
    device->supply(50);
    ASSERT_TRUE(waitFor([&] { return next.count(message::inputData) == 1; }));
    EXPECT_EQ(b.samples, counting(470, 50));
    EXPECT_EQ(target.count(message::inputData), 1) << "the first target got the second's block";
    std::lock_guard lock(device->m);
    EXPECT_EQ(device->starts, 1);
    EXPECT_EQ(device->closes, 0);
}

struct KeepCase {
    const char* name;
    StreamDirection direction;
    int keepMs;
    long faultWhileKept; // 0: none
    int waitMs;          // after closing, before adopting
    bool kept, adopted;
};

// Shown by its name in test listings.
void PrintTo(const KeepCase& c, std::ostream* os) {
    *os << c.name;
}

class PcmStreamKept : public PcmStreamTest, public ::testing::WithParamInterface<KeepCase> {};

// Only a working capture PCM is kept, and only for its time: otherwise it is
// closed and nothing can adopt it.
TEST_P(PcmStreamKept, IsAdoptedOnlyWhileItWorksAndItsTimeLasts) {
    const auto& c = GetParam();
    auto stream = open(c.direction);
    ASSERT_TRUE(stream->opened(std::chrono::milliseconds(1000)).has_value());
    if (c.direction == StreamDirection::capture) {
        ASSERT_EQ(stream->start(), error::ok);
        ASSERT_TRUE(waitFor([&] {
            std::lock_guard lock(device->m);
            return device->starts == 1;
        }));
    }
    bool kept = false;
    ASSERT_EQ(stream->close(std::chrono::milliseconds(c.keepMs), kept), error::ok);
    EXPECT_EQ(kept, c.kept);
    if (c.faultWhileKept) {
        device->fault(c.faultWhileKept);
        device->supply(1);
    }
    if (c.waitMs) std::this_thread::sleep_for(std::chrono::milliseconds(c.waitMs));
    Target next;
    EXPECT_EQ(stream->adopt(relay, relay->attach(&next), &handle), c.adopted);
    if (!c.adopted) {
        EXPECT_EQ(stream->finished().wait_for(std::chrono::seconds(5)),
                  std::future_status::ready);
        std::lock_guard lock(device->m);
        EXPECT_EQ(device->closes, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PcmStreamKept,
    ::testing::Values(
        KeepCase{"CaptureWithinItsTime", StreamDirection::capture, 5000, 0, 0, true, true},
        KeepCase{"CaptureAfterItsTime", StreamDirection::capture, 30, 0, 300, true, false},
        KeepCase{"CaptureWhosePcmFailed", StreamDirection::capture, 5000, -ENODEV, 300, true,
                 false},
        KeepCase{"CaptureClosedOutright", StreamDirection::capture, 0, 0, 0, false, false},
        KeepCase{"Playback", StreamDirection::playback, 5000, 0, 0, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PcmStreamTest, AnOpenThatFailsLateGivesTheHeadersBackWithItsReason) {
    Gate gate;
    auto stream = std::make_unique<PcmStream>(
        StreamDirection::capture,
        [&](std::unique_ptr<PcmPort>&) {
            gate.wait();
            return error::serverDown;
        },
        relay, relay->attach(&target), &handle, counters);
    EXPECT_FALSE(stream->opened(std::chrono::milliseconds(20)).has_value());
    PcmBuffer a(100), b(100);
    queue(*stream, a);
    queue(*stream, b);
    ASSERT_EQ(stream->start(), error::ok);
    gate.release();
    ASSERT_TRUE(waitFor([&] { return target.count(message::inputData) == 2; }));
    EXPECT_EQ(stream->opened(std::chrono::milliseconds(0)), error::serverDown);
    EXPECT_EQ(a.header.bytesRecorded, 0u);
    EXPECT_EQ(b.header.bytesRecorded, 0u);
    EXPECT_EQ(stream->add(a.header), error::serverDown);
    EXPECT_EQ(stream->close(), error::ok);
}

} // namespace
