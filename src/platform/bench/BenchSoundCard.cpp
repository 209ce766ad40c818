#include "platform/bench/BenchSoundCard.h"

#include "platform/NotificationRelay.h"
#include "platform/bench/Calibration.h"
#include "platform/bench/FoldedCircuit.h"
#include "platform/bench/Pacer.h"
#include "platform/bench/ReconstructionFilter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <numbers>
#include <optional>
#include <thread>

namespace platform::bench {

namespace {

constexpr std::size_t operationCount = static_cast<std::size_t>(Operation::restart) + 1;
// Frames simulated per lock of the bench; the mixer levels are read between chunks.
constexpr std::uint64_t chunkFrames = 441;
// The real-time clock wakes when a header could complete, at least this
// often (frames: the card's clock follows within 200 ms), and at once when
// the GUI gives an idle stream something to do; it catches up at most this
// many frames after it was held up. A change of a stream or of a mixer
// level brings the sound up to its moment itself and needs no wake for
// that. Each wake costs a switch of threads, which on an old PC is worth
// more than the simulation itself.
constexpr std::uint64_t maxSleepFrames = 8820;
constexpr std::uint64_t maxCatchUpFrames = calibration::framesPerSecond / 2;

bool formatIs(const PcmFormat& f, std::uint16_t channels) {
    const std::uint16_t block = static_cast<std::uint16_t>(2 * channels);
    return f.formatTag == 1 && f.channels == channels &&
           f.framesPerSecond == calibration::framesPerSecond && f.bitsPerSample == 16 &&
           f.blockAlign == block && f.bytesPerSecond == calibration::framesPerSecond * block;
}

// Noise of -1, 0 or +1 unit, a fixed function of the frame and the channel.
int noiseAt(std::uint64_t frame, int channel) {
    std::uint64_t z = frame * 2 + static_cast<std::uint64_t>(channel) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<int>(z % (2 * calibration::noiseAmplitude + 1)) -
           calibration::noiseAmplitude;
}

// Where a seed's sequence of keys starts: the seeds' sequences lie far apart.
std::uint64_t uniformKey(std::uint64_t seed) {
    std::uint64_t z = seed * 0xD1B54A32D192ED03ull;
    z = (z ^ (z >> 32)) * 0x9E3779B97F4A7C15ull;
    return seed == 0 ? 0 : z ^ (z >> 29);
}

// Gaussian noise of RMS 1, a fixed function of the seed, the frame and the
// channel (Box-Muller on two uniform values drawn from them).
double gaussianAt(std::uint64_t seed, std::uint64_t frame, int channel) {
    auto uniform = [](std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return (static_cast<double>(z >> 11) + 0.5) / 9007199254740992.0; // (0, 1)
    };
    const std::uint64_t key =
        (frame * 2 + static_cast<std::uint64_t>(channel)) * 2 + uniformKey(seed);
    const double a = uniform(key + 0x632BE59BD9B4E019ull);
    const double b = uniform(key + 1 + 0x632BE59BD9B4E019ull);
    return std::sqrt(-2 * std::log(a)) * std::cos(2 * std::numbers::pi * b);
}

std::int16_t toSample(double value) {
    const double clipped = std::clamp(std::nearbyint(value), -32768.0, 32767.0);
    return static_cast<std::int16_t>(clipped);
}

std::int64_t monotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// ---------------------------------------------------------------------------
// The shared state. Everything under "guarded" is touched only with `mutex`
// held (GUI thread and bench thread); everything under "GUI thread" only by
// the GUI thread.

struct BenchSoundCard::Core {
    struct Stream {
        std::uint64_t key = 0; // 0: not open
        const void* handle = nullptr;
        bool running = false; // input: started; output: not paused
        bool stalled = false;
        bool removed = false; // the open device disappeared
        bool absent = false;  // new opens fail until restored
        std::deque<WaveHeader*> queue;
        std::uint32_t position = 0; // bytes of the head header done
    };
    struct Fault {
        MMResult code = error::ok;
        int successesLeft = 0;
    };

