#pragma once
// Starts the desktop's mixer application: the first available program of a
// short list, detached, without a shell.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct LaunchCommand {
    std::string program;
    std::vector<std::string> arguments;
    // Further programs the command needs (a terminal's alsamixer).
    std::vector<std::string> needs;
};

// alsamixer, given `alsamixerArguments`, in each of the usual terminal
// emulators, in order of preference.
std::vector<LaunchCommand>
alsamixerInTerminals(const std::vector<std::string>& alsamixerArguments = {});

// The mixer programs tried, in order of preference.
const std::vector<LaunchCommand>& mixerApplications();

// The first command whose program and needs `isAvailable` accepts.
std::optional<LaunchCommand>
chooseMixerApplication(const std::vector<LaunchCommand>& commands,
                       const std::function<bool(const std::string&)>& isAvailable);

// Looks the programs of the list up in PATH and starts the first one found
// detached. True when one was started.
bool launchFirstAvailable(const std::vector<LaunchCommand>& commands);

// launchFirstAvailable() on mixerApplications().
bool launchDesktopMixer();

} // namespace platform
