#pragma once
// The running log of the instrument: one CSV line per recorded block (the
// time, both channels' frequencies, IL, UR, |Z| and the phase), appended to
// a file while the window runs, for a lesson's later evaluation.
//
// Each line is one write of its own and reaches the file at once. A line
// the file cannot take whole (a full disk, a removed stick) is taken back,
// so the log holds whole lines only; the window goes on, and the failure is
// reported once until a line can be written again.

#include <QFile>
#include <QObject>
#include <QString>
#include <functional>
#include <string>

class TForm1;

class BlockLog : public QObject {
public:
    // Receives the reason when appending starts to fail.
    using FailureReport = std::function<void(const QString& reason)>;

    explicit BlockLog(TForm1& form, QObject* parent = nullptr);
    // Opens the file for appending (the header first when it is new or
    // empty); false with the reason in `error` when it cannot be written.
    bool open(const QString& file, QString& error);
    // Replaces the report, which by default is one line on stderr.
    void onFailure(FailureReport report) { report_ = std::move(report); }
    // Lines that could not be written.
    int linesLost() const { return linesLost_; }

private:
    void blockRecorded();
    bool append(const std::string& line, QString& reason);

    TForm1& form_;
    QFile file_;
    FailureReport report_;
    bool failing_ = false;
    int linesLost_ = 0;
};
