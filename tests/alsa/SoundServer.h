#pragma once
// A private sound server for the tests of the real ALSA path: its processes
// run in a process group of their own, with everything they keep in a
// temporary directory. start() also points this process at the server (the
// variables of clientEnvironment()), so it must run before the process
// first uses ALSA; the server's end gives the variables back.
//
// The servers themselves (PulseServer, PipeWireServer) say how they are
// started, how the program reaches them and when they answer.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <optional>

class SoundServer {
public:
    virtual ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Starts the server and waits until it answers; false with a reason.
    bool start(QString& reason);
    // Stops it (SIGTERM, then SIGKILL) and waits for it to end.
    void stop();
    bool running() const;
    // Holds every process of the server where it is (SIGSTOP), as a server
    // that hangs; release() lets them go on (SIGCONT).
    void hold();
    void release();

    // The environment a program needs to reach the server.
    QProcessEnvironment clientEnvironment() const;

protected:
    explicit SoundServer(const QString& name);

    // Writes what the server needs into dir(); false with a reason.
    virtual bool prepare(QString& reason) = 0;
    // The program that runs the server, and its arguments.
    virtual QStringList command() const = 0;
    // The variables that lead a client (and ALSA's "default") to the server.
    virtual std::map<QString, QString> clientVariables() const = 0;
    // Whether the server is ready for the tests.
    virtual bool answers() const = 0;
    // Runs one of the server's tools as a client; its standard output, or
    // empty on failure.
    QString runClient(const QString& program, const QStringList& arguments) const;

    QString dir() const { return dir_.path(); }
    const QString name_;

private:
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    std::map<QString, std::optional<QByteArray>> saved_; // this process's variables before start
};