    explicit Core(BenchOptions o)
        : options(std::move(o)),
          relay(std::make_shared<NotificationRelay>(options.clock == ClockMode::realTime)),
          steps(stepsPerFrame(options.circuit)),
          simulation(options.circuit, 1.0 / (calibration::framesPerSecond * steps)) {
        if (const auto linear = simulation.linearStep();
            linear && steps == ReconstructionFilter::factor)
            folded.emplace(*linear, dac);
    }

    // A circuit without L and C has no memory: only the step that is
    // recorded is needed. A diode's circuit is solved by Newton's method in
    // every step, so a capacitor with it takes four steps a period (its
    // current is rich in harmonics anyway); a linear circuit takes all.
    static int stepsPerFrame(const Circuit& circuit) {
        if (!circuit.inductance && !circuit.capacitance) return 1;
        return circuit.diode == Circuit::Diode::none ? ReconstructionFilter::factor : 4;
    }

    BenchOptions options;
    std::vector<std::unique_ptr<BenchMixer>> mixers;
    // The notifications; only the bench thread wakes it through its eventfd.
    const std::shared_ptr<NotificationRelay> relay;

    // --- guarded ---
    std::mutex mutex;
    // The line output's band-limited voltage drives the circuit in `steps`
    // equal steps of a sample period (at most the filter's factor).
    ReconstructionFilter dac;
    const int steps;
    CircuitSimulation simulation;
    // A linear circuit's steps of a period in one update (a diode's: none).
    std::optional<FoldedCircuit> folded;
    std::uint64_t frame = 0;
    Stream input;
    Stream output;
    std::uint64_t queued = 0; // notifications queued so far

    // --- GUI thread ---
    std::array<Fault, operationCount> faults{};

    // --- the real-time clock ---
    // Held while frames are simulated up to the present, by the bench thread
    // or, before a stream or a level changes, by the thread that changes it,
    // so that the two never share a stretch of frames. The pacer is gone once
    // the card has stopped.
    std::mutex advanceMutex;
    std::optional<Pacer> pacer; // under advanceMutex
    std::thread thread;
    std::mutex threadMutex;
    std::condition_variable threadWake;
    bool stopping = false; // under threadMutex
    bool nudged = false;   // under threadMutex: work came before the wake time

    // GUI thread, without the mutex: a stream has a new head header or was
    // started, so that a completion may now come before the bench thread's
    // wake time.
    void nudge() {
        if (!thread.joinable()) return;
        {
            std::lock_guard lock(threadMutex);
            nudged = true;
        }
        threadWake.notify_one();
    }

    // GUI thread. The injected failure for the operation, or ok.
    MMResult injected(Operation operation) {
        Fault& f = faults[static_cast<std::size_t>(operation)];
        if (f.code == error::ok) return error::ok;
        if (f.successesLeft > 0) {
            --f.successesLeft;
            return error::ok;
        }
        return f.code;
    }

    SignalLevels levels() const {
        return mixers.empty() ? SignalLevels{} : mixers.front()->signalLevels();
    }

    // Under the mutex: queue a notification for the relay.
    void queueEvent(const Stream& s, int message, WaveHeader* header = nullptr) {
        relay->queue(s.key, message, s.handle, header);
        ++queued;
    }

    // Under the mutex: the head header of a stream is done.
    void complete(Stream& s, int message) {
        WaveHeader* h = s.queue.front();
        s.queue.pop_front();
        if (message == message::inputData) h->bytesRecorded = s.position;
        h->flags = (h->flags | headerFlag::done) & ~headerFlag::queued;
        s.position = 0;
        queueEvent(s, message, h);
    }

    // Under the mutex: every queued header comes back at once.
    void returnAll(Stream& s, int message) {
        while (!s.queue.empty())
            complete(s, message);
    }

