#include "platform/alsa/AlsaSoundCard.h"

#include "core/PrintableText.h"
#include "platform/MixerLauncher.h"
#include "platform/NotificationRelay.h"
#include "platform/alsa/AlsaErrors.h"
#include "platform/alsa/AlsaPcm.h"
#include "platform/alsa/LayoutMixer.h"
#include "platform/alsa/MixerWorker.h"
#include "platform/alsa/PcmMixer.h"
#include "platform/alsa/PcmStream.h"
#include "platform/alsa/VolumeElements.h"
#include "platform/alsa/WithinTime.h"

#include <cstdio>

namespace platform::alsa {

// The capture stream that a closed input left recording behind a sound
// server, and its format: the next input of that format takes it over. Each
// capture of the program is an input opened and closed again; through a
// sound server's ALSA plug-in, every PCM opened is a new connection to the
// server with a thread of its own (2 ms of processor time to open and close
// through PulseAudio, and two new threads to start and end). On a card the
// PCM is closed as ever, so that other programs may use the device.
struct KeptCapture {
    std::unique_ptr<PcmStream> stream;
    PcmFormat format;
};

namespace {

// How long a kept capture stream waits for the next input: captures follow
// each other within an idle pass; an instrument that stops recording lets
// its PCM go soon after.
constexpr std::chrono::milliseconds keepCapture{1000};

// The handles. Each owns its stream, until a closed input hands it on to be
// kept; the stream names the handle in its notifications.
template <class Device, StreamDirection direction> class StreamHandle : public Device {
public:
    StreamHandle(PcmStream::Opener opener, std::shared_ptr<NotificationRelay> relay,
                 std::uint64_t key, std::shared_ptr<XrunCounters> counters)
        : stream_(std::make_unique<PcmStream>(direction, std::move(opener), std::move(relay), key,
                                              this, std::move(counters))) {}
    // A kept stream, which the caller adopts for this handle.
    explicit StreamHandle(std::unique_ptr<PcmStream> kept) : stream_(std::move(kept)) {}

    PcmStream& stream() { return *stream_; }

    MMResult prepareHeader(WaveHeader& header) override {
        return stream_ ? stream_->prepareHeader(header) : error::invalidHandle;
    }
    MMResult unprepareHeader(WaveHeader& header) override {
        return stream_ ? stream_->unprepareHeader(header) : error::invalidHandle;
    }
    MMResult reset() override { return stream_ ? stream_->reset() : error::invalidHandle; }
    MMResult close() override { return stream_ ? stream_->close() : error::invalidHandle; }

protected:
    std::unique_ptr<PcmStream> stream_; // none once handed on
};

class AlsaWaveInput : public StreamHandle<WaveInput, StreamDirection::capture> {
public:
    using StreamHandle::StreamHandle;
    static constexpr int openedMessage = message::inputOpened;

    // Closing hands a working stream to `keeper`, when there is one.
    void keepIn(std::shared_ptr<KeptCapture> keeper, const PcmFormat& format) {
        keeper_ = std::move(keeper);
        format_ = format;
    }

