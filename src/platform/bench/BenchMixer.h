#pragma once
// A simulated mixer device: destinations, their sources and the controls of
// every line, built from a description. The default description is the bench
// sound card's own mixer; tests describe other cards with it.
//
// Thread-safe: the GUI thread opens and sets controls, the bench's audio
// thread reads signalLevels().

#include "platform/SoundCard.h"
#include "platform/bench/SignalLevels.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::bench {

struct ControlSpec {
    std::uint32_t type = controlType::volume;
    std::uint32_t flags = 0; // controlFlag
    std::uint32_t items = 0; // items of a multiple control
    std::int64_t minimum = 0;
    std::int64_t maximum = 65535;
    std::uint32_t steps = 65535;
    std::string shortName;
    std::string name;
    std::vector<std::uint32_t> values; // initial values, channels * max(items, 1); empty = all 0
    bool failsToRead = false;          // getValues on it returns an error
    bool failsToApply = false;         // setValues on it returns an error
};

struct LineSpec {
    std::uint32_t componentType = lineType::sourceLine;
    std::uint32_t channels = 2;
    std::uint32_t flags = lineFlag::active;
    std::string shortName;
    std::string name;
    std::vector<ControlSpec> controls;
    bool failsToRead = false;        // lineInfo on it returns an error
    bool controlsFailToRead = false; // lineControls on it returns an error
};

struct DestinationSpec {
    LineSpec line;
    std::vector<LineSpec> sources;
};

struct MixerSpec {
    std::string productName = "ZO7 bench mixer";
    std::vector<DestinationSpec> destinations;
    bool capsFail = false;  // mixerCaps fails
    bool openFails = false; // open fails
};

// The bench's own mixer: a speakers destination (master level; wave-out,
// line, CD, microphone, aux sources) and a wave-in recording destination (a
// multiplexer over line, microphone, CD, aux and telephone, each with a level).
MixerSpec defaultBenchMixerSpec();

class BenchMixer {
public:
    explicit BenchMixer(MixerSpec spec);
    ~BenchMixer();
    BenchMixer(const BenchMixer&) = delete;
    BenchMixer& operator=(const BenchMixer&) = delete;

    MMResult caps(MixerCaps& caps) const;
    // A handle onto this device that posts mixerControlChange to notify.
    MMResult open(QObject* notify, std::unique_ptr<Mixer>& mixer);

    // What the signal path of the bench takes from the current settings.
    SignalLevels signalLevels() const;

    // Control values by control ID, for tests and the bench itself.
    std::vector<std::uint32_t> values(std::uint32_t controlId) const;
    // Finds a control: the first control of the given type on the first line
    // of the given component type (destination or source). 0 when absent.
    std::uint32_t findControl(std::uint32_t componentType, std::uint32_t controlType,
                              std::uint32_t destinationType = 0) const;

    // A change made by someone else (another program, the desktop mixer):
    // stores the values (one per channel and item, or one per item for all
    // channels alike) and notifies every open handle. ok, badControlId or
    // invalidParam.
    MMResult setValues(std::uint32_t controlId, const std::vector<std::uint32_t>& values);

    // Called on the setting thread before any control is set, without the
    // mixer's lock held: the bench's real-time clock brings the sound up to
    // the moment of the change, so that what was recorded before it keeps
    // the old levels. Set before any other thread uses the mixer.
    void setBeforeChange(std::function<void()> beforeChange);

    // The setValues() calls made through a handle, in order, with their
    // results: the most recent `keptWrites` of them, so that a program that
    // runs for days on the bench does not keep every gain switch it made.
    static constexpr std::size_t keptWrites = 64;
    struct Write {
        std::uint32_t controlId = 0;
        std::uint32_t channels = 0;
        std::uint32_t items = 0;
        std::vector<std::uint32_t> values;
        MMResult result = error::ok;
    };
    std::vector<Write> writes() const;
    void clearWrites();

    // Number of handles from open() that still exist.
    int openHandles() const;

private:
    friend class BenchMixerHandle; // the handles from open()
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace platform::bench
