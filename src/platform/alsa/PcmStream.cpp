#include "platform/alsa/PcmStream.h"

#include <algorithm>
#include <cerrno>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform::alsa {

namespace {

// Frames read and dropped at a time while no capture header is queued.
constexpr std::uint32_t scratchFrames = 1024;
// Transfers in one pass of the worker before it polls again.
constexpr int transfersPerPass = 256;
// The worker looks at its state at least this often (ms), whatever poll says.
constexpr int pollTimeoutMs = 200;

bool isQueued(const std::deque<WaveHeader*>& queue, const WaveHeader& header) {
    return std::find(queue.begin(), queue.end(), &header) != queue.end();
}

} // namespace

PcmStream::PcmStream(StreamDirection direction, std::unique_ptr<PcmPort> port,
                     std::shared_ptr<NotificationRelay> relay, std::uint64_t key,
                     const void* device, std::shared_ptr<XrunCounters> counters)
    : direction_(direction), relay_(std::move(relay)), key_(key), device_(device),
      counters_(std::move(counters)),
      doneMessage_(direction == StreamDirection::capture ? message::inputData
                                                         : message::outputDone),
      closedMessage_(direction == StreamDirection::capture ? message::inputClosed
                                                           : message::outputClosed),
      port_(std::move(port)) {
    running_ = direction_ == StreamDirection::playback;
    scratch_.resize(static_cast<std::size_t>(scratchFrames) * port_->frameBytes());
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    worker_ = std::thread([this] { run(); });
}

PcmStream::~PcmStream() {
    std::unique_lock lock(mutex_);
    if (closed_) return;
    stopWorker(lock);
    port_.reset();
    closed_ = true;
    lock.unlock();
    relay_->detach(key_);
}

void PcmStream::stopWorker(std::unique_lock<std::mutex>& lock) {
    stopping_ = true;
    wake();
    lock.unlock();
    if (worker_.joinable()) worker_.join();
    lock.lock();
    if (wakeFd_ >= 0) ::close(wakeFd_);
    wakeFd_ = -1;
}

