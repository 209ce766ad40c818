#pragma once
// The bench: a simulated sound card wired through a model of the ZO7 to a
// simulated circuit. The line output (44100 mono 16-bit frames/s) drives the
// circuit; the line input (44100 stereo 16-bit frames/s) records the voltage
// UR across it on the first and the current IL through it on the second
// value of every frame (calibration in Calibration.h).
//
// Clocks: with ClockMode::manual nothing moves until advance() is called,
// and every run gives bit-identical results; with ClockMode::realTime a bench
// thread paces the simulation at 44100 frames/s.
//
// Notifications: completed headers and open/close messages go into one queue
// guarded by a std::mutex; a relay object on the GUI thread takes them out
// and delivers them to the targets (QCoreApplication::sendEvent) when the
// event loop runs. close() drops the undelivered notifications of the
// device's headers, so that after it only "closed" reaches the target; a
// destroyed device gets nothing more at all. Construct and use the card on
// the GUI thread.

#include "platform/SoundCard.h"
#include "platform/bench/BenchMixer.h"
#include "platform/bench/Circuit.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform::bench {

enum class ClockMode { manual, realTime };

enum class Direction { input, output };

// Operations that fault injection can make fail.
enum class Operation {
    openInput,
    openOutput,
    prepareInput,
    prepareOutput,
    addBuffer,
    start,
    write,
    pause,
    restart,
};

struct BenchOptions {
    ClockMode clock = ClockMode::manual;
    Circuit circuit = defaultCircuit();
    // Gaussian noise of this RMS (16-bit units) added to both recorded
    // channels, and the share of the recorded voltage that leaks into the
    // current channel; the same every run.
    double noiseLsb = 0;
    double crosstalk = 0;
    // Another seed gives another, equally deterministic, Gaussian noise.
    std::uint64_t noiseSeed = 0;
    // The sensitivity of another card's line input (UR, IL) and output: the
    // recorded channels and the played signal are scaled by these, so that
    // the readouts are off as on that card until it is calibrated.
    double voltageSensitivity = 1.0;
    double currentSensitivity = 1.0;
    double outputSensitivity = 1.0;
    // Mixer devices; mixer 0's levels act on the signal path (none: full
    // levels, line input selected).
    std::vector<MixerSpec> mixers = {defaultBenchMixerSpec()};
    // Volume words of wave-output device 0 and aux devices 1..5, in that order.
    std::array<std::uint32_t, 6> volumes = {0xFFFFFFFFu, 0xC000C000u, 0xC000C000u,
                                            0xC000C000u, 0xC000C000u, 0xC000C000u};
    // Devices that have no volume (getVolume/setVolume give badDeviceId).
    std::array<bool, 6> volumeAbsent = {false, false, false, false, false, false};
    // What launchMixerApplication() runs; empty: nothing is started.
    std::function<bool()> mixerLauncher;
};

class BenchSoundCard : public SoundCard {
public:
    explicit BenchSoundCard(BenchOptions options = {});
    ~BenchSoundCard() override;
    BenchSoundCard(const BenchSoundCard&) = delete;
    BenchSoundCard& operator=(const BenchSoundCard&) = delete;

    std::string name() const override { return "bench"; }
    // "bench", or with other sensitivities "bench 0.8:1.25 output 0.9": each
    // is another card with a calibration of its own.
    std::string cardIdentity() const override;

    MMResult openInput(int device, const PcmFormat& format, QObject* notify,
                       std::unique_ptr<WaveInput>& input) override;
    MMResult openOutput(int device, const PcmFormat& format, QObject* notify,
                        std::unique_ptr<WaveOutput>& output) override;

    int mixerCount() override;
    MMResult mixerCaps(int id, MixerCaps& caps) override;
    MMResult openMixer(int id, QObject* notify, std::unique_ptr<Mixer>& mixer) override;

    MMResult getVolume(VolumeDevice device, std::uint32_t& volume) override;
    MMResult setVolume(VolumeDevice device, std::uint32_t volume) override;

    bool launchMixerApplication() override;
    // The simulated time: the frames simulated so far.
    std::int64_t clockMicroseconds() const override;

    // Manual clock: simulates `frames` frames now. Headers completed on the way
    // are queued for delivery; they reach their targets when the event loop
    // runs (or at deliverNotifications()). Ignored with the real-time clock.
    void advance(std::uint64_t frames);
    // Delivers every queued notification now (what the event loop would do).
    void deliverNotifications();
    // Frames simulated since construction.
    std::uint64_t frameCount() const;

    // The mixer device `id` (0..mixerCount()-1), for tests and the bench itself.
    BenchMixer& mixer(int id);
    const Circuit& circuit() const;

    // Fault injection. failOperation: the operation succeeds `afterSuccesses`
    // more times and then fails with `code` every time (code ok: never fails
    // again). An open failure acts like a busy (error::allocated) or absent
    // (error::badDeviceId, error::noDriver) device.
    void failOperation(Operation operation, MMResult code, int afterSuccesses = 0);
    // A stalled stream keeps its headers and stops delivering (reset still
    // returns them).
    void stall(Direction direction, bool stalled);
    // The open device of this direction disappears: its queued headers come
    // back with their notifications (input: with the bytes recorded so far),
    // every further call except unprepareHeader and close gives
    // error::deviceRemoved, and a new open gives error::badDeviceId until
    // restoreDevice().
    void removeDevice(Direction direction);
    void restoreDevice(Direction direction);

    struct Core; // the shared simulation state (BenchSoundCard.cpp)

private:
    std::shared_ptr<Core> core_;
};

} // namespace platform::bench
