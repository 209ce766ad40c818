#include "SoundServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <unistd.h>

SoundServer::SoundServer(const QString& name)
    : name_(name), dir_(QDir::tempPath() + QStringLiteral("/zo7") + name + "-XXXXXX") {}

SoundServer::~SoundServer() {
    stop();
    for (const auto& [variable, value] : saved_) {
        if (value)
            qputenv(variable.toUtf8().constData(), *value);
        else
            qunsetenv(variable.toUtf8().constData());
    }
}

QProcessEnvironment SoundServer::clientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [variable, value] : clientVariables())
        environment.insert(variable, value);
    return environment;
}

bool SoundServer::start(QString& reason) {
    if (!dir_.isValid()) {
        reason = QStringLiteral("no temporary directory");
        return false;
    }
    // The runtime directory of a server is its owner's alone.
    QFile::setPermissions(dir(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!prepare(reason)) return false;
    const QStringList run = command();
    const QString program = QStandardPaths::findExecutable(run.front());
    if (program.isEmpty()) {
        reason = run.front() + QStringLiteral(" is not installed (make test installs it)");
        return false;
    }
    // The server keeps everything in the directory; as root it runs as well.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        environment.insert(QString::fromLatin1(variable), dir());
    for (const auto& [variable, value] : clientVariables())
        if (variable != QLatin1String("XDG_RUNTIME_DIR")) environment.remove(variable);
    process_ = std::make_unique<QProcess>();
    process_->setProcessEnvironment(environment);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(dir() + "/server.log");
    // A group of its own: hold() and stop() reach every process of the server.
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
    process_->start(program, run.mid(1));
    if (!process_->waitForStarted(10000)) {
        reason = run.front() + QStringLiteral(" did not start: ") + process_->errorString();
        return false;
    }
    for (const auto& [variable, value] : clientVariables()) {
        const QByteArray key = variable.toUtf8();
        if (!saved_.count(variable))
            saved_[variable] = qEnvironmentVariableIsSet(key.constData())
                                   ? std::optional(qgetenv(key.constData()))
                                   : std::nullopt;
        qputenv(key.constData(), value.toUtf8());
    }
    // A loaded machine may take its time.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000) {
        if (process_->state() != QProcess::Running) break;
        if (answers()) return true;
        QThread::msleep(100);
    }
    QFile log(dir() + "/server.log");
    log.open(QIODevice::ReadOnly);
    reason = name_ + QStringLiteral(" did not answer; its log:\n") +
             QString::fromLocal8Bit(log.readAll());
    stop();
    return false;
}

void SoundServer::stop() {
    if (!process_) return;
    const auto group = static_cast<pid_t>(process_->processId());
    if (process_->state() != QProcess::NotRunning && group > 0) {
        ::kill(-group, SIGCONT);
        ::kill(-group, SIGTERM);
        if (!process_->waitForFinished(5000)) ::kill(-group, SIGKILL);
        process_->waitForFinished(5000);
        // What is left of the group (a server whose parent ended first).
        ::kill(-group, SIGKILL);
    }
    process_.reset();
}

bool SoundServer::running() const {
    return process_ && process_->state() == QProcess::Running;
}

void SoundServer::hold() {
    if (running()) ::kill(-static_cast<pid_t>(process_->processId()), SIGSTOP);
}

void SoundServer::release() {
    if (running()) ::kill(-static_cast<pid_t>(process_->processId()), SIGCONT);
}

QString SoundServer::runClient(const QString& program, const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(clientEnvironment());
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}
