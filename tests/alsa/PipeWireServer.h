#pragma once
// A private PipeWire server with WirePlumber, in a D-Bus session of its own
// (dbus-run-session): a null sink drives the graph, and a loopback whose
// capture side is a sink and whose playback side is a source carries what is
// played into the sink to the source. Clients reach it through its runtime
// directory; ALSA reaches it through the PipeWire plug-ins unpacked into the
// build tree, named by the server's own ALSA configuration, whose "default"
// plays into the loopback's sink and records from its source.

#include "SoundServer.h"

#include <utility>
#include <vector>

class PipeWireServer : public SoundServer {
public:
    PipeWireServer() : SoundServer(QStringLiteral("pipewire")) {}
    ~PipeWireServer() override = default;

    // The clients' streams (media class "Stream/Input/Audio" ...) and the
    // period each asks of the graph, in seconds (0: none). The graph runs at
    // the shortest period any stream asks for.
    std::vector<std::pair<QString, double>> streamLatencies() const;

protected:
    bool prepare(QString& reason) override;
    QStringList command() const override;
    std::map<QString, QString> clientVariables() const override;
    bool answers() const override;
};
