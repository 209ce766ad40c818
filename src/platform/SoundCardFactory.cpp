#include "platform/SoundCardFactory.h"

#include "platform/MixerLauncher.h"
#include "platform/bench/BenchSoundCard.h"

namespace platform {

std::optional<AudioChoice> parseAudioChoice(std::string_view text) {
    if (text == "auto") return AudioChoice::automatic;
    if (text == "alsa") return AudioChoice::alsa;
    if (text == "bench") return AudioChoice::bench;
    return std::nullopt;
}

SoundCardSetup createSoundCard(AudioChoice choice, std::string_view circuitSpec) {
    SoundCardSetup setup;
    bench::Circuit circuit = bench::defaultCircuit();
    if (!circuitSpec.empty()) {
        auto parsed = bench::parseCircuit(circuitSpec);
        if (!parsed.circuit) {
            setup.error = "zo7scope: --circuit: " + parsed.error;
            return setup;
        }
        circuit = *parsed.circuit;
    }
    // There is no ALSA backend yet: every choice runs the bench.
    if (choice != AudioChoice::bench)
        setup.notices.push_back(std::string("zo7scope: --audio=") +
                                (choice == AudioChoice::alsa ? "alsa" : "auto") +
                                ": no ALSA backend in this build; running the simulated bench (" +
                                bench::describeCircuit(circuit) + ")");
    bench::BenchOptions options;
    options.clock = bench::ClockMode::realTime;
    options.circuit = circuit;
    options.mixerLauncher = [] { return launchDesktopMixer(); };
    setup.card = std::make_unique<bench::BenchSoundCard>(std::move(options));
    return setup;
}

std::string soundCardOptionError(std::string_view audio, std::string_view circuitSpec) {
    if (!parseAudioChoice(audio))
        return "zo7scope: --audio=" + std::string(audio) +
               ": unknown backend (use auto, alsa or bench)";
    if (!circuitSpec.empty()) {
        const auto parsed = bench::parseCircuit(circuitSpec);
        if (!parsed.circuit) return "zo7scope: --circuit: " + parsed.error;
    }
    return {};
}

SoundCardSetup createSoundCard(std::string_view audio, std::string_view circuitSpec) {
    const auto choice = parseAudioChoice(audio);
    if (!choice) {
        SoundCardSetup setup;
        setup.error = soundCardOptionError(audio, circuitSpec);
        return setup;
    }
    return createSoundCard(*choice, circuitSpec);
}

} // namespace platform
