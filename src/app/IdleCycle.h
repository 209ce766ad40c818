#pragma once
// The idle cycle: a pass runs whenever the event queue is empty, and the
// events that arrive (recorded blocks, playback notifications, timer ticks,
// the user's input) are handled between passes.
//
// A pass is a function of the state it starts from and of what has arrived
// since, and of what the pass before it drew (the traces it erases). Once a
// pass has started from the state the pass before it left and left it as it
// found it, with nothing arrived in between, it drew from the same values as
// the pass before it, and every further pass can only repeat its picture and
// readouts; the cycle then waits, without using the processor, until the
// next event arrives, and goes on from there.
// It never waits while the owner says a pass still has work to retry (an
// input device that could not be opened).
//
// Some events change nothing a pass reads unless they change the state (a
// played buffer that comes back for the generator's next one): while the
// cycle waits, such an event wakes it only when the state differs once the
// event has been handled, and between two passes it counts as news only
// then.

#include "app/StateFields.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class IdleCycle : public QObject {
    Q_OBJECT
public:
    // pass(Done) runs one pass; Done = false asks for the next one at once.
    using Pass = std::function<void(bool& Done)>;
    using Snapshot = std::function<StateSnapshot()>;
    using MayWait = std::function<bool()>;
    using Quiet = std::function<bool(const QObject* watched, const QEvent* event)>;

    IdleCycle(Pass pass, Snapshot snapshot, MayWait mayWait, QObject* parent = nullptr);
    ~IdleCycle() override;

    // From now on passes run (the end of start-up).
    void hook();
    // No pass runs any more (the window closes).
    void unhook();
    bool hooked() const { return hooked_; }
    // Events for this object never wake the cycle: it only shows what the
    // passes drew (the screen's refresh timer), or it reports through events
    // of its own that wake the cycle when something arrives.
    void ignore(const QObject* object) { ignored_.push_back(object); }
    // The events whose handling may change the state but nothing else a
    // pass reads: they wake a waiting cycle only by changing the state.
    void quietWhen(Quiet quiet) { quiet_ = std::move(quiet); }
    // True while the cycle waits for an event instead of running passes.
    bool waiting() const { return hooked_ && !timer_.isActive(); }
    std::uint64_t passes() const { return passes_; }
    // True while a pass runs: nothing else is handled then.
    bool inPass() const { return inPass_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tick();
    void wake();
    void arrived(const QObject* watched, const QEvent* event);

    Pass pass_;
    Snapshot snapshot_;
    MayWait mayWait_;
    Quiet quiet_;
    QTimer timer_;
    bool hooked_ = false;
    bool inPass_ = false;
    std::vector<const QObject*> ignored_;
    std::uint64_t passes_ = 0;
    // Passes in a row since the last event that left the state as they
    // found it.
    int unchangedPasses_ = 0;
    std::optional<StateSnapshot> last_;
    // A quiet event arrived while the cycle waited: the next tick looks
    // whether the state is still the one it waits on.
    bool checking_ = false;
    // A quiet event arrived between two passes: the next tick looks whether
    // it changed the state, and only then counts it as news.
    bool quietBetween_ = false;
};
