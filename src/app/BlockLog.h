#pragma once
// The running log of the instrument: one CSV line per recorded block (the
// time, both channels' frequencies, IL, UR, |Z| and the phase), appended to
// a file while the window runs, for a lesson's later evaluation.

#include <QFile>
#include <QObject>
#include <QString>

class TForm1;

class BlockLog : public QObject {
public:
    explicit BlockLog(TForm1& form, QObject* parent = nullptr);
    // Opens the file for appending (the header first when it is new or
    // empty); false with the reason in `error` when it cannot be written.
    bool open(const QString& file, QString& error);

private:
    void blockRecorded();

    TForm1& form_;
    QFile file_;
};
