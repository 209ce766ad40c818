#include "PulseServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

PulseServer::PulseServer() : dir_(QDir::tempPath() + QStringLiteral("/zo7pulse-XXXXXX")) {
    socket_ = dir_.path() + QStringLiteral("/native");
}

PulseServer::~PulseServer() {
    stop();
}

QProcessEnvironment PulseServer::clientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket_);
    environment.insert(QStringLiteral("PULSE_CLIENTCONFIG"), dir_.path() + "/client.conf");
    return environment;
}

bool PulseServer::start(QString& reason) {
    if (!dir_.isValid()) {
        reason = QStringLiteral("no temporary directory");
        return false;
    }
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (program.isEmpty()) {
        reason = QStringLiteral("pulseaudio is not installed (make test installs it)");
        return false;
    }
    QFile script(dir_.path() + "/server.pa");
    QFile client(dir_.path() + "/client.conf");
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
                     .arg(socket_)
                     .toUtf8());
    script.close();
    client.write("autospawn = no\n");
    client.close();

    // The server keeps everything in the directory; as root it runs as well
    // (it only warns).
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        environment.insert(QString::fromLatin1(name), dir_.path());
    environment.remove(QStringLiteral("PULSE_SERVER"));
    server_ = std::make_unique<QProcess>();
    server_->setProcessEnvironment(environment);
    server_->setProcessChannelMode(QProcess::MergedChannels);
    server_->setStandardOutputFile(dir_.path() + "/server.log");
    server_->start(program, {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                             "--log-target=stderr", "-F", script.fileName()});
    if (!server_->waitForStarted(10000)) {
        reason = QStringLiteral("pulseaudio did not start: ") + server_->errorString();
        return false;
    }
    for (const auto& [name, value] :
         {std::pair{"PULSE_SERVER", "unix:" + socket_},
          std::pair{"PULSE_CLIENTCONFIG", dir_.path() + "/client.conf"}})
        qputenv(name, value.toUtf8());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000) {
        if (server_->state() != QProcess::Running) break;
        if (QFile::exists(socket_) && pactl({"info"}).contains(QLatin1String("zo7null")))
            return true;
        QThread::msleep(50);
    }
    QFile log(dir_.path() + "/server.log");
    log.open(QIODevice::ReadOnly);
    reason = QStringLiteral("pulseaudio did not answer; its log:\n") +
             QString::fromLocal8Bit(log.readAll());
    stop();
    return false;
}

void PulseServer::stop() {
    if (!server_) return;
    if (server_->state() != QProcess::NotRunning) {
        server_->terminate();
        if (!server_->waitForFinished(5000)) {
            server_->kill();
            server_->waitForFinished(5000);
        }
    }
    server_.reset();
}

bool PulseServer::running() const {
    return server_ && server_->state() == QProcess::Running;
}

QString PulseServer::pactl(const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(clientEnvironment());
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}
