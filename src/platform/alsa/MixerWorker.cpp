#include "platform/alsa/MixerWorker.h"

#include "platform/alsa/AlsaElementStore.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform::alsa {

namespace {

constexpr std::size_t noElement = static_cast<std::size_t>(-1);

// How long the destructor waits for a worker that has nothing left to do
// (it may be in the middle of reading the mixer's events).
constexpr std::chrono::milliseconds quietWait{100};

} // namespace

// What one channel of one side of an element holds, with the result of
// reading each value.
struct ChannelValues {
    MMResult levelResult = error::ok;
    std::uint32_t level = 0;
    MMResult stepResult = error::ok;
    long step = 0;
    MMResult switchResult = error::ok;
    bool on = false;
};

struct MixerWorker::ElementValues {
    std::vector<ChannelValues> sides[2]; // playback, capture; at least one channel each
    MMResult itemResult = error::ok;
    std::uint32_t item = 0;

    ChannelValues& at(Side side, std::uint32_t channel) {
        auto& channels = sides[side == Side::playback ? 0 : 1];
        return channels[std::min<std::size_t>(channel, channels.size() - 1)];
    }
    // Every channel for allChannels, else the one.
    template <class F> void each(Side side, std::uint32_t channel, F f) {
        if (channel != allChannels) return f(at(side, channel));
        for (auto& c : sides[side == Side::playback ? 0 : 1])
            f(c);
    }
};

struct MixerWorker::Shared {
    struct Request {
        std::uint64_t id = 0;
        std::size_t element = noElement;
        std::function<MMResult(ElementStore&)> apply; // a change, or
        std::function<void()> then;                   // what runs after the changes before it
        std::function<void(ElementValues&)> expect;   // what the change will make of the values
    };

    std::mutex mutex;
    std::condition_variable answered;
    int wakeFd = -1;

    std::optional<MMResult> result; // of the open, once it is known
    std::vector<ElementDescription> descriptions;
    std::vector<ElementValues> values;

    std::deque<Request> queue;
    std::uint64_t asked = 0;   // requests queued so far
    std::uint64_t done = 0;    // of those, carried out
    std::uint64_t awaited = 0; // the request the GUI thread waits for
    MMResult awaitedResult = error::ok;
    bool behind = false; // a wait ran out: no waiting until the worker catches up
    bool stopping = false;
    bool finished = false;
    QObject* context = nullptr; // null once nobody receives element changes
    std::function<void(std::size_t)> post;

    Shared() : wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Shared() {
        if (wakeFd >= 0) ::close(wakeFd);
    }
    void wake() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd, &one, sizeof one);
    }
};

