// TForm1: the playback component's events. Every buffer of the output signal
// is computed here from the generator variables and, for the sweep, from the
// texts of the sweep panel's two boxes.

#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "audio/AudioOut.h"
#include "core/Exception.h"
#include "generator/Synthesis.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>

bool TForm1::AudioOut1FillBuffer(char* Buffer, std::int32_t& Size) {
    const bool sweep = state.sweepActive == 1;
    std::string from = sweep ? Edit106->text().toStdString() : std::string();
    std::string to = sweep ? Edit110->text().toStdString() : std::string();
    std::string error;
    const bool supplied = synthesis::fillOutputBuffer(state, Buffer, Size, AudioOut1->FrameRate(),
                                                      AudioOut1->BuffersFilled == 0, from, to,
                                                      error, &generatorBuffers_);
    if (sweep) {
        // An empty box has been given "1".
        if (Edit106->text().isEmpty()) Edit106->setText(QString::fromStdString(from));
        if (Edit110->text().isEmpty()) Edit110->setText(QString::fromStdString(to));
    }
    if (!error.empty()) {
        // Shown once the buffer is queued: a message box opened in here would
        // handle further playback notifications in the middle of this one.
        QTimer::singleShot(0, qApp, [error] { app::reportException(EConvertError(error)); });
    }
    return supplied;
}

void TForm1::AudioOut1Start(QObject* /*Sender*/) {}

void TForm1::connectGeneratorControls() {}
