#include "platform/NotificationRelay.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <algorithm>
#include <functional>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

namespace {

bool isClosed(int message) {
    return message == message::inputClosed || message == message::outputClosed;
}

QEvent::Type wakeType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// Lives on the GUI thread; runs `woken` when a wake event reaches it.
class Waker : public QObject {
public:
    explicit Waker(std::function<void()> woken) : woken_(std::move(woken)) {}

    bool event(QEvent* e) override {
        if (e->type() != wakeType()) return QObject::event(e);
        woken_();
        return true;
    }

private:
    std::function<void()> woken_;
};

// Watches the eventfd; a class of its own so that it can be told apart.
class WakeNotifier : public QSocketNotifier {
public:
    using QSocketNotifier::QSocketNotifier;
};

// Deletes an object of the relay now, or later when it may be in the middle
// of reporting (the delivery it started is still running).
void release(QObject* object, bool later) {
    if (!object) return;
    if (later)
        object->deleteLater();
    else
        delete object;
}

} // namespace

NotificationRelay::NotificationRelay(bool threadWakes) {
    if (!threadWakes) return;
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) return;
    notifier_ = new WakeNotifier(wakeFd_, QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, [this] {
        {
            std::lock_guard lock(mutex_);
            std::uint64_t count = 0;
            [[maybe_unused]] const auto got = ::read(wakeFd_, &count, sizeof count);
            wakeSent_ = false;
        }
        deliver();
    });
}

NotificationRelay::~NotificationRelay() {
    // The relay may go while its notifier or waker is reporting (a target
    // destroyed the card).
    if (notifier_) notifier_->setEnabled(false);
    release(notifier_, true);
    release(waker_, true);
    std::lock_guard lock(mutex_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
    wakeFd_ = -1;
}

std::uint64_t NotificationRelay::attach(QObject* target) {
    const auto key = nextKey_++;
    targets_[key] = target;
    return key;
}

void NotificationRelay::post(std::uint64_t key, int message, const void* device,
                             WaveHeader* header) {
    std::lock_guard lock(mutex_);
    pending_.push_back({key, message, device, header});
    wakeLocked();
}

void NotificationRelay::queue(std::uint64_t key, int message, const void* device,
                              WaveHeader* header) {
    std::lock_guard lock(mutex_);
    pending_.push_back({key, message, device, header});
}

void NotificationRelay::wakeFromThread() {
    std::lock_guard lock(mutex_);
    wakeLocked();
}

void NotificationRelay::wakeLocked() {
    if (wakeFd_ >= 0 && !wakeSent_) {
        wakeSent_ = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
    }
}

void NotificationRelay::wakeFromGui() {
    if (shutDown_ || postedWake_) return;
    if (!waker_) {
        waker_ = new Waker([weak = weak_from_this()] {
            if (const auto relay = weak.lock()) {
                relay->postedWake_ = false;
                relay->deliver();
            }
        });
    }
    postedWake_ = true;
    QCoreApplication::postEvent(waker_, new QEvent(wakeType()));
}

bool NotificationRelay::hasPending() {
    std::lock_guard lock(mutex_);
    return !pending_.empty();
}

void NotificationRelay::forgetHeaders(std::uint64_t key) {
    std::lock_guard lock(mutex_);
    std::erase_if(pending_, [key](const Pending& p) { return p.key == key && p.header; });
}

void NotificationRelay::detach(std::uint64_t key) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(pending_, [key](const Pending& p) { return p.key == key; });
    }
    targets_.erase(key);
}

void NotificationRelay::deliver() {
    // A target's reaction may destroy the card and with it the relay.
    const auto self = shared_from_this();
    const bool outer = !delivering_;
    delivering_ = true;
    for (;;) {
        Pending p{};
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty()) break;
            p = pending_.front();
            pending_.pop_front();
        }
        QPointer<QObject> target;
        if (auto it = targets_.find(p.key); it != targets_.end()) {
            target = it->second;
            if (isClosed(p.message)) targets_.erase(it);
        }
        if (target) {
            DeviceEvent event(p.message, p.device, p.header);
            QCoreApplication::sendEvent(target, &event);
        }
    }
    if (outer) delivering_ = false;
}

bool NotificationRelay::isWaker(const QObject* object) {
    return dynamic_cast<const WakeNotifier*>(object) || dynamic_cast<const Waker*>(object);
}

void NotificationRelay::shutDown() {
    shutDown_ = true;
    if (notifier_) notifier_->setEnabled(false);
    release(notifier_, delivering_);
    notifier_ = nullptr;
    release(waker_, delivering_);
    waker_ = nullptr;
    std::lock_guard lock(mutex_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
    wakeFd_ = -1;
}

} // namespace platform
