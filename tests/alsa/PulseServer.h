#pragma once
// A private PulseAudio server for the tests of the real ALSA path: its own
// runtime directory and socket, one null sink whose monitor is the default
// source, no autospawning clients. start() also points this process's
// PulseAudio clients at it, and with them ALSA's "default" (the pulse plugin
// becomes the default device while a server runs), so it must run before
// the process first uses ALSA.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class PulseServer {
public:
    PulseServer();
    ~PulseServer();

    // Starts the server and waits until it answers; false with a reason.
    bool start(QString& reason);
    // Stops it (SIGTERM, then SIGKILL) and waits for it to end.
    void stop();
    bool running() const;

    // The environment a program needs to reach the server.
    QProcessEnvironment clientEnvironment() const;
    // Runs pactl against the server; its standard output, or empty on failure.
    QString pactl(const QStringList& arguments) const;

private:
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> server_;
    QString socket_;
};
