#include "platform/alsa/PcmStream.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace platform::alsa {

namespace {

// Frames read and dropped at a time while no capture header is queued.
constexpr std::uint32_t scratchFrames = 1024;
// Capture: the most frames a start drops as recorded before it (370 ms at
// 44100 frames/s); a larger delay than that would hold up the capture for
// more than what it drops is worth.
constexpr std::int64_t mostToDrop = 16384;
// The worker looks at its state at least this often (ms), whatever poll says.
constexpr int pollTimeoutMs = 200;
// A suspended PCM is asked to resume this often, this many times, before it
// is prepared again instead.
constexpr int resumePauseMs = 100;
constexpr int resumeTries = 10;
// How long close() and the destructor wait for the worker to close its PCM
// before they leave it to finish by itself.
constexpr std::chrono::milliseconds closeWait{2};

bool isQueued(const std::deque<WaveHeader*>& queue, const WaveHeader& header) {
    return std::find(queue.begin(), queue.end(), &header) != queue.end();
}

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// What the handle and the worker share. The worker keeps it alive as long as
// it runs, also after the handle has gone.
struct PcmStream::Core {
    Core(StreamDirection direction, std::shared_ptr<NotificationRelay> relay, std::uint64_t key,
         const void* device, std::shared_ptr<XrunCounters> counters)
        : direction(direction), counters(std::move(counters)),
          doneMessage(direction == StreamDirection::capture ? message::inputData
                                                            : message::outputDone),
          relay(std::move(relay)), key(key), device(device),
          running(direction == StreamDirection::playback),
          wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~Core() {
        if (wakeFd >= 0) ::close(wakeFd);
    }

    const StreamDirection direction;
    const std::shared_ptr<XrunCounters> counters;
    const int doneMessage;

    // --- the worker's alone ---
    Opener opener;
    std::unique_ptr<PcmPort> port;
    std::promise<void> finished;
    std::vector<char> buffer; // what goes through the PCM
    bool starved = false;     // playback: the queue ran out while the PCM played
    bool unstarted = false;   // playback: frames written that may wait for the threshold
    bool pauseApplied = false;
    bool started = false; // capture: the PCM records
    std::int64_t toDrop = 0; // capture: frames recorded before the start, still to come

    // --- guarded by mutex ---
    std::mutex mutex;
    std::condition_variable openedChanged;
    std::shared_ptr<NotificationRelay> relay; // none once the handle has closed
    std::uint64_t key;                        // the handle's, whose notifications these are
    const void* device;
    std::deque<WaveHeader*> queue;
    std::uint32_t position = 0; // bytes of the oldest header done
    std::uint64_t resets = 0;   // what the worker moved before a reset is not the headers'
    bool running;               // capture: started; playback: not paused
    bool stopWanted = false;    // playback reset: the PCM drops what it holds
    bool discardWanted = false; // capture start: what the PCM recorded before is dropped
    std::optional<MMResult> openResult;
    bool removed = false;
    MMResult removedCode = error::deviceRemoved;
    bool closed = false;
    std::int64_t keptUntil = 0; // a closed capture stream whose PCM records on, until then

    std::atomic<bool> stopping{false};
    const int wakeFd; // written under the mutex, closed with the core

    // What one pass of the worker does, taken under the mutex.
    struct Plan {
        bool stop = false;
        bool discard = false;
        bool running = false;
        bool forHeader = false; // capture: the frames read belong to the oldest header
        std::uint32_t frames = 0;
        std::uint64_t resets = 0;
    };

    MMResult usable() const {
        if (closed) return error::invalidHandle;
        if (removed) return removedCode;
        return error::ok;
    }

