#pragma once
// The harmonic table without a click: the first block recorded wholly after
// the output the window starts with has reached the circuit (and played for
// the settle time) gives the table, as a frequency-response point would.
// Blocks that stop coming end the wait after a while, with no table.

#include <QObject>
#include <QTimer>
#include <cstdint>

class TForm1;

class HarmonicsRun : public QObject {
    Q_OBJECT
public:
    // settleMilliseconds: how long the output plays before the block.
    // patienceMilliseconds: real time to wait for blocks at all.
    HarmonicsRun(TForm1& form, int settleMilliseconds, int patienceMilliseconds,
                 QObject* parent = nullptr);

    void start();
    bool running() const { return active_; }

signals:
    // The window's harmonicTable() is the table; settled is false when no
    // settled block came in time.
    void finished(bool settled);

private:
    void blockRecorded();

    TForm1& form_;
    int settleBuffers_ = 0;
    QTimer patience_;
    bool active_ = false;
    std::int64_t playedTarget_ = 0;
    bool outputReached_ = false;
    std::uint64_t captures_ = 0;
    std::uint64_t captureAtOutput_ = 0;
};