    // Under the mutex: simulates `count` frames with the given levels.
    void simulate(std::uint64_t count, const SignalLevels& lv) {
        const double outputScale = calibration::outputMillivoltsPerUnit * lv.waveOut * lv.master *
                                   options.outputSensitivity;
        const double inputScale = lv.lineSelected ? lv.lineRecording : 0.0;
        const double uScale =
            calibration::voltageUnitsPerMillivolt * inputScale * options.voltageSensitivity;
        const double iScale =
            calibration::currentUnitsPerMilliampere * inputScale * options.currentSensitivity;
        for (std::uint64_t n = 0; n < count; ++n, ++frame) {
            // Line output: the next sample of the head output header.
            std::int16_t sample = 0;
            Stream& out = output;
            if (out.key && out.running && !out.stalled && !out.removed) {
                while (!out.queue.empty() && out.position + 2 > out.queue.front()->length)
                    complete(out, message::outputDone);
                if (!out.queue.empty()) {
                    std::memcpy(&sample, out.queue.front()->data + out.position, 2);
                    out.position += 2;
                    if (out.position + 2 > out.queue.front()->length)
                        complete(out, message::outputDone);
                }
            }
            // The recorded frame takes the circuit's voltage and its mean
            // current over the first of the period's steps.
            dac.push(sample);
            const double u = dac.value(0) * outputScale;
            double i = 0.0;
            if (folded) {
                i = folded->advance(dac, outputScale, u);
            } else {
                i = simulation.step(u);
                const int stride = ReconstructionFilter::factor / steps;
                for (int p = stride; p < ReconstructionFilter::factor; p += stride)
                    simulation.step(dac.value(p) * outputScale);
            }

            // Line input: UR and IL as the ZO7 delivers them.
            Stream& in = input;
            if (in.key && in.running && !in.stalled && !in.removed) {
                while (!in.queue.empty() && in.position + 4 > in.queue.front()->length)
                    complete(in, message::inputData);
                if (!in.queue.empty()) {
                    double ur = u * uScale + noiseAt(frame, 0);
                    double il = i * iScale + noiseAt(frame, 1) + options.crosstalk * u * uScale;
                    if (options.noiseLsb > 0) {
                        ur += options.noiseLsb * gaussianAt(options.noiseSeed, frame, 0);
                        il += options.noiseLsb * gaussianAt(options.noiseSeed, frame, 1);
                    }
                    const std::int16_t values[2] = {toSample(ur), toSample(il)};
                    WaveHeader* h = in.queue.front();
                    std::memcpy(h->data + in.position, values, 4);
                    in.position += 4;
                    h->bytesRecorded = in.position;
                    if (in.position + 4 > h->length) complete(in, message::inputData);
                }
            }
        }
    }

    // Under the mutex: frames until the next header could complete.
    std::uint64_t framesToNextCompletion() const {
        std::uint64_t frames = maxSleepFrames;
        if (output.key && output.running && !output.stalled && !output.queue.empty()) {
            const auto* h = output.queue.front();
            frames = std::min<std::uint64_t>(
                frames, h->length > output.position ? (h->length - output.position) / 2 : 1);
        }
        if (input.key && input.running && !input.stalled && !input.queue.empty()) {
            const auto* h = input.queue.front();
            frames = std::min<std::uint64_t>(
                frames, h->length > input.position ? (h->length - input.position) / 4 : 1);
        }
        return std::max<std::uint64_t>(frames, 1);
    }

    // Runs `count` frames in chunks; returns the frames until the next completion.
    std::uint64_t run(std::uint64_t count, bool fromBench) {
        std::uint64_t next = maxSleepFrames;
        do {
            const std::uint64_t n = std::min(count, chunkFrames);
            const SignalLevels lv = levels();
            std::lock_guard lock(mutex);
            const std::uint64_t before = queued;
            simulate(n, lv);
            if (queued != before && fromBench) relay->wakeFromThread();
            next = framesToNextCompletion();
            count -= n;
        } while (count > 0);
        return next;
    }