    void wake() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd, &one, sizeof one);
    }

    // With the mutex held: gives the oldest header back.
    void complete() {
        WaveHeader* h = queue.front();
        queue.pop_front();
        if (direction == StreamDirection::capture) h->bytesRecorded = position;
        h->flags = (h->flags | headerFlag::done) & ~headerFlag::queued;
        position = 0;
        if (relay && !closed) relay->post(key, doneMessage, device, h);
    }

    void returnAll() {
        while (!queue.empty())
            complete();
    }

    // With the mutex held.
    void gone(MMResult code) {
        if (!removed) removedCode = code;
        removed = true;
        running = false;
        returnAll();
    }

    void goneNow(MMResult code) {
        std::lock_guard lock(mutex);
        gone(code);
    }

    // With the mutex held: what the next pass moves. Playback copies the
    // rest of the oldest header into the worker's buffer.
    Plan plan(std::uint32_t frameBytes) {
        Plan p;
        p.stop = std::exchange(stopWanted, false);
        p.discard = std::exchange(discardWanted, false);
        p.running = running;
        p.resets = resets;
        while (!queue.empty() &&
               queue.front()->length - std::min(position, queue.front()->length) < frameBytes)
            complete();
        const std::size_t size = std::max<std::size_t>(queue.empty() ? 0 : queue.front()->length,
                                                       std::size_t{scratchFrames} * frameBytes);
        if (buffer.size() < size) buffer.resize(size);
        if (direction == StreamDirection::capture) {
            p.forHeader = running && !queue.empty();
            p.frames =
                p.forHeader ? (queue.front()->length - position) / frameBytes : scratchFrames;
        } else if (running && !queue.empty()) {
            const WaveHeader* h = queue.front();
            p.frames = (h->length - position) / frameBytes;
            std::memcpy(buffer.data(), h->data + position,
                        static_cast<std::size_t>(p.frames) * frameBytes);
        }
        return p;
    }

    // With the mutex held: `frames` have gone through the PCM for the plan.
    void account(const Plan& p, std::uint32_t frames, std::uint32_t frameBytes) {
        if (resets != p.resets || queue.empty()) return;
        if (direction == StreamDirection::capture && !p.forHeader) return;
        WaveHeader* h = queue.front();
        const std::uint32_t bytes = frames * frameBytes;
        if (direction == StreamDirection::capture) {
            std::memcpy(h->data + position, buffer.data(), bytes);
            position += bytes;
            h->bytesRecorded = position;
        } else {
            position += bytes;
            starved = false;
            unstarted = true;
        }
        if (h->length - position < frameBytes) complete();
    }

    // Waits `ms` unless the stream is being closed; false when it is.
    bool rest(int ms) {
        const std::int64_t until = nowMs() + ms;
        while (!stopping) {
            const std::int64_t left = until - nowMs();
            if (left <= 0) return true;
            pollfd fd{wakeFd, POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(left));
        }
        return false;
    }

    // Without the mutex: makes the PCM work again after an error of
    // transfer(); false when it has gone.
    bool recover(long error) {
        if (error == -EPIPE) {
            if (port->prepare() < 0) return false;
            if (direction == StreamDirection::capture) {
                if (port->start() < 0) return false;
                ++counters->overruns;
            } else if (!starved) {
                ++counters->underruns;
            }
            return true;
        }
        if (error == -ESTRPIPE) {
            // The PCM says -EAGAIN while the device wakes up: asked again
            // after a pause, and prepared when it does not resume in time.
            int resumed = port->resume();
            for (int tries = 0; resumed == -EAGAIN && tries < resumeTries; ++tries) {
                if (!rest(resumePauseMs)) return true;
                resumed = port->resume();
            }
            if (resumed < 0 && port->prepare() < 0) return false;
            if (direction == StreamDirection::capture && port->start() < 0) return false;
            return true;
        }
        return false;
    }

    void run() {
        if (opener) {
            std::unique_ptr<PcmPort> opened;
            const MMResult result = opener(opened);
            opener = nullptr;
            std::lock_guard lock(mutex);
            openResult = result;
            if (result == error::ok && opened)
                port = std::move(opened);
            else
                gone(result == error::ok ? error::unspecified : result);
            openedChanged.notify_all();
        }
        if (port) serve();
        // Closing may wait for a sound server too.
        port.reset();
        finished.set_value();
    }

    void serve() {
        const std::uint32_t frameBytes = port->frameBytes();
        // Behind a sound server every call on the PCM costs a lock of the
        // server connection or more: the descriptors are asked for once (and
        // again after a recovery), and a transfer that moved less than asked
        // is followed by a wait, not by another try that would find nothing.
        std::vector<pollfd> pcmFds = port->descriptors();
        std::vector<pollfd> fds;
        while (!stopping) {
            Plan p;
            {
                std::lock_guard lock(mutex);
                if (closed && keptUntil > 0 && nowMs() >= keptUntil) keptUntil = 0;
                if (removed || (closed && keptUntil == 0)) return;
                p = plan(frameBytes);
            }
            if (p.stop) {
                port->stop();
                starved = unstarted = pauseApplied = started = false;
            }
            bool pollPcm = false;
            long moved = 0;
            if (direction == StreamDirection::capture) {
                // Once recording, the PCM records until it is closed: what
                // no header is queued for is read and dropped, and so is
                // what it had recorded when the stream started (what it
                // holds and what is on its way from the device or server).
                if (p.discard && started)
                    toDrop = std::clamp<std::int64_t>(port->delay(), 0, mostToDrop);
                if (p.running && !started) {
                    if (port->start() < 0) return goneNow(error::deviceRemoved);
                    started = true;
                }
                if (started && toDrop > 0) {
                    moved = port->transfer(
                        buffer.data(),
                        static_cast<std::uint32_t>(std::min<std::int64_t>(toDrop, scratchFrames)));
                    if (moved > 0) {
                        toDrop -= moved;
                        continue;
                    }
                    pollPcm = true;
                } else if (started) {
                    moved = port->transfer(buffer.data(), p.frames);
                    pollPcm = true;
                }
            } else if (!p.running) {
                if (!pauseApplied) port->pause(true);
                pauseApplied = true;
            } else {
                if (pauseApplied) port->pause(false);
                pauseApplied = false;
                if (p.frames > 0) {
                    moved = port->transfer(buffer.data(), p.frames);
                    pollPcm = true;
                } else if (unstarted) {
                    // Nothing more to write: what has been written plays even
                    // when it is less than the start threshold. An underrun
                    // from now on is no fault of ours.
                    if (port->start() < 0) return goneNow(error::deviceRemoved);
                    unstarted = false;
                    starved = true;
                }
            }
            if (moved > 0) {
                {
                    std::lock_guard lock(mutex);
                    account(p, static_cast<std::uint32_t>(moved), frameBytes);
                }
                if (static_cast<std::uint32_t>(moved) == p.frames) continue;
            }
            if (moved < 0 && moved != -EAGAIN) {
                if (!recover(moved)) return goneNow(error::deviceRemoved);
                pcmFds = port->descriptors();
                continue;
            }
            fds.clear();
            if (pollPcm) fds = pcmFds;
            const std::size_t polledPcm = fds.size();
            fds.push_back({wakeFd, POLLIN, 0});
            ::poll(fds.data(), fds.size(), pollTimeoutMs);
            if (fds.back().revents & POLLIN) {
                std::uint64_t count = 0;
                [[maybe_unused]] const auto got = ::read(wakeFd, &count, sizeof count);
            }
            if (polledPcm > 0) {
                fds.resize(polledPcm);
                if (port->revents(fds) < 0) return goneNow(error::deviceRemoved);
            }
        }
    }
};

