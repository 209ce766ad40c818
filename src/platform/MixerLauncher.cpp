#include "platform/MixerLauncher.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <utility>

namespace platform {

std::vector<LaunchCommand>
alsamixerInTerminals(const std::vector<std::string>& alsamixerArguments) {
    // Each terminal with the option after which the rest of its command
    // line is the program it runs.
    static const std::pair<const char*, const char*> terminals[] = {
        {"x-terminal-emulator", "-e"}, {"gnome-terminal", "--"}, {"konsole", "-e"},
        {"xfce4-terminal", "-x"},      {"xterm", "-e"},
    };
    std::vector<LaunchCommand> commands;
    for (const auto& [terminal, execute] : terminals) {
        LaunchCommand command{terminal, {execute, "alsamixer"}, {"alsamixer"}};
        command.arguments.insert(command.arguments.end(), alsamixerArguments.begin(),
                                 alsamixerArguments.end());
        commands.push_back(std::move(command));
    }
    return commands;
}

const std::vector<LaunchCommand>& mixerApplications() {
    static const std::vector<LaunchCommand> commands = [] {
        std::vector<LaunchCommand> list = {
            {"pavucontrol", {}, {}}, {"pavucontrol-qt", {}, {}}, {"kmix", {}, {}},
            {"xfce4-mixer", {}, {}}, {"qasmixer", {}, {}},       {"gnome-alsamixer", {}, {}},
        };
        const auto inTerminals = alsamixerInTerminals();
        list.insert(list.end(), inTerminals.begin(), inTerminals.end());
        return list;
    }();
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