    MMResult addBuffer(WaveHeader& header) override {
        return stream_ ? stream_->add(header) : error::invalidHandle;
    }
    MMResult start() override { return stream_ ? stream_->start() : error::invalidHandle; }
    MMResult close() override {
        if (!stream_ || !keeper_) return StreamHandle::close();
        bool kept = false;
        const MMResult result = stream_->close(keepCapture, kept);
        if (kept) *keeper_ = {std::move(stream_), format_};
        return result;
    }

private:
    std::shared_ptr<KeptCapture> keeper_;
    PcmFormat format_;
};

class AlsaWaveOutput : public StreamHandle<WaveOutput, StreamDirection::playback> {
public:
    using StreamHandle::StreamHandle;
    static constexpr int openedMessage = message::outputOpened;
    MMResult write(WaveHeader& header) override {
        return stream_ ? stream_->add(header) : error::invalidHandle;
    }
    MMResult pause() override { return stream_ ? stream_->pause() : error::invalidHandle; }
    MMResult restart() override { return stream_ ? stream_->restart() : error::invalidHandle; }
};

// How long opening a stream waits for its PCM: a device that is missing,
// busy or refuses the format says so at once; one behind a sound server that
// does not answer is opened while the stream already runs.
constexpr std::chrono::milliseconds openWait{10};

// Makes the handle of a stream, which notifies `notify`; its worker opens the
// PCM once the previous stream of the direction has closed its own (a hw:
// device opens only once at a time).
template <class Handle, class Device>
MMResult openStream(const std::string& pcm, StreamDirection direction, const PcmFormat& format,
                    const std::shared_ptr<NotificationRelay>& relay,
                    const std::shared_ptr<XrunCounters>& counters, QObject* notify,
                    std::shared_future<void>& previous, std::unique_ptr<Device>& handle) {
    if (!AlsaPcm::isUsableFormat(format)) return error::badFormat;
    const auto key = relay->attach(notify);
    auto opener = [pcm, direction, format, previous](std::unique_ptr<PcmPort>& port) {
        if (previous.valid()) previous.wait();
        return AlsaPcm::open(pcm, direction, format, port);
    };
    auto made = std::make_unique<Handle>(opener, relay, key, counters);
    if (const auto result = made->stream().opened(openWait); result && *result != error::ok)
        return *result; // the handle detaches itself
    previous = made->stream().finished();
    relay->post(key, Handle::openedMessage, made.get());
    handle = std::move(made);
    return error::ok;
}

} // namespace

std::vector<LaunchCommand> mixerApplications(const std::string& mixerDevice, bool server) {
    std::vector<LaunchCommand> commands;
    if (server) commands.push_back({"pavucontrol", {}, {}});
    const auto inTerminals = alsamixerInTerminals({"-D", mixerDevice});
    commands.insert(commands.end(), inTerminals.begin(), inTerminals.end());
    return commands;
}

namespace {

// How long opening a mixer may wait for it to load: the program asks
// mixerReady() first where it must not wait.
constexpr std::chrono::milliseconds mixerLoadWait{2000};

// The open's result, or serverDown while the mixer is still loading.
MMResult loadResult(MixerWorker& mixer, std::chrono::milliseconds wait) {
    const auto result = mixer.loaded(wait);
    return result ? *result : error::serverDown;
}

// What the card learns of its PCM and mixer when it is made.
struct DeviceFacts {
    std::vector<MixerDevice> mixers;
    bool throughServer = false;
    std::string identity;
};

// The identity of the card a PCM records from, or of the PCM itself.
std::string identityOf(const std::string& device, std::optional<int> card) {
    if (card)
        for (const CardInfo& info : soundCards())
            if (info.index == *card) return "alsa card " + info.id + " (" + info.name + ")";
    return "alsa device " + device;
}

DeviceFacts learnDevice(const std::string& device, const std::string& mixer) {
    DeviceFacts facts;
    const PcmProbe probe = probePcm(device);
    const std::string pcmMixer = mixerOfPcm(device, probe);
    facts.mixers = mixerDevices(mixer.empty() ? pcmMixer : mixer);
    facts.throughServer = probe.soundServer;
    // The card the PCM records from, whatever mixer the user named.
    std::optional<int> card = probe.card;
    if (!card) card = mixer.empty() ? facts.mixers.front().card : cardOfControl(pcmMixer);
    facts.identity = identityOf(device, card);
    return facts;
}

// A PCM that does not answer is a sound server's that hangs (a card's PCM
// answers at once, busy or not): no card, and the mixer the user named or,
// as for a server's PCM whose own control device does not open, "default".
// Asking either would wait for the server again.
DeviceFacts unansweredDevice(const std::string& device, const std::string& mixer) {
    DeviceFacts facts;
    facts.mixers = mixerDevices(mixer.empty() ? "default" : mixer, ControlProbe{});
    facts.throughServer = true;
    facts.identity = identityOf(device, std::nullopt);
    return facts;
}

} // namespace

AlsaSoundCard::AlsaSoundCard(AlsaOptions options)
    : options_(std::move(options)), relay_(std::make_shared<NotificationRelay>()),
      counters_(std::make_shared<XrunCounters>()) {
    silenceAlsaDiagnostics();
    // Without time to wait (the PCM did not answer a moment ago) it is not
    // asked again: the look would only wait for the server on a thread.
    std::optional<DeviceFacts> facts;
    if (options_.answerWait.count() > 0)
        facts = withinTime(options_.answerWait,
                           [device = options_.device, mixer = options_.mixer] {
                               return learnDevice(device, mixer);
                           });
    if (!facts) {
        std::fprintf(stderr,
                     "zo7scope: ALSA: \"%s\" does not answer: its sound server may hang; "
                     "recording and playback start when it answers\n",
                     printable(options_.device).c_str());
        facts = unansweredDevice(options_.device, options_.mixer);
    }
    mixers_ = std::move(facts->mixers);
    throughServer_ = facts->throughServer;
    identity_ = std::move(facts->identity);
    mixer0_ = std::make_shared<MixerWorker>(mixers_.front().device, mixers_.front().server);
    if (throughServer_) keptCapture_ = std::make_shared<KeptCapture>();
}

AlsaSoundCard::~AlsaSoundCard() {
    const auto over = overruns();
    const auto under = underruns();
    if (over || under)
        std::fprintf(stderr, "zo7scope: ALSA: %llu overruns and %llu underruns were recovered\n",
                     static_cast<unsigned long long>(over), static_cast<unsigned long long>(under));
}

MMResult AlsaSoundCard::openInput(int device, const PcmFormat& format, QObject* notify,
                                  std::unique_ptr<WaveInput>& input) {
    if (device != -1 && device != 0) return error::badDeviceId;
    if (!AlsaPcm::isUsableFormat(format)) return error::badFormat;
    std::unique_ptr<AlsaWaveInput> made;
    if (keptCapture_ && keptCapture_->stream) {
        // A kept stream of another format closes here; the next open waits
        // for its PCM to close (lastCapture_ is its).
        auto kept = std::move(keptCapture_->stream);
        if (keptCapture_->format == format) {
            const auto key = relay_->attach(notify);
            made = std::make_unique<AlsaWaveInput>(std::move(kept));
            if (made->stream().adopt(relay_, key, made.get())) {
                relay_->post(key, AlsaWaveInput::openedMessage, made.get());
            } else {
                made.reset();
                relay_->detach(key);
            }
        }
    }
    if (!made)
        if (const auto r = openStream<AlsaWaveInput>(options_.device, StreamDirection::capture,
                                                     format, relay_, counters_, notify,
                                                     lastCapture_, made))
            return r;
    if (keptCapture_) made->keepIn(keptCapture_, format);
    input = std::move(made);
    return error::ok;
}

MMResult AlsaSoundCard::openOutput(int device, const PcmFormat& format, QObject* notify,
                                   std::unique_ptr<WaveOutput>& output) {
    if (device != -1 && device != 0) return error::badDeviceId;
    return openStream<AlsaWaveOutput>(options_.device, StreamDirection::playback, format, relay_,
                                      counters_, notify, lastPlayback_, output);
}

int AlsaSoundCard::mixerCount() {
    return static_cast<int>(mixers_.size());
}

bool AlsaSoundCard::mixerReady(int id, std::chrono::milliseconds wait) {
    // Only a sound server may keep its mixer from loading: a card's (or a
    // plug-in's of this machine) is waited for as long as opening it would.
    return id != 0 || mixer0_->loaded(throughServer_ ? wait : mixerLoadWait).has_value();
}

namespace {

// The open mixer of a mixer device: device 0's for the card's lifetime, any
// other's opened now.
MMResult openedMixer(const std::shared_ptr<MixerWorker>& mixer0, const MixerDevice& device, int id,
                     std::shared_ptr<MixerWorker>& mixer) {
    mixer = id == 0 ? mixer0 : std::make_shared<MixerWorker>(device.device, device.server);
    return loadResult(*mixer, mixerLoadWait);
}

} // namespace

MMResult AlsaSoundCard::mixerCaps(int id, MixerCaps& caps) {
    if (id < 0 || id >= mixerCount()) return error::badDeviceId;
    const auto& device = mixers_[static_cast<std::size_t>(id)];
    std::shared_ptr<MixerWorker> store;
    if (const auto r = openedMixer(mixer0_, device, id, store)) return r;
    caps.productName = device.productName;
    caps.destinations =
        static_cast<std::uint32_t>(mapElements(store->descriptions()).destinations.size());
    return error::ok;
}

MMResult AlsaSoundCard::openMixer(int id, QObject* notify, std::unique_ptr<Mixer>& mixer) {
    if (id < 0 || id >= mixerCount()) return error::badDeviceId;
    std::shared_ptr<MixerWorker> store;
    if (const auto r = openedMixer(mixer0_, mixers_[static_cast<std::size_t>(id)], id, store))
        return r;
    auto layout = mapElements(store->descriptions());
    mixer = std::make_unique<LayoutMixer>(std::move(layout), std::move(store), notify);
    return error::ok;
}

// The volumes wait no longer for the mixer to load than a change waits for
// the mixer: one not loaded by then cannot be read or set.
MMResult AlsaSoundCard::getVolume(VolumeDevice device, std::uint32_t& volume) {
    if (const auto r = loadResult(*mixer0_, MixerWorker::changeWait)) return r;
    auto* store = mixer0_.get();
    const auto element = volumeElement(device, store->descriptions());
    if (!element) return error::badDeviceId;
    std::uint32_t left = 0;
    std::uint32_t right = 0;
    if (const auto r = store->level(*element, Side::playback, 0, left)) return r;
    if (const auto r = store->level(*element, Side::playback, 1, right)) return r;
    volume = volumeWord(left, right);
    return error::ok;
}

MMResult AlsaSoundCard::setVolume(VolumeDevice device, std::uint32_t volume) {
    if (const auto r = loadResult(*mixer0_, MixerWorker::changeWait)) return r;
    // A volume that already reads as the one to write stays as it is: a gain
    // above 0 dB reads as full level, and writing that would lower it.
    if (std::uint32_t now = 0; getVolume(device, now) == error::ok && now == volume)
        return error::ok;
    auto* store = mixer0_.get();
    const auto element = volumeElement(device, store->descriptions());
    if (!element) return error::badDeviceId;
    const auto& side = store->descriptions()[*element].playback;
    if (side.channels <= 1 || side.volumeJoined)
        return store->setLevel(*element, Side::playback, allChannels, leftOf(volume));
    if (const auto r = store->setLevel(*element, Side::playback, 0, leftOf(volume))) return r;
    return store->setLevel(*element, Side::playback, 1, rightOf(volume));
}

bool AlsaSoundCard::launchMixerApplication() {
    if (options_.mixerLauncher) return options_.mixerLauncher();
    return launchFirstAvailable(mixerApplications(mixers_[0].device, mixers_[0].server));
}

std::uint64_t AlsaSoundCard::overruns() const {
    return counters_->overruns.load();
}

std::uint64_t AlsaSoundCard::underruns() const {
    return counters_->underruns.load();
}

} // namespace platform::alsa
