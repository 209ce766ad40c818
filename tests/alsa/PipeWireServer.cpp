#include "PipeWireServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Where the build unpacked the PipeWire ALSA plug-ins, and its log.
const QString pluginDir = QStringLiteral(ZO7_PIPEWIRE_ALSA_DIR);

bool write(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

std::map<QString, QString> PipeWireServer::clientVariables() const {
    return {{QStringLiteral("PIPEWIRE_RUNTIME_DIR"), dir()},
            {QStringLiteral("ALSA_CONFIG_PATH"), dir() + "/asound.conf"}};
}

bool PipeWireServer::prepare(QString& reason) {
    const QString pcm = pluginDir + "/libasound_module_pcm_pipewire.so";
    const QString ctl = pluginDir + "/libasound_module_ctl_pipewire.so";
    if (!QFile::exists(pcm) || !QFile::exists(ctl)) {
        QFile log(pluginDir + "/fetch.log");
        log.open(QIODevice::ReadOnly);
        reason = QStringLiteral("the PipeWire ALSA plug-ins (package pipewire-alsa) are not in ") +
                 pluginDir + QStringLiteral(": the build could not fetch them. Its log:\n") +
                 QString::fromLocal8Bit(log.readAll());
        return false;
    }
    const QByteArray alsa = QStringLiteral("pcm_type.pipewire { lib \"%1\" }\n"
                                           "ctl_type.pipewire { lib \"%2\" }\n"
                                           "pcm.!default {\n"
                                           "    type pipewire\n"
                                           "    playback_node \"zo7loop.sink\"\n"
                                           "    capture_node \"zo7loop.source\"\n"
                                           "    hint { show on description \"PipeWire\" }\n"
                                           "}\n"
                                           "ctl.!default { type pipewire }\n")
                                .arg(pcm, ctl)
                                .toUtf8();
    // The server, then the session manager, then the nodes; the loopback
    // lives as long as its process.
    const QByteArray script =
        "pipewire &\n"
        "until [ -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.1; done\n"
        "wireplumber &\n"
        "pw-cli create-node adapter '{ factory.name=support.null-audio-sink node.name=zo7null "
        "media.class=Audio/Sink object.linger=true audio.rate=44100 audio.position=[FL FR] }'\n"
        "pw-loopback --capture-props='media.class=Audio/Sink node.name=zo7loop.sink "
        "audio.position=[FL FR]' --playback-props='media.class=Audio/Source "
        "node.name=zo7loop.source audio.position=[FL FR]' &\n"
        "wait\n";
    // The graph runs at the program's rate, so that nothing is resampled,
    // and in quanta of at least 2048 frames: the server has no real-time
    // priority here, and on a loaded machine smaller quanta come late now
    // and then, which would be heard as gaps. What the program's streams
    // ask of a desktop's graph is read from their nodes (streamLatencies).
    const QByteArray rate = "context.properties = { default.clock.rate = 44100 "
                            "default.clock.allowed-rates = [ 44100 ] "
                            "default.clock.quantum = 4096 default.clock.min-quantum = 2048 }\n";
    if (!QDir().mkpath(dir() + "/pipewire/pipewire.conf.d") ||
        !write(dir() + "/pipewire/pipewire.conf.d/rate.conf", rate) ||
        !write(dir() + "/asound.conf", alsa) || !write(dir() + "/server.sh", script)) {
        reason = QStringLiteral("cannot write the server's configuration");
        return false;
    }
    return true;
}

QStringList PipeWireServer::command() const {
    return {QStringLiteral("dbus-run-session"), "--", "sh", dir() + "/server.sh"};
}

bool PipeWireServer::answers() const {
    const QString nodes = runClient(QStringLiteral("pw-cli"), {"ls", "Node"});
    return nodes.contains(QLatin1String("zo7null")) &&
           nodes.contains(QLatin1String("zo7loop.source")) &&
           nodes.contains(QLatin1String("zo7loop.sink")) &&
           runClient(QStringLiteral("pw-cli"), {"ls", "Client"})
               .contains(QLatin1String("WirePlumber"));
}

std::vector<std::pair<QString, double>> PipeWireServer::streamLatencies() const {
    std::vector<std::pair<QString, double>> streams;
    const auto dump = QJsonDocument::fromJson(runClient(QStringLiteral("pw-dump"), {}).toUtf8());
    for (const auto& object : dump.array()) {
        const QJsonObject props =
            object.toObject().value("info").toObject().value("props").toObject();
        const QString kind = props.value("media.class").toString();
        if (!kind.startsWith(QLatin1String("Stream/"))) continue;
        // "frames/rate"
        const QStringList latency = props.value("node.latency").toString().split('/');
        const double seconds = latency.size() == 2 && latency[1].toDouble() > 0
                                   ? latency[0].toDouble() / latency[1].toDouble()
                                   : 0.0;
        streams.emplace_back(kind, seconds);
    }
    return streams;
}
