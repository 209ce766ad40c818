#include "app/BlockLog.h"

#include "app/Form1.h"
#include "core/PrintableText.h"
#include "core/WholeFile.h"
#include "measure/BlockExport.h"

#include <QDateTime>
#include <cstdio>

BlockLog::BlockLog(TForm1& form, QObject* parent)
    : QObject(parent), form_(form), report_([this](const QString& reason) {
          const std::string name = printable(file_.fileName().toStdString());
          std::fprintf(stderr, "zo7scope: --log=%s: %s\n", name.c_str(),
                       reason.toLocal8Bit().constData());
          std::fflush(stderr);
      }) {}

bool BlockLog::open(const QString& file, QString& error) {
    file_.setFileName(file);
    const bool existed = file_.exists();
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = file_.errorString();
        return false;
    }
    if (file_.size() == 0 && !append(measure::logHeader(), error)) {
        // A log that could not even take its header is not left behind.
        file_.close();
        if (!existed) file_.remove();
        return false;
    }
    connect(&form_, &TForm1::blockRecorded, this, [this] { blockRecorded(); });
    return true;
}

bool BlockLog::append(const std::string& line, QString& reason) {
    const qint64 before = file_.size();
    if (writeEverything(file_, line, reason)) return true;
    // The part of the line that got in goes again: the log holds whole lines.
    if (file_.size() != before) file_.resize(before);
    return false;
}

void BlockLog::blockRecorded() {
    const SharedState& state = form_.state;
    const std::string time = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toStdString();
    const std::string line = measure::logLine(
        time, measure::channelFrequency(state.rawSamples, state.sampleCount, 1),
        measure::channelFrequency(state.rawSamples, state.sampleCount, 0), form_.circuitReading());
    QString reason;
    if (append(line, reason)) {
        failing_ = false;
        return;
    }
    ++linesLost_;
    if (!failing_ && report_) report_(reason);
    failing_ = true;
}
