#pragma once
// The mixer settings of the bench that act on its simulated signal path.

namespace platform::bench {

// Levels as fractions of full scale (control value / 65535), linear.
struct SignalLevels {
    double waveOut = 1.0;       // wave-out source level of the speakers destination
    double master = 1.0;        // the speakers destination's own level
    double lineRecording = 1.0; // line-input level of the recording destination (both channels)
    bool lineSelected = true;   // the line input is the selected recording source
};

} // namespace platform::bench
