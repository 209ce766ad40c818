#include "app/BlockLog.h"

#include "app/Form1.h"
#include "measure/BlockExport.h"

#include <QDateTime>

BlockLog::BlockLog(TForm1& form, QObject* parent) : QObject(parent), form_(form) {}

bool BlockLog::open(const QString& file, QString& error) {
    file_.setFileName(file);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = file_.errorString();
        return false;
    }
    if (file_.size() == 0) {
        const std::string header = measure::logHeader();
        file_.write(header.data(), static_cast<qint64>(header.size()));
        file_.flush();
    }
    connect(&form_, &TForm1::blockRecorded, this, [this] { blockRecorded(); });
    return true;
}

void BlockLog::blockRecorded() {
    const SharedState& state = form_.state;
    const std::string time = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toStdString();
    const std::string line = measure::logLine(
        time, measure::channelFrequency(state.rawSamples, state.sampleCount, 1),
        measure::channelFrequency(state.rawSamples, state.sampleCount, 0), form_.circuitReading());
    file_.write(line.data(), static_cast<qint64>(line.size()));
    // Each line reaches the file at once: the log survives a closed lid.
    file_.flush();
}
