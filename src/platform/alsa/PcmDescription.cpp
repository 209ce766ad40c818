#include "platform/alsa/PcmDescription.h"

#include <alsa/asoundlib.h>

namespace platform::alsa {

std::string describePcm(snd_pcm_t* pcm) {
    snd_output_t* out = nullptr;
    if (snd_output_buffer_open(&out) != 0) return {};
    snd_pcm_dump(pcm, out);
    char* text = nullptr;
    const std::size_t length = snd_output_buffer_string(out, &text);
    std::string description(text ? text : "", text ? length : 0);
    snd_output_close(out);
    return description;
}

bool isPulseAudioPcm(const std::string& description) {
    return description.find("PulseAudio") != std::string::npos;
}

bool isSoundServerPcm(const std::string& description) {
    return isPulseAudioPcm(description) || description.find("PipeWire") != std::string::npos;
}

} // namespace platform::alsa
