#include "platform/alsa/AlsaDevices.h"

#include "core/TruncatedText.h"
#include "platform/alsa/AlsaErrors.h"
#include "platform/alsa/PcmMixer.h"

#include <alsa/asoundlib.h>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace platform::alsa {

namespace {

std::string hintValue(void* hint, const char* id) {
    char* value = snd_device_name_get_hint(hint, id);
    if (!value) return {};
    std::string text = value;
    std::free(value);
    return text;
}

// PCMs that reach a card or a sound server; the converter and effect
// plugins the configuration also names need a device of their own to work.
bool isDevicePcm(const std::string& name) {
    for (const char* whole : {"default", "sysdefault", "pulse", "pipewire"})
        if (name == whole) return true;
    return name.find("CARD=") != std::string::npos;
}

} // namespace

std::vector<CardInfo> soundCards() {
    silenceAlsaDiagnostics();
    std::vector<CardInfo> cards;
    int index = -1;
    while (snd_card_next(&index) == 0 && index >= 0) {
        CardInfo card;
        card.index = index;
        char* text = nullptr;
        if (snd_card_get_name(index, &text) == 0 && text) {
            card.name = text;
            std::free(text);
        }
        card.id = probeControl("hw:" + std::to_string(index)).id;
        cards.push_back(card);
    }
    return cards;
}

std::vector<MixerDevice> mixerDevices(const std::string& mixer) {
    // One look at the control device: behind a sound server each is a
    // connection to the server.
    return mixerDevices(mixer, probeControl(mixer));
}

std::vector<MixerDevice> mixerDevices(const std::string& mixer, const ControlProbe& probe) {
    const auto card = probe.opens ? probe.card : cardOfDevice(mixer);
    std::vector<MixerDevice> devices = {
        {mixer, truncated(probe.name.empty() ? mixer : probe.name, 31), !card.has_value(), card}};
    for (const auto& other : soundCards())
        if (!card || other.index != *card)
            devices.push_back({"hw:" + std::to_string(other.index), truncated(other.name, 31),
                               false, other.index});
    return devices;
}

std::optional<int> cardOfDevice(const std::string& pcmName) {
    const auto colon = pcmName.find(':');
    if (colon == std::string::npos) return std::nullopt;
    std::string rest = pcmName.substr(colon + 1);
    // The first argument is the card, by position or as CARD=.
    std::string card = rest.substr(0, rest.find(','));
    if (card.rfind("CARD=", 0) == 0) card = card.substr(5);
    if (card.empty()) return std::nullopt;
    silenceAlsaDiagnostics();
    const int index = snd_card_get_index(card.c_str());
    if (index < 0) return std::nullopt;
    return index;
}

bool pcmOpens(const std::string& pcmName) {
    silenceAlsaDiagnostics();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
}

namespace {

// What --list-devices says of a PCM that records.
std::string pcmLine(const std::string& name, const PcmProbe& probe) {
    std::ostringstream out;
    if (probe.card) {
        const auto cards = soundCards();
        out << "card " << *probe.card;
        for (const auto& c : cards)
            if (c.index == *probe.card) out << " (" << c.id << ")";
    } else {
        out << "no card";
    }
    if (probe.result != error::ok) {
        out << ", does not open for recording now";
    } else if (probe.maximumChannels == 1) {
        out << ", records 1 channel: NOT USABLE (IL and UR need two)";
    } else if (probe.minimumChannels == probe.maximumChannels) {
        out << ", records " << probe.minimumChannels << " channels";
    } else {
        out << ", records " << probe.minimumChannels << " to " << probe.maximumChannels
            << " channels";
    }
    out << ", mixer " << mixerOfPcm(name, probe);
    return out.str();
}

} // namespace

std::string deviceListing() {
    std::ostringstream out;
    const auto cards = soundCards();
    out << "Sound cards:\n";
    if (cards.empty()) out << "  (none)\n";
    for (const auto& card : cards)
        out << "  hw:" << card.index << "  (hw:CARD=" << card.id << ")  " << card.name << "\n";
    out << "PCMs (use one with --device=NAME; the default is \"default\"):\n";
    void** hints = nullptr;
    int listed = 0;
    if (snd_device_name_hint(-1, "pcm", &hints) == 0 && hints) {
        for (void** hint = hints; *hint; ++hint) {
            const std::string name = hintValue(*hint, "NAME");
            if (!isDevicePcm(name)) continue;
            const std::string io = hintValue(*hint, "IOID");
            std::string description = hintValue(*hint, "DESC");
            for (auto& c : description)
                if (c == '\n') c = ' ';
            out << "  " << name;
            if (io == "Output")
                out << "  [playback only]";
            else
                out << "  [" << pcmLine(name, probePcm(name)) << "]";
            if (!description.empty()) out << "  " << description;
            out << "\n";
            ++listed;
        }
        snd_device_name_free_hint(hints);
    }
    if (listed == 0) out << "  (none)\n";
    out << "\"default\" " << (pcmOpens("default") ? "opens now." : "does not open now.") << "\n";
    return out.str();
}

} // namespace platform::alsa
