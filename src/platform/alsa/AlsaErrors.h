#pragma once
// alsa-lib reports failures as negative errno values; the sound-card layer
// speaks in its own codes. This is the translation, and the switch that keeps
// alsa-lib's own diagnostics off the program's stderr.

#include "platform/SoundCard.h"

namespace platform::alsa {

// The code of the layer for a negative errno returned by alsa-lib (0 is ok).
MMResult resultOfAlsaError(int error);

// alsa-lib prints its errors to stderr ("ALSA lib pcm.c: ..."); the program
// reports them through its own codes instead. Only the first call installs
// the handler; later calls return at once, from any thread.
void silenceAlsaDiagnostics();

} // namespace platform::alsa
