#include "platform/MixerLauncher.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

const std::vector<LaunchCommand>& mixerApplications() {
    static const std::vector<LaunchCommand> commands = {
        {"pavucontrol", {}, {}},
        {"pavucontrol-qt", {}, {}},
        {"kmix", {}, {}},
        {"xfce4-mixer", {}, {}},
        {"qasmixer", {}, {}},
        {"gnome-alsamixer", {}, {}},
        {"x-terminal-emulator", {"-e", "alsamixer"}, {"alsamixer"}},
        {"gnome-terminal", {"--", "alsamixer"}, {"alsamixer"}},
        {"konsole", {"-e", "alsamixer"}, {"alsamixer"}},
        {"xfce4-terminal", {"-x", "alsamixer"}, {"alsamixer"}},
        {"xterm", {"-e", "alsamixer"}, {"alsamixer"}},
    };
    return commands;
}

std::optional<LaunchCommand>
chooseMixerApplication(const std::vector<LaunchCommand>& commands,
                       const std::function<bool(const std::string&)>& isAvailable) {
    for (const auto& command : commands) {
        bool available = isAvailable(command.program);
        for (const auto& need : command.needs)
            available = available && isAvailable(need);
        if (available) return command;
    }
    return std::nullopt;
}

bool launchDesktopMixer() {
    return launchFirstAvailable(mixerApplications());
}

bool launchFirstAvailable(const std::vector<LaunchCommand>& commands) {
    const auto command = chooseMixerApplication(commands, [](const std::string& program) {
        return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
    });
    if (!command) return false;
    QStringList arguments;
    for (const auto& a : command->arguments)
        arguments << QString::fromStdString(a);
    const QString path = QStandardPaths::findExecutable(QString::fromStdString(command->program));
    return QProcess::startDetached(path, arguments);
}

} // namespace platform
