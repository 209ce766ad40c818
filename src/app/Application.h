#pragma once
// The application object: the toolkit's application with the program's error
// report. Every event, timer tick and idle pass is delivered through notify();
// an exception that leaves its handler is shown in the error box and the
// event loop goes on with the next event.

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
