#include "app/SimulatedTime.h"

#include "app/IdleCycle.h"
#include "platform/bench/BenchSoundCard.h"

SimulatedTime::SimulatedTime(platform::bench::BenchSoundCard& bench, IdleCycle& idle,
                             QObject* parent)
    : QObject(parent), bench_(bench) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, [this] {
        bench_.advance(stepFrames);
        bench_.deliverNotifications();
    });
    // The step itself is no news to the idle cycle; what it delivers is.
    idle.ignore(&timer_);
}
