#include "app/IdleCycle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

IdleCycle::IdleCycle(Pass pass, Snapshot snapshot, MayWait mayWait, QObject* parent)
    : QObject(parent), pass_(std::move(pass)), snapshot_(std::move(snapshot)),
      mayWait_(std::move(mayWait)) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

IdleCycle::~IdleCycle() {
    if (hooked_) QCoreApplication::instance()->removeEventFilter(this);
}

void IdleCycle::hook() {
    if (!hooked_) QCoreApplication::instance()->installEventFilter(this);
    hooked_ = true;
    wake();
}

void IdleCycle::unhook() {
    if (hooked_) QCoreApplication::instance()->removeEventFilter(this);
    hooked_ = false;
    timer_.stop();
}

void IdleCycle::wake() {
    checking_ = false;
    quietBetween_ = false;
    unchangedPasses_ = 0;
    last_.reset();
    if (hooked_ && !timer_.isActive()) timer_.start();
}

void IdleCycle::tick() {
    if (quietBetween_) {
        quietBetween_ = false;
        if (last_ && !(*last_ == snapshot_())) wake();
    }
    if (checking_) {
        checking_ = false;
        if (last_ && *last_ == snapshot_() && mayWait_()) {
            timer_.stop();
            return;
        }
        wake();
    }
    ++passes_;
    bool Done = true;
    inPass_ = true;
    try {
        pass_(Done);
    } catch (...) {
        inPass_ = false;
        throw;
    }
    inPass_ = false;

    StateSnapshot now = snapshot_();
    unchangedPasses_ = last_ && *last_ == now ? unchangedPasses_ + 1 : 0;
    last_ = std::move(now);
    // An unchanged pass, started from its predecessor's state with nothing
    // arrived since: the next would be the same again. The first pass after
    // an event has no predecessor's state to compare with (an event forgets
    // it), so at least two passes run.
    if (unchangedPasses_ >= 1 && mayWait_()) {
        timer_.stop();
        return;
    }
    // Done = true waits for the next message; a short interval stands in
    // for that wait. Done = false runs the next pass as soon as the queue
    // is empty.
    const int interval = Done ? 15 : 0;
    if (timer_.interval() != interval) timer_.setInterval(interval);
}

bool IdleCycle::eventFilter(QObject* watched, QEvent* event) {
    for (const QObject* ignored : ignored_)
        if (watched == ignored) return false;
    switch (event->type()) {
    // Painting shows what the passes drew; it changes nothing they read.
    case QEvent::Paint:
    case QEvent::UpdateRequest:
    case QEvent::UpdateLater:
        break;
    case QEvent::Timer:
        // The cycle's own timer is not news.
        if (watched != &timer_ && static_cast<QTimerEvent*>(event)->timerId() != timer_.timerId())
            arrived(watched, event);
        break;
    default:
        arrived(watched, event);
        break;
    }
    return false;
}

void IdleCycle::arrived(const QObject* watched, const QEvent* event) {
    // What a pass does to the window itself (texts, panels shown or hidden)
    // follows from the state it changed, which counts already.
    if (inPass_) return;
    if (quiet_ && quiet_(watched, event)) {
        if (waiting() || checking_) {
            // Looked at once the event has been handled; until then the
            // cycle counts as busy, and further quiet events join the same look.
            checking_ = true;
            if (timer_.interval() != 0) timer_.setInterval(0);
            timer_.start();
        } else {
            // The passes go on; the next one looks at what the event did.
            quietBetween_ = true;
        }
        return;
    }
    wake();
}
