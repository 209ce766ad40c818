#include "platform/SoundCardFactory.h"

#include "core/PrintableText.h"
#include "platform/MixerLauncher.h"
#include "platform/alsa/AlsaDevices.h"
#include "platform/alsa/AlsaSoundCard.h"
#include "platform/bench/BenchSoundCard.h"

namespace platform {

namespace {

std::string pcmName(std::string_view device) {
    return device.empty() ? std::string("default") : std::string(device);
}

} // namespace

std::optional<AudioChoice> parseAudioChoice(std::string_view text) {
    if (text == "auto") return AudioChoice::automatic;
    if (text == "alsa") return AudioChoice::alsa;
    if (text == "bench") return AudioChoice::bench;
    return std::nullopt;
}

AudioChoice resolveAudioChoice(AudioChoice choice, const std::function<bool()>& alsaUsable) {
    if (choice != AudioChoice::automatic) return choice;
    return alsaUsable() ? AudioChoice::alsa : AudioChoice::bench;
}

bool alsaUsable(std::string_view device) {
    return !alsa::soundCards().empty() || alsa::pcmOpens(pcmName(device));
}

SoundCardSetup createSoundCard(AudioChoice choice, std::string_view circuitSpec,
                               std::string_view device, BenchTime benchTime,
                               const BenchImperfections& imperfections, std::string_view mixer) {
    SoundCardSetup setup;
    bench::Circuit circuit = bench::defaultCircuit();
    if (!circuitSpec.empty()) {
        auto parsed = bench::parseCircuit(circuitSpec);
        if (!parsed.circuit) {
            setup.error = "zo7scope: --circuit: " + printable(parsed.error);
            return setup;
        }
        circuit = *parsed.circuit;
    }
    const std::string pcm = pcmName(device);
    const bool named = !device.empty() || !mixer.empty();
    const auto runs = resolveAudioChoice(choice, [&] { return named || alsaUsable(pcm); });
    if (runs == AudioChoice::alsa) {
        if (choice == AudioChoice::alsa && !alsaUsable(pcm))
            setup.notices.push_back("zo7scope: --audio=alsa: no sound card, and \"" +
                                    printable(pcm) +
                                    "\" does not open now; recording and playback start as "
                                    "soon as it does");
        alsa::AlsaOptions options;
        options.device = pcm;
        options.mixer = std::string(mixer);
        setup.card = std::make_unique<alsa::AlsaSoundCard>(std::move(options));
        return setup;
    }
    if (choice == AudioChoice::automatic)
        setup.notices.push_back("zo7scope: --audio=auto: no sound card, and \"" + printable(pcm) +
                                "\" does not open; running the simulated bench (" +
                                bench::describeCircuit(circuit) + ")");
    bench::BenchOptions options;
    options.clock =
        benchTime == BenchTime::simulated ? bench::ClockMode::manual : bench::ClockMode::realTime;
    options.circuit = circuit;
    options.noiseLsb = imperfections.noiseLsb;
    options.noiseSeed = imperfections.noiseSeed;
    if (imperfections.crosstalkDb)
        options.crosstalk = std::pow(10.0, *imperfections.crosstalkDb / 20);
    options.voltageSensitivity = imperfections.voltageSensitivity;
    options.currentSensitivity = imperfections.currentSensitivity;
    options.outputSensitivity = imperfections.outputSensitivity;
    options.mixerLauncher = [] { return launchDesktopMixer(); };
    setup.card = std::make_unique<bench::BenchSoundCard>(std::move(options));
    return setup;
}

std::string soundCardOptionError(std::string_view audio, std::string_view circuitSpec,
                                 std::string_view device, std::string_view mixer) {
    const auto choice = parseAudioChoice(audio);
    // The lines quote what was given, on one line whatever it holds.
    if (!choice)
        return "zo7scope: --audio=" + printable(audio) +
               ": unknown backend (use auto, alsa or bench)";
    if (!device.empty() && *choice == AudioChoice::bench)
        return "zo7scope: --device=" + printable(device) +
               ": the simulated bench has no ALSA devices (use --audio=alsa or auto)";
    if (!mixer.empty() && *choice == AudioChoice::bench)
        return "zo7scope: --mixer=" + printable(mixer) +
               ": the simulated bench has no ALSA mixers (use --audio=alsa or auto)";
    if (!circuitSpec.empty()) {
        const auto parsed = bench::parseCircuit(circuitSpec);
        if (!parsed.circuit) return "zo7scope: --circuit: " + printable(parsed.error);
    }
    return {};
}

SoundCardSetup createSoundCard(std::string_view audio, std::string_view circuitSpec,
                               std::string_view device, BenchTime benchTime,
                               const BenchImperfections& imperfections, std::string_view mixer) {
    if (const auto bad = soundCardOptionError(audio, circuitSpec, device, mixer); !bad.empty()) {
        SoundCardSetup setup;
        setup.error = bad;
        return setup;
    }
    return createSoundCard(*parseAudioChoice(audio), circuitSpec, device, benchTime, imperfections,
                           mixer);
}

std::string deviceListing() {
    return alsa::deviceListing();
}

} // namespace platform
