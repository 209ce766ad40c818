#pragma once
// Carries device notifications to their targets on the GUI thread. A
// notification is queued under the relay's mutex; the relay, an object of the
// GUI thread's event loop, takes the notifications out one by one and sends
// each to its target (QCoreApplication::sendEvent). Every handoff between the
// threads goes through the mutex.
//
// Two ways wake it: other threads write an eventfd that a socket notifier
// watches (post(), wakeFromThread()), so that they never touch Qt; the GUI
// thread posts an event to it (wakeFromGui()), which also reaches it when the
// posted events are sent without the event loop polling its descriptors.
// Until the relay has run, further wakes of the same kind do nothing.
//
// Each open device has a key. forgetHeaders() (at close) drops the device's
// undelivered buffer notifications, so that after close only "closed" reaches
// the target; detach() (at destruction) drops everything and forgets the
// target. Construct, attach, forget, detach, wake from the GUI, deliver and
// shut down on the GUI thread; queue, post and wake from a thread from any
// thread.

#include "platform/SoundCard.h"

#include <QPointer>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace platform {

class NotificationRelay : public std::enable_shared_from_this<NotificationRelay> {
public:
    // `threadWakes`: whether other threads can wake the relay (its eventfd).
    explicit NotificationRelay(bool threadWakes = true);
    ~NotificationRelay();
    NotificationRelay(const NotificationRelay&) = delete;
    NotificationRelay& operator=(const NotificationRelay&) = delete;

    std::uint64_t attach(QObject* target);
    // Queues a notification and wakes the relay through its eventfd.
    void post(std::uint64_t key, int message, const void* device, WaveHeader* header = nullptr);
    // Queues a notification without waking the relay.
    void queue(std::uint64_t key, int message, const void* device, WaveHeader* header = nullptr);
    void wakeFromThread();
    void wakeFromGui();
    // Whether notifications wait for delivery.
    bool hasPending();
    void forgetHeaders(std::uint64_t key);
    void detach(std::uint64_t key);
    // Sends every queued notification now (what the event loop does when woken).
    void deliver();
    // Nothing wakes the relay any more; what is queued stays undelivered
    // unless deliver() is called.
    void shutDown();
    // Whether the object is one of a relay's own that wake it (its socket
    // notifier or the target of its posted wake). Their events only make the
    // relay send the queued notifications, each an event of its own.
    static bool isWaker(const QObject* object);

private:
    struct Pending {
        std::uint64_t key;
        int message;
        const void* device;
        WaveHeader* header;
    };

    // With the mutex held: writes the eventfd unless a wake is still unread.
    void wakeLocked();

    // --- guarded by mutex_ ---
    std::mutex mutex_;
    std::deque<Pending> pending_;
    bool wakeSent_ = false;
    int wakeFd_ = -1;

    // --- GUI thread ---
    std::map<std::uint64_t, QPointer<QObject>> targets_;
    std::uint64_t nextKey_ = 1;
    QSocketNotifier* notifier_ = nullptr; // watches the eventfd
    QObject* waker_ = nullptr;            // receives the GUI thread's wakes
    bool postedWake_ = false;
    bool delivering_ = false;
    bool shutDown_ = false;
};

} // namespace platform
