// TForm1: the idle-driven measurement cycle. Whenever the event queue is
// empty one pass runs; recorded blocks, playback notifications, timer ticks
// and the user's input are handled between passes, never during one.

#include "app/Form1.h"
#include "app/IdleCycle.h"
#include "app/RecordedBlock.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"
#include "measure/GainSwitch.h"
#include "platform/SoundCard.h"

#include <QLabel>
#include <algorithm>

void TForm1::hookIdle() {
    idle_->hook();
}

bool TForm1::idleHooked() const {
    return idle_->hooked();
}

std::uint64_t TForm1::idlePassCount() const {
    return idle_->passes();
}

void TForm1::MyIdleEvent(QObject* /*Sender*/, bool& Done) {
    // 1. The next capture, as soon as the previous one has ended. While a
    //    capture runs both attempts are refused; a busy input is tried twice.
    //    A device that could not be opened is tried again after half a second.
    StartCapture();

    if (state.periodicMode == 1) {
        DrawGrid();
        DrawScreen();
        Panel2->setVisible(measure::overloadPanelVisible(state.voltagePeak, state.reducedGain));
        Done = false;
    }
    if (state.periodicMode == 0) {
        // The picture stays; only the readouts follow the new blocks.
        MeasureCurrent();
        ShowCurrentFrequency();
        MeasureVoltage();
        ShowVoltageFrequency();
        Done = false;
    }
}

bool TForm1::AudioIn1BufferFilled(char* Buffer, std::int32_t& Size) {
    if (const int values = copyRecordedBlock(state, Buffer, Size); values > 0) {
        // The block has just been recorded: it spans its length up to now.
        const std::int64_t now =
            platform::hasSoundCard() ? platform::soundCard().clockMicroseconds() : 0;
        const auto channels = std::max<std::int64_t>(AudioIn1->WaveFormat().channels, 1);
        const std::int64_t length =
            values / channels * 1000000 / std::max<std::int64_t>(AudioIn1->FrameRate(), 1);
        state.blockGeneratorFrequency =
            AudioOut1->Played().playedMostOf(now - length, now).value_or(0);
        ++blocksRecorded_;
        blockFactors_ = {state.currentReadoutFactor, state.voltageReadoutFactor};
        recordingWatch_.delivered(streamNow());
        emit blockRecorded();
    }
    // Not requeued: each start of the recording component captures two blocks.
    return false;
}