void PcmStream::wake() {
    if (wakeFd_ < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

MMResult PcmStream::usable() const {
    if (closed_) return error::invalidHandle;
    if (removed_) return error::deviceRemoved;
    return error::ok;
}

MMResult PcmStream::prepareHeader(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (const auto r = usable()) return r;
    if (!header.data || header.length == 0) return error::invalidParam;
    if (isQueued(queue_, header)) return error::stillPlaying;
    header.flags = (header.flags | headerFlag::prepared) & ~headerFlag::done;
    return error::ok;
}

MMResult PcmStream::unprepareHeader(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (closed_) return error::invalidHandle;
    if (isQueued(queue_, header)) return error::stillPlaying;
    header.flags &= ~headerFlag::prepared;
    return error::ok;
}

MMResult PcmStream::add(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (const auto r = usable()) return r;
    if (!header.data) return error::invalidParam;
    if (!(header.flags & headerFlag::prepared)) return error::unprepared;
    if (isQueued(queue_, header)) return error::stillPlaying;
    header.flags = (header.flags & ~headerFlag::done) | headerFlag::queued;
    if (direction_ == StreamDirection::capture) header.bytesRecorded = 0;
    queue_.push_back(&header);
    wake();
    return error::ok;
}

MMResult PcmStream::start() {
    std::lock_guard lock(mutex_);
    if (const auto r = usable()) return r;
    if (!running_) {
        if (const int r = port_->start(); r < 0) {
            gone();
            return error::deviceRemoved;
        }
        running_ = true;
    }
    wake();
    return error::ok;
}

MMResult PcmStream::pause() {
    std::lock_guard lock(mutex_);
    if (const auto r = usable()) return r;
    running_ = false;
    port_->pause(true);
    return error::ok;
}

MMResult PcmStream::restart() {
    std::lock_guard lock(mutex_);
    if (const auto r = usable()) return r;
    if (!running_) port_->pause(false);
    running_ = true;
    wake();
    return error::ok;
}

MMResult PcmStream::reset() {
    std::lock_guard lock(mutex_);
    if (const auto r = usable()) return r;
    port_->stop();
    unstarted_ = false;
    // Input stops recording; output forgets a pause, as after a fresh open.
    running_ = direction_ == StreamDirection::playback;
    starved_ = false;
    returnAll();
    wake();
    return error::ok;
}

MMResult PcmStream::close() {
    std::unique_lock lock(mutex_);
    if (closed_) return error::invalidHandle;
    if (!queue_.empty()) return error::stillPlaying;
    stopWorker(lock);
    port_.reset();
    closed_ = true;
    lock.unlock();
    relay_->forgetHeaders(key_);
    relay_->post(key_, closedMessage_, device_);
    return error::ok;
}

void PcmStream::complete() {
    WaveHeader* h = queue_.front();
    queue_.pop_front();
    if (direction_ == StreamDirection::capture) h->bytesRecorded = position_;
    h->flags = (h->flags | headerFlag::done) & ~headerFlag::queued;
    position_ = 0;
    relay_->post(key_, doneMessage_, device_, h);
}

void PcmStream::returnAll() {
    while (!queue_.empty())
        complete();
}

void PcmStream::gone() {
    removed_ = true;
    running_ = false;
    returnAll();
}

bool PcmStream::recover(long error) {
    if (error == -EPIPE) {
        if (port_->prepare() < 0) {
            gone();
            return false;
        }
        if (direction_ == StreamDirection::capture) {
            if (port_->start() < 0) {
                gone();
                return false;
            }
            ++counters_->overruns;
        } else if (!starved_) {
            ++counters_->underruns;
        }
        return true;
    }
    if (error == -ESTRPIPE) {
        const int resumed = port_->resume();
        if (resumed == -EAGAIN) return true;
        if (resumed < 0 && port_->prepare() < 0) {
            gone();
            return false;
        }
        if (direction_ == StreamDirection::capture && port_->start() < 0) {
            gone();
            return false;
        }
        return true;
    }
    gone();
    return false;
}

bool PcmStream::serviceCapture() {
    if (!running_) return false;
    const std::uint32_t frameBytes = port_->frameBytes();
    for (int pass = 0; pass < transfersPerPass; ++pass) {
        char* into = scratch_.data();
        std::uint32_t frames = scratchFrames;
        if (!queue_.empty()) {
            WaveHeader* h = queue_.front();
            const std::uint32_t left = h->length > position_ ? h->length - position_ : 0;
            if (left < frameBytes) {
                complete();
                continue;
            }
            into = h->data + position_;
            frames = left / frameBytes;
        }
        const long moved = port_->transfer(into, frames);
        if (moved == -EAGAIN || moved == 0) return true;
        if (moved < 0) {
            if (!recover(moved)) return false;
            continue;
        }
        if (queue_.empty()) continue;
        WaveHeader* h = queue_.front();
        position_ += static_cast<std::uint32_t>(moved) * frameBytes;
        h->bytesRecorded = position_;
        if (h->length - position_ < frameBytes) complete();
    }
    return true;
}

bool PcmStream::servicePlayback() {
    if (!running_) return false;
    const std::uint32_t frameBytes = port_->frameBytes();
    for (int pass = 0; pass < transfersPerPass && !queue_.empty(); ++pass) {
        WaveHeader* h = queue_.front();
        const std::uint32_t left = h->length > position_ ? h->length - position_ : 0;
        if (left < frameBytes) {
            complete();
            continue;
        }
        const long moved = port_->transfer(h->data + position_, left / frameBytes);
        if (moved == -EAGAIN || moved == 0) return true;
        if (moved < 0) {
            if (!recover(moved)) return false;
            continue;
        }
        starved_ = false;
        unstarted_ = true;
        position_ += static_cast<std::uint32_t>(moved) * frameBytes;
        if (h->length - position_ < frameBytes) complete();
    }
    if (!queue_.empty()) return true;
    // Nothing more to write: what has been written plays even when it is less
    // than the start threshold. An underrun from now on is no fault of ours.
    if (unstarted_) {
        if (port_->start() < 0) {
            gone();
            return false;
        }
        unstarted_ = false;
        starved_ = true;
    }
    return false;
}

bool PcmStream::service() {
    if (removed_ || closed_) return false;
    return direction_ == StreamDirection::capture ? serviceCapture() : servicePlayback();
}

void PcmStream::run() {
    std::unique_lock lock(mutex_);
    std::vector<pollfd> fds;
    while (!stopping_) {
        const bool waitForPcm = service();
        fds = waitForPcm && port_ ? port_->descriptors() : std::vector<pollfd>{};
        const std::size_t pcmFds = fds.size();
        fds.push_back({wakeFd_, POLLIN, 0});
        lock.unlock();
        ::poll(fds.data(), fds.size(), pollTimeoutMs);
        if (fds.back().revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto got = ::read(fds.back().fd, &count, sizeof count);
        }
        lock.lock();
        if (pcmFds > 0 && port_ && !removed_ && !stopping_) {
            fds.resize(pcmFds);
            if (port_->revents(fds) < 0) gone();
        }
    }
}

} // namespace platform::alsa
