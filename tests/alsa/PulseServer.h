#pragma once
// A private PulseAudio server: its own runtime directory and socket, one null
// sink whose monitor is the default source, no autospawning clients. Its
// clients, and with them ALSA's "default" (the pulse plugin becomes the
// default device while a server runs), reach it through PULSE_SERVER.

#include "SoundServer.h"

class PulseServer : public SoundServer {
public:
    PulseServer() : SoundServer(QStringLiteral("pulse")) {}
    ~PulseServer() override = default;

    // Runs pactl against the server; its standard output, or empty on failure.
    QString pactl(const QStringList& arguments) const {
        return runClient(QStringLiteral("pactl"), arguments);
    }

protected:
    bool prepare(QString& reason) override;
    QStringList command() const override;
    std::map<QString, QString> clientVariables() const override;
    bool answers() const override;

private:
    QString socket() const { return dir() + QStringLiteral("/native"); }
};
