#pragma once
// What the program does with the sound card's mixer and volumes around its
// run: it saves the output and auxiliary volumes at start (and at "optimum"),
// sets the mixer up for the measurement, and writes the saved volumes back
// when it closes.

#include <vector>

struct SharedState;
class TAudioMixer;
class TSource;
class TVolume;

// Reads the volume of wave-output device 0 and of auxiliary devices 3, 2, 4,
// 1, 5, in this order, into the saved-volume variables. A volume that cannot
// be read keeps its previous value.
void SaveVolumes(SharedState& state);

// Writes the saved volumes back, wave-output device 0 first, then auxiliary
// devices 3, 2, 4, 1, 5. Failures are ignored.
void RestoreVolumes(const SharedState& state);

// Opens the mixer (raising the mixer component's exceptions), selects the
// line input as the recording source, sets wave-out and master to full level,
// silences the other recording inputs and sets the line input to full level.
// A line or control the device lacks is passed over; when the line input has
// no level of its own, the recording destination's level is set instead.
// It then switches on the line input's and the capture control's capture
// switches and the master and PCM playback switches, and turns the line
// input's boost ("Line Boost") down to its lowest step.
void SetUpMixer(TAudioMixer& mixer);
// The same on a mixer already open.
void SetUpOpenMixer(TAudioMixer& mixer);

// The first value of the line's mute control; null when it has none.
TVolume* MuteVolume(TSource* line);
// The boost lines of the recorded line input ("<input> Boost").
std::vector<TSource*> LineInputBoosts(const TAudioMixer& mixer);

// Starts the desktop's mixer application. False when none was started (no
// sound card, no mixer program installed, or it could not be run).
bool LaunchMixerApplication();