    // Simulates the frames due by now on the real-time clock; returns when a
    // header could complete next (none: the card has stopped or runs on the
    // manual clock). The handles call it before they change a stream and the
    // mixers before they change a level, so that every change takes effect
    // at its moment: the frames due before it are simulated as things were.
    std::optional<std::chrono::steady_clock::time_point> advanceToNow() {
        std::lock_guard lock(advanceMutex);
        if (!pacer) return std::nullopt;
        const std::uint64_t next = run(pacer->framesDue(monotonicNanoseconds()), true);
        return std::chrono::steady_clock::time_point(
            std::chrono::nanoseconds(pacer->timeOfFrame(pacer->position() + next)));
    }

    void threadLoop() {
        std::unique_lock lock(threadMutex);
        while (!stopping) {
            lock.unlock();
            const auto wake = advanceToNow();
            lock.lock();
            if (!wake) break;
            threadWake.wait_until(lock, *wake, [this] { return stopping || nudged; });
            nudged = false;
        }
    }
};

namespace {

using Core = BenchSoundCard::Core;

// The handles. Every call checks that the handle still owns its stream.
class BenchWaveInput : public WaveInput {
public:
    BenchWaveInput(std::shared_ptr<Core> core, std::uint64_t key)
        : core_(std::move(core)), key_(key) {}
    ~BenchWaveInput() override;

    MMResult prepareHeader(WaveHeader& header) override;
    MMResult unprepareHeader(WaveHeader& header) override;
    MMResult addBuffer(WaveHeader& header) override;
    MMResult start() override;
    MMResult reset() override;
    MMResult close() override;

    std::shared_ptr<Core> core_;
    std::uint64_t key_;
};

class BenchWaveOutput : public WaveOutput {
public:
    BenchWaveOutput(std::shared_ptr<Core> core, std::uint64_t key)
        : core_(std::move(core)), key_(key) {}
    ~BenchWaveOutput() override;

    MMResult prepareHeader(WaveHeader& header) override;
    MMResult unprepareHeader(WaveHeader& header) override;
    MMResult write(WaveHeader& header) override;
    MMResult pause() override;
    MMResult restart() override;
    MMResult reset() override;
    MMResult close() override;