namespace {

MixerWorker::ElementValues readElement(ElementStore& store, std::size_t element,
                                       const ElementDescription& d) {
    MixerWorker::ElementValues v;
    for (const Side side : {Side::playback, Side::capture}) {
        const auto& described = side == Side::playback ? d.playback : d.capture;
        auto& channels = v.sides[side == Side::playback ? 0 : 1];
        channels.resize(std::max<std::uint32_t>(described.channels, 1));
        for (std::uint32_t ch = 0; ch < channels.size(); ++ch) {
            auto& c = channels[ch];
            c.levelResult = store.level(element, side, ch, c.level);
            c.stepResult = store.step(element, side, ch, c.step);
            c.switchResult = store.switchOn(element, side, ch, c.on);
        }
    }
    v.itemResult = store.enumItem(element, v.item);
    return v;
}

void run(const std::shared_ptr<MixerWorker::Shared>& s, const std::string& device, bool server) {
    std::unique_ptr<AlsaElementStore> store;
    const MMResult opened = AlsaElementStore::open(device, server, store);
    {
        std::vector<MixerWorker::ElementValues> values;
        if (opened == error::ok)
            for (std::size_t i = 0; i < store->descriptions().size(); ++i)
                values.push_back(readElement(*store, i, store->descriptions()[i]));
        std::lock_guard lock(s->mutex);
        s->result = opened;
        if (opened == error::ok) {
            s->descriptions = store->descriptions();
            s->values = std::move(values);
        } else {
            s->finished = true;
        }
        s->answered.notify_all();
    }
    if (opened != error::ok) return;

    auto refresh = [&](std::size_t element, bool report) {
        if (element >= store->descriptions().size()) return;
        auto values = readElement(*store, element, store->descriptions()[element]);
        std::lock_guard lock(s->mutex);
        // The changes still queued for the element stay in the copy: a
        // snapshot taken now must see them, as they will be.
        for (const auto& queued : s->queue)
            if (queued.element == element && queued.expect) queued.expect(values);
        s->values[element] = std::move(values);
        if (report && s->post) s->post(element);
    };
    store->watch([&](std::size_t element) { refresh(element, true); });
    std::vector<pollfd> mixerFds = store->descriptors();
    // Reads the mixer's events that have come, without waiting for any.
    const auto catchUp = [&] {
        std::vector<pollfd> fds = mixerFds;
        if (!fds.empty() && ::poll(fds.data(), fds.size(), 0) > 0 && !store->handleEvents())
            mixerFds.clear();
    };

    for (;;) {
        MixerWorker::Shared::Request request;
        {
            std::lock_guard lock(s->mutex);
            if (!s->queue.empty()) {
                request = std::move(s->queue.front());
                s->queue.pop_front();
            } else if (s->stopping) {
                break;
            }
        }
        if (request.id != 0) {
            MMResult result = error::ok;
            if (request.apply) {
                // The simple mixer skips a write of the value it last read
                // from the control. A change made elsewhere whose event it
                // has not read yet (another program set the capture to 30 %
                // just before the set-up asks for 100 %, which it last read)
                // would leave the control where the other program put it.
                catchUp();
                result = request.apply(*store);
                refresh(request.element, false);
            }
            if (request.then) request.then();
            std::lock_guard lock(s->mutex);
            s->done = request.id;
            if (request.id == s->awaited) s->awaitedResult = result;
            if (s->done == s->asked) s->behind = false;
            s->answered.notify_all();
            continue;
        }
        std::vector<pollfd> fds = mixerFds;
        fds.push_back({s->wakeFd, POLLIN, 0});
        ::poll(fds.data(), fds.size(), -1);
        if (fds.back().revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto got = ::read(s->wakeFd, &count, sizeof count);
        }
        const bool events =
            std::any_of(fds.begin(), fds.end() - 1, [](const pollfd& f) { return f.revents != 0; });
        // A card that has gone would only report that again.
        if (events && !store->handleEvents()) mixerFds.clear();
    }
    store.reset();
    std::lock_guard lock(s->mutex);
    s->finished = true;
    s->answered.notify_all();
}

} // namespace

MixerWorker::MixerWorker(const std::string& device, bool server)
    : shared_(std::make_shared<Shared>()), context_(std::make_unique<QObject>()) {
    shared_->context = context_.get();
    // Runs on the worker under the mutex: the context is still there.
    shared_->post = [s = shared_.get(), this](std::size_t element) {
        QMetaObject::invokeMethod(
            s->context,
            [this, element] {
                if (changed_) changed_(element);
            },
            Qt::QueuedConnection);
    };
    thread_ = std::thread(run, shared_, device, server);
}

MixerWorker::~MixerWorker() {
    bool finished = false;
    bool pending = false;
    {
        std::unique_lock lock(shared_->mutex);
        shared_->context = nullptr;
        shared_->post = nullptr;
        shared_->stopping = true;
        shared_->wake();
        pending = shared_->done < shared_->asked && shared_->result == error::ok;
        finished = shared_->answered.wait_for(lock, pending ? settleWait : quietWait,
                                              [this] { return shared_->finished; });
        pending = shared_->done < shared_->asked && shared_->result == error::ok;
    }
    if (finished) {
        thread_.join();
    } else {
        if (pending) {
            std::fprintf(stderr, "zo7scope: the mixer could not be given back: the sound server "
                                 "does not answer (the next start gives it back)\n");
            std::fflush(stderr);
        }
        thread_.detach();
    }
}

std::optional<MMResult> MixerWorker::loaded(std::chrono::milliseconds wait) {
    std::unique_lock lock(shared_->mutex);
    shared_->answered.wait_for(lock, wait, [this] { return shared_->result.has_value(); });
    return shared_->result;
}

const std::vector<ElementDescription>& MixerWorker::descriptions() const {
    // Written once by the worker before the open's result is known.
    static const std::vector<ElementDescription> none;
    std::lock_guard lock(shared_->mutex);
    return shared_->result == error::ok ? shared_->descriptions : none;
}