PcmStream::PcmStream(StreamDirection direction, std::unique_ptr<PcmPort> port,
                     std::shared_ptr<NotificationRelay> relay, std::uint64_t key,
                     const void* device, std::shared_ptr<XrunCounters> counters)
    : PcmStream(
          direction,
          // Handed over as it is (the test PCMs of the stream tests).
          [held = std::make_shared<std::unique_ptr<PcmPort>>(std::move(port))](
              std::unique_ptr<PcmPort>& opened) {
              opened = std::move(*held);
              return error::ok;
          },
          std::move(relay), key, device, std::move(counters)) {}

PcmStream::PcmStream(StreamDirection direction, Opener opener,
                     std::shared_ptr<NotificationRelay> relay, std::uint64_t key,
                     const void* device, std::shared_ptr<XrunCounters> counters)
    : core_(std::make_shared<Core>(direction, std::move(relay), key, device, std::move(counters))) {
    core_->opener = std::move(opener);
    finished_ = core_->finished.get_future().share();
    worker_ = std::thread([core = core_] { core->run(); });
}

PcmStream::~PcmStream() {
    std::unique_lock lock(core_->mutex);
    core_->closed = true;
    core_->keptUntil = 0;
    core_->stopping = true;
    core_->wake();
    const auto relay = std::move(core_->relay); // none after close()
    lock.unlock();
    release();
    if (relay) relay->detach(core_->key);
}

void PcmStream::release() {
    if (!worker_.joinable()) return;
    if (finished_.wait_for(closeWait) == std::future_status::ready)
        worker_.join();
    else
        worker_.detach(); // it closes its PCM when the PCM lets it
}

