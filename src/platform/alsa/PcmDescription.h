#pragma once
// What an opened PCM says of itself (snd_pcm_dump). A plug-in names itself
// there ("ALSA <-> PulseAudio PCM I/O Plugin"); reading it asks nothing of a
// sound server, so it cannot wait for one.

#include <string>

typedef struct _snd_pcm snd_pcm_t;

namespace platform::alsa {

std::string describePcm(snd_pcm_t* pcm);

// PulseAudio's ALSA plug-in (the description names it).
bool isPulseAudioPcm(const std::string& description);

// PulseAudio's or PipeWire's ALSA plug-in.
bool isSoundServerPcm(const std::string& description);

} // namespace platform::alsa