bool MixerWorker::settled(std::chrono::milliseconds wait) {
    std::unique_lock lock(shared_->mutex);
    return shared_->answered.wait_for(lock, wait,
                                      [this] { return shared_->done == shared_->asked; });
}

namespace {

// One channel's copy of a value, under the copy's mutex.
template <class Shared, class T>
MMResult readChannel(Shared& shared, std::size_t element, Side side, std::uint32_t channel,
                     MMResult ChannelValues::*result, T ChannelValues::*value, T& out) {
    std::lock_guard lock(shared.mutex);
    if (element >= shared.values.size()) return error::badControlId;
    const ChannelValues& c = shared.values[element].at(side, channel);
    if (c.*result == error::ok) out = c.*value;
    return c.*result;
}

} // namespace

MMResult MixerWorker::level(std::size_t element, Side side, std::uint32_t channel,
                            std::uint32_t& level) {
    return readChannel(*shared_, element, side, channel, &ChannelValues::levelResult,
                       &ChannelValues::level, level);
}

MMResult MixerWorker::step(std::size_t element, Side side, std::uint32_t channel, long& raw) {
    return readChannel(*shared_, element, side, channel, &ChannelValues::stepResult,
                       &ChannelValues::step, raw);
}

MMResult MixerWorker::switchOn(std::size_t element, Side side, std::uint32_t channel, bool& on) {
    return readChannel(*shared_, element, side, channel, &ChannelValues::switchResult,
                       &ChannelValues::on, on);
}

MMResult MixerWorker::enumItem(std::size_t element, std::uint32_t& item) {
    std::lock_guard lock(shared_->mutex);
    if (element >= shared_->values.size()) return error::badControlId;
    const auto& v = shared_->values[element];
    if (v.itemResult == error::ok) item = v.item;
    return v.itemResult;
}

MMResult MixerWorker::setLevel(std::size_t element, Side side, std::uint32_t channel,
                               std::uint32_t level) {
    return change(
        element, [=](ElementStore& store) { return store.setLevel(element, side, channel, level); },
        [=](ElementValues& v) {
            v.each(side, channel, [=](ChannelValues& c) { c.level = level; });
        });
}

MMResult MixerWorker::setStep(std::size_t element, Side side, std::uint32_t channel, long raw) {
    return change(
        element, [=](ElementStore& store) { return store.setStep(element, side, channel, raw); },
        [=](ElementValues& v) { v.each(side, channel, [=](ChannelValues& c) { c.step = raw; }); });
}

MMResult MixerWorker::setSwitch(std::size_t element, Side side, std::uint32_t channel, bool on) {
    return change(
        element, [=](ElementStore& store) { return store.setSwitch(element, side, channel, on); },
        [=](ElementValues& v) { v.each(side, channel, [=](ChannelValues& c) { c.on = on; }); });
}

MMResult MixerWorker::setEnumItem(std::size_t element, std::uint32_t item) {
    return change(
        element, [=](ElementStore& store) { return store.setEnumItem(element, item); },
        [=](ElementValues& v) { v.item = item; });
}

MMResult MixerWorker::change(std::size_t element, std::function<MMResult(ElementStore&)> apply,
                             std::function<void(ElementValues&)> expect) {
    std::unique_lock lock(shared_->mutex);
    if (shared_->result != error::ok) return error::invalidHandle;
    if (element >= shared_->values.size()) return error::badControlId;
    expect(shared_->values[element]);
    const std::uint64_t id = ++shared_->asked;
    shared_->queue.push_back({id, element, std::move(apply), {}, std::move(expect)});
    shared_->wake();
    if (shared_->behind) return error::ok;
    shared_->awaited = id;
    if (!shared_->answered.wait_for(lock, changeWait, [&] { return shared_->done >= id; })) {
        shared_->awaited = 0;
        shared_->behind = true;
        return error::ok;
    }
    shared_->awaited = 0;
    return shared_->awaitedResult;
}

void MixerWorker::afterChanges(std::function<void()> then) {
    std::lock_guard lock(shared_->mutex);
    if (shared_->result.has_value() && shared_->result != error::ok) return;
    shared_->queue.push_back({++shared_->asked, noElement, {}, std::move(then), {}});
    shared_->wake();
}

void MixerWorker::watch(std::function<void(std::size_t)> changed) {
    changed_ = std::move(changed);
}

} // namespace platform::alsa
