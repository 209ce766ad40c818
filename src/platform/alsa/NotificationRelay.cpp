#include "platform/alsa/NotificationRelay.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform::alsa {

namespace {

bool isClosed(int message) {
    return message == message::inputClosed || message == message::outputClosed;
}

} // namespace

NotificationRelay::NotificationRelay() {
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
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
    // The relay may go while its notifier is reporting (a target destroyed the card).
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
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
    if (wakeFd_ >= 0 && !wakeSent_) {
        wakeSent_ = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
    }
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
    for (;;) {
        Pending p{};
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty()) return;
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
}

} // namespace platform::alsa
