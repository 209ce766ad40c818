#pragma once
// Carries device notifications from the stream threads to their targets on
// the GUI thread. A thread queues a notification under a mutex and wakes the
// relay through an eventfd; the relay, a socket notifier of the GUI thread's
// event loop, takes the notifications out one by one and sends each to its
// target. Every handoff between the threads goes through the mutex.
//
// Each open device has a key. forgetHeaders() (at close) drops the device's
// undelivered buffer notifications, so that after close only "closed" reaches
// the target; detach() (at destruction) drops everything and forgets the
// target. Construct, attach, forget, detach and deliver on the GUI thread;
// post from any thread.

#include "platform/SoundCard.h"

#include <QPointer>
#include <QSocketNotifier>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace platform::alsa {

class NotificationRelay : public std::enable_shared_from_this<NotificationRelay> {
public:
    NotificationRelay();
    ~NotificationRelay();
    NotificationRelay(const NotificationRelay&) = delete;
    NotificationRelay& operator=(const NotificationRelay&) = delete;

    std::uint64_t attach(QObject* target);
    void post(std::uint64_t key, int message, const void* device, WaveHeader* header = nullptr);
    void forgetHeaders(std::uint64_t key);
    void detach(std::uint64_t key);
    // Sends every queued notification now (what the event loop does when woken).
    void deliver();

private:
    struct Pending {
        std::uint64_t key;
        int message;
        const void* device;
        WaveHeader* header;
    };

    // --- guarded by mutex_ ---
    std::mutex mutex_;
    std::deque<Pending> pending_;
    bool wakeSent_ = false;
    int wakeFd_ = -1;

    // --- GUI thread ---
    std::map<std::uint64_t, QPointer<QObject>> targets_;
    std::uint64_t nextKey_ = 1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace platform::alsa
