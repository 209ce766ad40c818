#include "PulseServer.h"

#include <QFile>

std::map<QString, QString> PulseServer::clientVariables() const {
    return {{QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket()},
            {QStringLiteral("PULSE_CLIENTCONFIG"), dir() + "/client.conf"}};
}

bool PulseServer::prepare(QString& reason) {
    QFile script(dir() + "/server.pa");
    QFile client(dir() + "/client.conf");
    if (!script.open(QIODevice::WriteOnly) || !client.open(QIODevice::WriteOnly)) {
        reason = QStringLiteral("cannot write the server's configuration");
        return false;
    }
    script.write(QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 "
                                "socket=%1\n"
                                "load-module module-null-sink sink_name=zo7null rate=44100 "
                                "channels=2\n"
                                "set-default-sink zo7null\n"
                                "set-default-source zo7null.monitor\n")
                     .arg(socket())
                     .toUtf8());
    client.write("autospawn = no\n");
    return true;
}

QStringList PulseServer::command() const {
    return {QStringLiteral("pulseaudio"),
            "-n",
            "--daemonize=no",
            "--exit-idle-time=-1",
            "--use-pid-file=no",
            "--log-target=stderr",
            "-F",
            dir() + "/server.pa"};
}

bool PulseServer::answers() const {
    return QFile::exists(socket()) && pactl({"info"}).contains(QLatin1String("zo7null"));
}
