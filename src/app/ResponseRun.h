#pragma once
// A frequency response measured with the window: generator 1 steps through
// the given frequencies by the same path its frequency slider takes. For each
// one the run waits until the new frequency has reached the output and has
// played for the settle time, then takes blocks from the captures that began
// after that until two consecutive ones agree (|Z| within 0.2 %, phi within
// 0.2 degrees); a circuit that has not settled after ten seconds of the new
// frequency gives its last block, marked unsettled.
//
// The output lags the generator by the buffers queued ahead of it: the new
// frequency is in the first buffer filled after the change, and it plays
// once every buffer filled before it has played. A capture that was running
// at that moment began before it, so the point comes from later captures.
//
// Generator 2 is silent while the run goes on. When the run ends, however it
// ends, generators 1 and 2 are given back as the run found them: frequency,
// range box, slider and readouts.

#include "measure/Response.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class TForm1;

class ResponseRun : public QObject {
    Q_OBJECT
public:
    explicit ResponseRun(TForm1& form, QObject* parent = nullptr);

    // Starts a run (a running one ends first). Stepping and the sweep stop;
    // generator 1's frequency range becomes "10 Hz až 20 kHz".
    void start(std::vector<int> frequencies, int settleMilliseconds);
    // Ends a run; the generators are given back.
    void stop();
    bool running() const { return active_; }

    const std::vector<measure::ResponsePoint>& points() const { return points_; }
    std::size_t total() const { return frequencies_.size(); }

signals:
    void pointMeasured(int index);
    // completed: every point measured; false when the run was stopped.
    void finished(bool completed);

private:
    // What the run changes of the generators, to be given back.
    struct Generators {
        int rangeItem = 0;
        int sliderMinimum = 0, sliderMaximum = 0, sliderValue = 0;
        int sliderPageStep = 0, sliderSingleStep = 0;
        std::int32_t frequency = 0;
        QString readout, unit;
        bool beyondDisplayLimit = false;
        std::int32_t generator2Amplitude = 0, generator2Frequency = 0;
    };
    Generators saveGenerators() const;
    void restoreGenerators(const Generators& saved);

    void setFrequency();
    void blockRecorded();
    void takePoint(measure::ResponsePoint point);
    void end(bool completed);

    TForm1& form_;
    bool active_ = false;
    std::vector<int> frequencies_;
    std::vector<measure::ResponsePoint> points_;
    std::size_t next_ = 0;
    int settleBuffers_ = 0;
    std::optional<Generators> saved_;
    // Output buffers that must have played before the point's capture, and
    // after which the circuit is taken as it is.
    std::int64_t playedTarget_ = 0;
    std::int64_t giveUpTarget_ = 0;
    bool outputReached_ = false;
    // The reading of the block before, while waiting for two that agree.
    std::optional<measure::ResponsePoint> previous_;
    // Captures counted by their first blocks; the point comes from captures
    // after `captureAtOutput_`.
    std::uint64_t captures_ = 0;
    std::uint64_t captureAtOutput_ = 0;
};