    std::shared_ptr<Core> core_;
    std::uint64_t key_;
};

bool isQueued(const Core::Stream& s, const WaveHeader& header) {
    return std::find(s.queue.begin(), s.queue.end(), &header) != s.queue.end();
}

// Checks common to every call of a handle: the stream still belongs to it
// and the device is still there (removed: the given code).
MMResult streamState(const Core::Stream& s, std::uint64_t key) {
    if (s.key != key) return error::invalidHandle;
    if (s.removed) return error::deviceRemoved;
    return error::ok;
}

MMResult prepare(Core::Stream& s, std::uint64_t key, WaveHeader& header) {
    if (const auto r = streamState(s, key)) return r;
    if (!header.data || header.length == 0) return error::invalidParam;
    if (isQueued(s, header)) return error::stillPlaying;
    header.flags = (header.flags | headerFlag::prepared) & ~headerFlag::done;
    return error::ok;
}

MMResult unprepare(Core::Stream& s, std::uint64_t key, WaveHeader& header) {
    if (s.key != key) return error::invalidHandle;
    if (isQueued(s, header)) return error::stillPlaying;
    header.flags &= ~headerFlag::prepared;
    return error::ok;
}

MMResult enqueue(Core::Stream& s, std::uint64_t key, WaveHeader& header) {
    if (const auto r = streamState(s, key)) return r;
    if (!header.data) return error::invalidParam;
    if (!(header.flags & headerFlag::prepared)) return error::unprepared;
    if (isQueued(s, header)) return error::stillPlaying;
    header.flags = (header.flags & ~headerFlag::done) | headerFlag::queued;
    s.queue.push_back(&header);
    return error::ok;
}

// close(): fails while headers are queued; otherwise drops undelivered
// notifications of the device and queues "closed".
MMResult closeStream(Core& core, Core::Stream& s, std::uint64_t key, int closedMessage) {
    if (s.key != key) return error::invalidHandle;
    if (!s.queue.empty()) return error::stillPlaying;
    core.relay->forgetHeaders(key);
    core.queueEvent(s, closedMessage);
    const bool absent = s.absent;
    s = Core::Stream{};
    s.absent = absent;
    return error::ok;
}

// Destruction of an open handle: stops silently, without touching headers
// (their owner may already be releasing them) and without notifications.
void dropStream(Core& core, Core::Stream& s, std::uint64_t key) {
    if (s.key != key) return;
    core.relay->detach(key);
    const bool absent = s.absent;
    s = Core::Stream{};
    s.absent = absent;
}

BenchWaveInput::~BenchWaveInput() {
    std::lock_guard lock(core_->mutex);
    dropStream(*core_, core_->input, key_);
}

MMResult BenchWaveInput::prepareHeader(WaveHeader& header) {
    if (const auto r = core_->injected(Operation::prepareInput)) return r;
    std::lock_guard lock(core_->mutex);
    return prepare(core_->input, key_, header);
}

MMResult BenchWaveInput::unprepareHeader(WaveHeader& header) {
    std::lock_guard lock(core_->mutex);
    return unprepare(core_->input, key_, header);
}

MMResult BenchWaveInput::addBuffer(WaveHeader& header) {
    if (const auto r = core_->injected(Operation::addBuffer)) return r;
    core_->advanceToNow();
    bool head = false;
    {
        std::lock_guard lock(core_->mutex);
        const auto r = enqueue(core_->input, key_, header);
        if (r != error::ok) return r;
        header.bytesRecorded = 0;
        head = core_->input.running && core_->input.queue.size() == 1;
    }
    if (head) core_->nudge();
    return error::ok;
}

MMResult BenchWaveInput::start() {
    if (const auto r = core_->injected(Operation::start)) return r;
    core_->advanceToNow();
    {
        std::lock_guard lock(core_->mutex);
        if (const auto r = streamState(core_->input, key_)) return r;
        core_->input.running = true;
    }
    core_->nudge();
    return error::ok;
}

MMResult BenchWaveInput::reset() {
    core_->advanceToNow();
    {
        std::lock_guard lock(core_->mutex);
        auto& s = core_->input;
        if (const auto r = streamState(s, key_)) return r;
        s.running = false;
        core_->returnAll(s, message::inputData);
    }
    core_->relay->wakeFromGui();
    return error::ok;
}

MMResult BenchWaveInput::close() {
    core_->advanceToNow();
    {
        std::lock_guard lock(core_->mutex);
        if (const auto r = closeStream(*core_, core_->input, key_, message::inputClosed)) return r;
    }
    core_->relay->wakeFromGui();
    return error::ok;
}

BenchWaveOutput::~BenchWaveOutput() {
    std::lock_guard lock(core_->mutex);
    dropStream(*core_, core_->output, key_);
}

MMResult BenchWaveOutput::prepareHeader(WaveHeader& header) {
    if (const auto r = core_->injected(Operation::prepareOutput)) return r;
    std::lock_guard lock(core_->mutex);
    return prepare(core_->output, key_, header);
}

MMResult BenchWaveOutput::unprepareHeader(WaveHeader& header) {
    std::lock_guard lock(core_->mutex);
    return unprepare(core_->output, key_, header);
}

MMResult BenchWaveOutput::write(WaveHeader& header) {
    if (const auto r = core_->injected(Operation::write)) return r;
    core_->advanceToNow();
    bool head = false;
    {
        std::lock_guard lock(core_->mutex);
        const auto r = enqueue(core_->output, key_, header);
        if (r != error::ok) return r;
        head = core_->output.running && core_->output.queue.size() == 1;
    }
    if (head) core_->nudge();
    return error::ok;
}

MMResult BenchWaveOutput::pause() {
    if (const auto r = core_->injected(Operation::pause)) return r;
    core_->advanceToNow();
    std::lock_guard lock(core_->mutex);
    if (const auto r = streamState(core_->output, key_)) return r;
    core_->output.running = false;
    return error::ok;
}

MMResult BenchWaveOutput::restart() {
    if (const auto r = core_->injected(Operation::restart)) return r;
    core_->advanceToNow();
    {
        std::lock_guard lock(core_->mutex);
        if (const auto r = streamState(core_->output, key_)) return r;
        core_->output.running = true;
    }
    core_->nudge();
    return error::ok;
}

MMResult BenchWaveOutput::reset() {
    core_->advanceToNow();
    {
        std::lock_guard lock(core_->mutex);
        auto& s = core_->output;
        if (const auto r = streamState(s, key_)) return r;
        core_->returnAll(s, message::outputDone);
        s.running = true;
    }
    core_->relay->wakeFromGui();
    return error::ok;
}

MMResult BenchWaveOutput::close() {
    core_->advanceToNow();
    {
        std::lock_guard lock(core_->mutex);
        if (const auto r = closeStream(*core_, core_->output, key_, message::outputClosed))
            return r;
    }
    core_->relay->wakeFromGui();
    return error::ok;
}

} // namespace

// ---------------------------------------------------------------------------

BenchSoundCard::BenchSoundCard(BenchOptions options)
    : core_(std::make_shared<Core>(std::move(options))) {
    for (const auto& spec : core_->options.mixers)
        core_->mixers.push_back(std::make_unique<BenchMixer>(spec));
    if (core_->options.clock == ClockMode::realTime) {
        core_->pacer.emplace(monotonicNanoseconds(), calibration::framesPerSecond,
                             maxCatchUpFrames);
        // What was recorded before a level changed keeps the old level.
        for (auto& mixer : core_->mixers)
            mixer->setBeforeChange([weak = std::weak_ptr<Core>(core_)] {
                if (const auto core = weak.lock()) core->advanceToNow();
            });
        core_->thread = std::thread([core = core_.get()] { core->threadLoop(); });
    }
}

BenchSoundCard::~BenchSoundCard() {
    if (core_->thread.joinable()) {
        {
            std::lock_guard lock(core_->threadMutex);
            core_->stopping = true;
        }
        core_->threadWake.notify_all();
        core_->thread.join();
        std::lock_guard lock(core_->advanceMutex);
        core_->pacer.reset();
    }
    // Handles may outlive the card; they keep the core but get no more
    // notifications delivered.
    core_->relay->shutDown();
}

MMResult BenchSoundCard::openInput(int device, const PcmFormat& format, QObject* notify,
                                   std::unique_ptr<WaveInput>& input) {
    if (device != -1 && device != 0) return error::badDeviceId;
    if (const auto r = core_->injected(Operation::openInput)) return r;
    if (!formatIs(format, 2)) return error::badFormat;
    std::uint64_t key = 0;
    {
        std::lock_guard lock(core_->mutex);
        auto& s = core_->input;
        if (s.absent) return error::badDeviceId;
        if (s.key) return error::allocated;
        key = core_->relay->attach(notify);
        input = std::make_unique<BenchWaveInput>(core_, key);
        s.key = key;
        s.handle = input.get();
        core_->queueEvent(s, message::inputOpened);
    }
    core_->relay->wakeFromGui();
    return error::ok;
}

MMResult BenchSoundCard::openOutput(int device, const PcmFormat& format, QObject* notify,
                                    std::unique_ptr<WaveOutput>& output) {
    if (device != -1 && device != 0) return error::badDeviceId;
    if (const auto r = core_->injected(Operation::openOutput)) return r;
    if (!formatIs(format, 1)) return error::badFormat;
    std::uint64_t key = 0;
    {
        std::lock_guard lock(core_->mutex);
        auto& s = core_->output;
        if (s.absent) return error::badDeviceId;
        if (s.key) return error::allocated;
        key = core_->relay->attach(notify);
        output = std::make_unique<BenchWaveOutput>(core_, key);
        s.key = key;
        s.handle = output.get();
        s.running = true;
        core_->queueEvent(s, message::outputOpened);
    }
    core_->relay->wakeFromGui();
    return error::ok;
}

int BenchSoundCard::mixerCount() {
    return static_cast<int>(core_->mixers.size());
}

MMResult BenchSoundCard::mixerCaps(int id, MixerCaps& caps) {
    if (id < 0 || id >= mixerCount()) return error::badDeviceId;
    return core_->mixers[static_cast<std::size_t>(id)]->caps(caps);
}

MMResult BenchSoundCard::openMixer(int id, QObject* notify, std::unique_ptr<Mixer>& mixer) {
    if (id < 0 || id >= mixerCount()) return error::badDeviceId;
    return core_->mixers[static_cast<std::size_t>(id)]->open(notify, mixer);
}

MMResult BenchSoundCard::getVolume(VolumeDevice device, std::uint32_t& volume) {
    const auto index = static_cast<std::size_t>(device);
    if (index >= core_->options.volumes.size() || core_->options.volumeAbsent[index])
        return error::badDeviceId;
    volume = core_->options.volumes[index];
    return error::ok;
}

MMResult BenchSoundCard::setVolume(VolumeDevice device, std::uint32_t volume) {
    const auto index = static_cast<std::size_t>(device);
    if (index >= core_->options.volumes.size() || core_->options.volumeAbsent[index])
        return error::badDeviceId;
    core_->options.volumes[index] = volume;
    return error::ok;
}

bool BenchSoundCard::launchMixerApplication() {
    return core_->options.mixerLauncher ? core_->options.mixerLauncher() : false;
}

std::int64_t BenchSoundCard::clockMicroseconds() const {
    return static_cast<std::int64_t>(frameCount() * 1000000 / calibration::framesPerSecond);
}

void BenchSoundCard::advance(std::uint64_t frames) {
    if (core_->options.clock != ClockMode::manual || frames == 0) return;
    core_->run(frames, false);
    if (core_->relay->hasPending()) core_->relay->wakeFromGui();
}

void BenchSoundCard::deliverNotifications() {
    core_->relay->deliver();
}

std::uint64_t BenchSoundCard::frameCount() const {
    std::lock_guard lock(core_->mutex);
    return core_->frame;
}

BenchMixer& BenchSoundCard::mixer(int id) {
    return *core_->mixers.at(static_cast<std::size_t>(id));
}

std::string BenchSoundCard::cardIdentity() const {
    const BenchOptions& o = core_->options;
    if (o.voltageSensitivity == 1.0 && o.currentSensitivity == 1.0 && o.outputSensitivity == 1.0)
        return "bench";
    char text[96];
    std::snprintf(text, sizeof text, "bench %g:%g output %g", o.voltageSensitivity,
                  o.currentSensitivity, o.outputSensitivity);
    return text;
}

const Circuit& BenchSoundCard::circuit() const {
    return core_->options.circuit;
}

void BenchSoundCard::failOperation(Operation operation, MMResult code, int afterSuccesses) {
    core_->faults[static_cast<std::size_t>(operation)] = {code, std::max(afterSuccesses, 0)};
}

void BenchSoundCard::stall(Direction direction, bool stalled) {
    std::lock_guard lock(core_->mutex);
    (direction == Direction::input ? core_->input : core_->output).stalled = stalled;
}

void BenchSoundCard::removeDevice(Direction direction) {
    {
        std::lock_guard lock(core_->mutex);
        auto& s = direction == Direction::input ? core_->input : core_->output;
        s.absent = true;
        if (!s.key || s.removed) return;
        core_->returnAll(s,
                         direction == Direction::input ? message::inputData : message::outputDone);
        s.removed = true;
        s.running = false;
    }
    core_->relay->wakeFromGui();
}

void BenchSoundCard::restoreDevice(Direction direction) {
    std::lock_guard lock(core_->mutex);
    (direction == Direction::input ? core_->input : core_->output).absent = false;
}

} // namespace platform::bench