bool PcmStream::adopt(std::shared_ptr<NotificationRelay> relay, std::uint64_t key,
                      const void* device) {
    std::lock_guard lock(core_->mutex);
    if (!core_->closed || core_->removed || core_->keptUntil == 0 ||
        nowMs() >= core_->keptUntil)
        return false;
    core_->closed = false;
    core_->keptUntil = 0;
    core_->relay = std::move(relay);
    core_->key = key;
    core_->device = device;
    core_->position = 0;
    ++core_->resets;
    core_->wake();
    return true;
}

std::optional<MMResult> PcmStream::opened(std::chrono::milliseconds wait) {
    std::unique_lock lock(core_->mutex);
    core_->openedChanged.wait_for(lock, wait, [this] { return core_->openResult.has_value(); });
    return core_->openResult;
}

MMResult PcmStream::prepareHeader(WaveHeader& header) {
    std::lock_guard lock(core_->mutex);
    if (const auto r = core_->usable()) return r;
    if (!header.data || header.length == 0) return error::invalidParam;
    if (isQueued(core_->queue, header)) return error::stillPlaying;
    header.flags = (header.flags | headerFlag::prepared) & ~headerFlag::done;
    return error::ok;
}

MMResult PcmStream::unprepareHeader(WaveHeader& header) {
    std::lock_guard lock(core_->mutex);
    if (core_->closed) return error::invalidHandle;
    if (isQueued(core_->queue, header)) return error::stillPlaying;
    header.flags &= ~headerFlag::prepared;
    return error::ok;
}

MMResult PcmStream::add(WaveHeader& header) {
    std::lock_guard lock(core_->mutex);
    if (const auto r = core_->usable()) return r;
    if (!header.data) return error::invalidParam;
    if (!(header.flags & headerFlag::prepared)) return error::unprepared;
    if (isQueued(core_->queue, header)) return error::stillPlaying;
    header.flags = (header.flags & ~headerFlag::done) | headerFlag::queued;
    if (core_->direction == StreamDirection::capture) header.bytesRecorded = 0;
    core_->queue.push_back(&header);
    core_->wake();
    return error::ok;
}

MMResult PcmStream::start() {
    std::lock_guard lock(core_->mutex);
    if (const auto r = core_->usable()) return r;
    if (!core_->running) core_->discardWanted = true;
    core_->running = true;
    core_->wake();
    return error::ok;
}

MMResult PcmStream::pause() {
    std::lock_guard lock(core_->mutex);
    if (const auto r = core_->usable()) return r;
    core_->running = false;
    core_->wake();
    return error::ok;
}

MMResult PcmStream::restart() {
    std::lock_guard lock(core_->mutex);
    if (const auto r = core_->usable()) return r;
    core_->running = true;
    core_->wake();
    return error::ok;
}

MMResult PcmStream::reset() {
    std::lock_guard lock(core_->mutex);
    if (const auto r = core_->usable()) return r;
    // Input stops recording into headers (its PCM records on, and what it
    // records until the next start is dropped); output drops what the PCM
    // holds and forgets a pause, as after a fresh open.
    core_->stopWanted = core_->direction == StreamDirection::playback;
    ++core_->resets;
    core_->running = core_->direction == StreamDirection::playback;
    core_->returnAll();
    core_->wake();
    return error::ok;
}

MMResult PcmStream::close() {
    bool kept = false;
    return close(std::chrono::milliseconds{0}, kept);
}

MMResult PcmStream::close(std::chrono::milliseconds keep, bool& kept) {
    std::unique_lock lock(core_->mutex);
    kept = false;
    if (core_->closed) return error::invalidHandle;
    if (!core_->queue.empty()) return error::stillPlaying;
    core_->closed = true;
    kept = keep.count() > 0 && core_->direction == StreamDirection::capture &&
           core_->openResult == error::ok && !core_->removed;
    if (kept) {
        core_->keptUntil = nowMs() + keep.count();
        core_->running = false;
    } else {
        core_->stopping = true;
        core_->wake();
    }
    const auto relay = std::move(core_->relay);
    lock.unlock();
    if (!kept) release();
    relay->forgetHeaders(core_->key);
    relay->post(core_->key,
                core_->direction == StreamDirection::capture ? message::inputClosed
                                                             : message::outputClosed,
                core_->device);
    return error::ok;
}

} // namespace platform::alsa
