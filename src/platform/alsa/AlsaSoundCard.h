#pragma once
// The ALSA backend: real sound cards, and PulseAudio or PipeWire through
// their ALSA plugins.
//
// - Wave input and output open one PCM (the preferred device is ALSA's
//   "default") per stream; a worker thread per open stream opens the PCM,
//   moves the queued headers and closes it again (PcmStream.h), so that the
//   GUI thread never waits for a sound server, and notifications reach their
//   targets on the GUI thread through the card's relay. Behind a sound
//   server a closed input's PCM records on for a second, and the next input
//   of the same format takes it over instead of opening another. Opening waits a few
//   milliseconds for the PCM, so that a missing or busy device is reported
//   by the open itself.
// - Mixer device 0 is the control device behind the PCM in use (PcmMixer.h)
//   or the one the options name; the hardware mixers of the other cards
//   follow. Their elements are mapped as MixerLayout.h describes. Each open
//   mixer lives on a worker thread (MixerWorker.h); mixer device 0 starts
//   opening when the card is made, and stays open for the card's lifetime,
//   serving the mixer handles and the volumes alike.
// - The PCM is looked at once, when the card is made: behind a sound server
//   every look is a connection to the server. A server that does not answer
//   within AlsaOptions::answerWait is not waited for: the card is made as a
//   server's without a card, and its streams and mixer say the rest.
// - Volumes of wave-out device 0 and aux devices 1..5 are playback levels of
//   mixer device 0 (VolumeElements.h).
// - The mixer application shows mixer device 0: alsamixer on it in a
//   terminal emulator, or pavucontrol for a sound server's.
//
// Construct and use it on the GUI thread; alsa-lib's own messages are kept
// off stderr.

#include "platform/MixerLauncher.h"
#include "platform/SoundCard.h"
#include "platform/alsa/AlsaDevices.h"

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class NotificationRelay;
}

namespace platform::alsa {

struct XrunCounters;
struct KeptCapture;
class MixerWorker;

struct AlsaOptions {
    std::string device = "default"; // the PCM of wave device 0 (and -1)
    std::string mixer;              // mixer device 0; empty: the one behind `device`
    // What launchMixerApplication() runs; empty: the desktop's mixer as above.
    std::function<bool()> mixerLauncher;
    // How long making the card waits for the PCM and its mixer to answer;
    // a sound server that hangs is then taken as one without an answer, and
    // its streams and mixer report that while they go on trying.
    std::chrono::milliseconds answerWait{1000};
};

// The mixer applications that show a mixer device, in order: alsamixer on it
// in one of the usual terminal emulators; for a sound server's mixer
// (server true) pavucontrol first.
std::vector<LaunchCommand> mixerApplications(const std::string& mixerDevice, bool server);

class AlsaSoundCard : public SoundCard {
public:
    explicit AlsaSoundCard(AlsaOptions options = {});
    // Says on stderr how many over- and underruns were recovered, if any.
    ~AlsaSoundCard() override;
    AlsaSoundCard(const AlsaSoundCard&) = delete;
    AlsaSoundCard& operator=(const AlsaSoundCard&) = delete;

    std::string name() const override { return "alsa"; }
    std::string deviceName() const override { return options_.device; }
    // "alsa card PCH (HDA Intel PCH)" for the card behind the PCM in use,
    // "alsa device pulse" for a sound server's or another plug-in's PCM.
    std::string cardIdentity() const override { return identity_; }
    // A PCM of PulseAudio's or PipeWire's ALSA plug-in.
    bool throughSoundServer() const override { return throughServer_; }

    MMResult openInput(int device, const PcmFormat& format, QObject* notify,
                       std::unique_ptr<WaveInput>& input) override;
    MMResult openOutput(int device, const PcmFormat& format, QObject* notify,
                        std::unique_ptr<WaveOutput>& output) override;

    int mixerCount() override;
    // `wait` holds for a sound server's mixer; a card's is waited for up to
    // the 2 s that opening it may take.
    bool mixerReady(int id, std::chrono::milliseconds wait) override;
    MMResult mixerCaps(int id, MixerCaps& caps) override;
    MMResult openMixer(int id, QObject* notify, std::unique_ptr<Mixer>& mixer) override;

    MMResult getVolume(VolumeDevice device, std::uint32_t& volume) override;
    MMResult setVolume(VolumeDevice device, std::uint32_t volume) override;

    bool launchMixerApplication() override;

    // The control device of mixer device 0.
    const std::string& mixerDevice() const { return mixers_.front().device; }

    // Over- and underruns recovered on this card's streams so far.
    std::uint64_t overruns() const;
    std::uint64_t underruns() const;

private:
    AlsaOptions options_;
    std::shared_ptr<NotificationRelay> relay_;
    std::shared_ptr<XrunCounters> counters_;
    std::vector<MixerDevice> mixers_;
    std::string identity_;
    bool throughServer_ = false;
    std::shared_ptr<MixerWorker> mixer0_;
    // Behind a sound server: the capture stream the last input left
    // recording, for the next input of its format.
    std::shared_ptr<KeptCapture> keptCapture_;
    // Ready when the last capture / playback stream has closed its PCM.
    std::shared_future<void> lastCapture_;
    std::shared_future<void> lastPlayback_;
};

} // namespace platform::alsa
