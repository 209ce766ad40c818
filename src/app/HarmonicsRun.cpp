#include "app/HarmonicsRun.h"

#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"

#include <algorithm>

namespace {

// Half a second of sound per playback buffer.
constexpr int bufferMilliseconds = 500;

} // namespace

HarmonicsRun::HarmonicsRun(TForm1& form, int settleMilliseconds, int patienceMilliseconds,
                           QObject* parent)
    : QObject(parent), form_(form),
      settleBuffers_(
          std::max(0, (settleMilliseconds + bufferMilliseconds - 1) / bufferMilliseconds)) {
    patience_.setSingleShot(true);
    patience_.setInterval(patienceMilliseconds);
    connect(&patience_, &QTimer::timeout, this, [this] {
        if (!active_) return;
        active_ = false;
        emit finished(false);
    });
    connect(&form_, &TForm1::blockRecorded, this, [this] { blockRecorded(); });
}

void HarmonicsRun::start() {
    // The output filled so far carries the generators as they stand.
    playedTarget_ = form_.AudioOut1->BuffersFilled + settleBuffers_;
    outputReached_ = false;
    active_ = true;
    patience_.start();
}

void HarmonicsRun::blockRecorded() {
    const bool firstOfCapture = form_.AudioIn1->BuffersReturned == 1;
    if (firstOfCapture) ++captures_;
    if (!active_) return;
    if (!outputReached_) {
        if (form_.AudioOut1->BuffersReturned < playedTarget_) return;
        outputReached_ = true;
        captureAtOutput_ = captures_;
        return;
    }
    // The first block of a capture begun after the output had reached the circuit.
    if (!firstOfCapture || captures_ <= captureAtOutput_) return;
    active_ = false;
    patience_.stop();
    emit finished(true);
}
