#include "platform/SoundCardFactory.h"

#include "core/PrintableText.h"
#include "platform/MixerLauncher.h"
#include "platform/alsa/AlsaDevices.h"
#include "platform/alsa/AlsaSoundCard.h"
#include "platform/alsa/WithinTime.h"
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

namespace {

// Whether ALSA has a sound card or the PCM opens; nullopt when the PCM does
// not answer in the time a card waits for it (its sound server hangs).
std::optional<bool> alsaAnswer(const std::string& pcm) {
    if (!alsa::soundCards().empty()) return true;
    return alsa::withinTime(alsa::AlsaOptions{}.answerWait,
                            [pcm] { return alsa::pcmOpens(pcm); });
}

} // namespace

bool alsaUsable(std::string_view device) {
    // A PCM that does not answer is there: the window says why it is silent.
    return alsaAnswer(pcmName(device)).value_or(true);
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
    // Asked once: behind a sound server that hangs, every ask waits.
    std::optional<std::optional<bool>> answer;
    const auto usable = [&] {
        if (!answer) answer = alsaAnswer(pcm);
        return answer->value_or(true);
    };
    const auto runs = resolveAudioChoice(choice, [&] { return named || usable(); });
    if (runs == AudioChoice::alsa) {
        if (choice == AudioChoice::alsa && !usable())
            setup.notices.push_back("zo7scope: --audio=alsa: no sound card, and \"" +
                                    printable(pcm) +
                                    "\" does not open now; recording and playback start as "
                                    "soon as it does");
        alsa::AlsaOptions options;
        options.device = pcm;
        options.mixer = std::string(mixer);
        // A PCM that did not answer now will not answer the card either.
        if (answer && !*answer) options.answerWait = std::chrono::milliseconds(0);
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
