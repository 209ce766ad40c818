#pragma once
// Chooses and builds the program's sound card from the command line:
// --audio=auto|alsa|bench, --device=NAME (the ALSA PCM), --mixer=NAME (its
// control device) and --circuit=SPEC (the bench's circuit). A device or mixer
// named by the user is a sound card the user means: auto then runs ALSA,
// even when it does not open now, and never the simulated bench.

#include "platform/SoundCard.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class AudioChoice { automatic, alsa, bench };

// "auto", "alsa" or "bench"; anything else: nullopt.
std::optional<AudioChoice> parseAudioChoice(std::string_view text);

// The backend that runs: auto takes ALSA when it is usable, else the bench.
AudioChoice resolveAudioChoice(AudioChoice choice, const std::function<bool()>& alsaUsable);

// ALSA is usable when the system has a sound card or the PCM opens (a sound
// server behind "default"). An empty device means "default".
bool alsaUsable(std::string_view device);

struct SoundCardSetup {
    std::unique_ptr<SoundCard> card;  // null when error is set
    std::string error;                // one line for stderr; the program exits with status 2
    std::vector<std::string> notices; // lines for stderr (e.g. which backend runs and why)
};

// How time runs on the simulated bench: as the clock on the wall, or moved
// on by the program as fast as it can go (the bench's manual clock).
enum class BenchTime { realTime, simulated };

// What the bench adds to its recorded signal to show a real card's faults:
// Gaussian noise of this RMS (in 16-bit units) on both channels, and the
// voltage UR leaking into the current IL at this level (dB; none when unset).
struct BenchImperfections {
    double noiseLsb = 0;
    std::optional<double> crosstalkDb;
    std::uint64_t noiseSeed = 0; // another seed, another run of the same noise
    // Another card's sensitivities: UR and IL recorded, and the output played,
    // that many times as large as on the bench's own card.
    double voltageSensitivity = 1.0;
    double currentSensitivity = 1.0;
    double outputSensitivity = 1.0;
};

// Builds the sound card of the running program. An empty circuitSpec gives
// the bench's default circuit, an empty device ALSA's "default". A bad
// circuit gives an error whatever the choice, so that a typo is never
// silently ignored.
SoundCardSetup createSoundCard(AudioChoice choice, std::string_view circuitSpec,
                               std::string_view device = {},
                               BenchTime benchTime = BenchTime::realTime,
                               const BenchImperfections& imperfections = {},
                               std::string_view mixer = {});

// The same from the option texts; an unknown audio text is an error.
SoundCardSetup createSoundCard(std::string_view audio, std::string_view circuitSpec,
                               std::string_view device = {},
                               BenchTime benchTime = BenchTime::realTime,
                               const BenchImperfections& imperfections = {},
                               std::string_view mixer = {});

// Checks the option texts without building anything (no application object
// needed): the error line, or empty when they are usable.
std::string soundCardOptionError(std::string_view audio, std::string_view circuitSpec,
                                 std::string_view device = {}, std::string_view mixer = {});

// The sound cards and PCMs the program can use, one line each (--list-devices).
std::string deviceListing();

} // namespace platform
