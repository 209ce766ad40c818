#pragma once
// A frequency response measured with the window: generator 1 steps through
// the given frequencies by the same path its frequency slider takes, and for
// each one the first block recorded wholly after the new frequency has
// reached the output (and has played for the settle time) gives a point:
// the circuit's current, voltage, impedance and phase at that frequency.
//
// The output lags the generator by the buffers queued ahead of it: the new
// frequency is in the first buffer filled after the change, and it plays
// once every buffer filled before it has played. A capture that was running
// at that moment began before it, so the point comes from the next capture.

#include "measure/Response.h"

#include <QObject>
#include <cstdint>
#include <vector>

class TForm1;

class ResponseRun : public QObject {
    Q_OBJECT
public:
    explicit ResponseRun(TForm1& form, QObject* parent = nullptr);

    // Starts a run (a running one ends first). Stepping and the sweep stop;
    // generator 1's frequency range becomes "10 Hz až 20 kHz".
    void start(std::vector<int> frequencies, int settleMilliseconds);
    // Ends a run; generator 1 stays where the run left it.
    void stop();
    bool running() const { return active_; }

    const std::vector<measure::ResponsePoint>& points() const { return points_; }
    std::size_t total() const { return frequencies_.size(); }

signals:
    void pointMeasured(int index);
    // completed: every point measured; false when the run was stopped.
    void finished(bool completed);

private:
    void setFrequency();
    void blockRecorded();

    TForm1& form_;
    bool active_ = false;
    std::vector<int> frequencies_;
    std::vector<measure::ResponsePoint> points_;
    std::size_t next_ = 0;
    int settleBuffers_ = 0;
    // Output buffers that must have played before the point's capture.
    std::int64_t playedTarget_ = 0;
    bool outputReached_ = false;
    // Captures counted by their first blocks; the point comes from the first
    // capture after `captureAtOutput_`.
    std::uint64_t captures_ = 0;
    std::uint64_t captureAtOutput_ = 0;
};
