#include "platform/alsa/PcmMixer.h"

#include "platform/alsa/AlsaDevices.h"
#include "platform/alsa/AlsaErrors.h"
#include "platform/alsa/PcmDescription.h"

#include <alsa/asoundlib.h>

namespace platform::alsa {

PcmProbe probePcm(const std::string& pcm) {
    silenceAlsaDiagnostics();
    PcmProbe probe;
    snd_pcm_t* handle = nullptr;
    if (const int r = snd_pcm_open(&handle, pcm.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
        r < 0) {
        probe.result = resultOfAlsaError(r);
        probe.card = cardOfDevice(pcm);
        return probe;
    }
    snd_pcm_info_t* info = nullptr;
    if (snd_pcm_info_malloc(&info) == 0) {
        if (snd_pcm_info(handle, info) == 0 && snd_pcm_info_get_card(info) >= 0)
            probe.card = snd_pcm_info_get_card(info);
        snd_pcm_info_free(info);
    }
    if (!probe.card) probe.card = cardOfDevice(pcm);
    probe.soundServer = isSoundServerPcm(describePcm(handle));
    snd_pcm_hw_params_t* hw = nullptr;
    if (snd_pcm_hw_params_malloc(&hw) == 0) {
        if (snd_pcm_hw_params_any(handle, hw) >= 0) {
            snd_pcm_hw_params_get_channels_min(hw, &probe.minimumChannels);
            snd_pcm_hw_params_get_channels_max(hw, &probe.maximumChannels);
            probe.takesLineFormat =
                snd_pcm_hw_params_test_access(handle, hw, SND_PCM_ACCESS_RW_INTERLEAVED) == 0 &&
                snd_pcm_hw_params_test_format(handle, hw, SND_PCM_FORMAT_S16_LE) == 0 &&
                snd_pcm_hw_params_test_channels(handle, hw, 2) == 0 &&
                snd_pcm_hw_params_test_rate(handle, hw, 44100, 0) == 0;
        }
        snd_pcm_hw_params_free(hw);
    }
    snd_pcm_close(handle);
    return probe;
}

std::string mixerOfPcm(const std::string& pcm, std::optional<int> card, bool sameNameControlOpens) {
    if (card) return "hw:" + std::to_string(*card);
    if (sameNameControlOpens) return pcm;
    return "default";
}

std::string mixerOfPcm(const std::string& pcm, const PcmProbe& probe) {
    return mixerOfPcm(pcm, probe.card, !probe.card && controlOpens(pcm));
}

bool controlOpens(const std::string& name) {
    silenceAlsaDiagnostics();
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, name.c_str(), SND_CTL_NONBLOCK) < 0) return false;
    snd_ctl_close(ctl);
    return true;
}

ControlProbe probeControl(const std::string& name) {
    silenceAlsaDiagnostics();
    ControlProbe probe;
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, name.c_str(), SND_CTL_NONBLOCK) < 0) return probe;
    probe.opens = true;
    snd_ctl_card_info_t* info = nullptr;
    if (snd_ctl_card_info_malloc(&info) == 0) {
        if (snd_ctl_card_info(ctl, info) == 0) {
            probe.name = snd_ctl_card_info_get_name(info);
            probe.id = snd_ctl_card_info_get_id(info);
            // Only a kernel card's control device is a card's; a plug-in's
            // card number means nothing.
            if (snd_ctl_type(ctl) == SND_CTL_TYPE_HW) probe.card = snd_ctl_card_info_get_card(info);
        }
        snd_ctl_card_info_free(info);
    }
    snd_ctl_close(ctl);
    return probe;
}

std::optional<int> cardOfControl(const std::string& name) {
    const ControlProbe probe = probeControl(name);
    return probe.opens ? probe.card : cardOfDevice(name);
}

} // namespace platform::alsa
