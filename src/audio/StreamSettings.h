#pragma once
// The settings of the window's two streams: recording in captures of two
// blocks of 8000 stereo frames, playback in four buffers of half a second of
// mono sound, both 16-bit at 44100 frames per second.

#include <cstdint>

class TAudioIn;
class TAudioOut;

// Bytes in one recorded block (16-bit stereo, 8000 frames).
constexpr std::int32_t recordingBufferBytes = 32000;
// Bytes in one playback buffer (22050 mono 16-bit samples).
constexpr std::int32_t playbackBufferBytes = 44100;

void configureRecording(TAudioIn& component);
void configurePlayback(TAudioOut& component);
