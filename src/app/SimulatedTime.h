#pragma once
// Time on the simulated bench as fast as the processor allows: between the
// passes of the event loop the bench's manual clock moves on by a fixed
// step, and what the bench reports reaches the window as it would in real
// time. A measurement that would take a minute of sound takes seconds, and
// every run with the same start gives the same numbers.

#include <QObject>
#include <QTimer>
#include <cstdint>

namespace platform::bench {
class BenchSoundCard;
}
class IdleCycle;

class SimulatedTime : public QObject {
public:
    // Frames the clock moves on at each step: 10 ms of sound.
    static constexpr std::uint64_t stepFrames = 441;

    SimulatedTime(platform::bench::BenchSoundCard& bench, IdleCycle& idle,
                  QObject* parent = nullptr);
    void start() { timer_.start(); }
    void stop() { timer_.stop(); }

private:
    platform::bench::BenchSoundCard& bench_;
    QTimer timer_;
};
