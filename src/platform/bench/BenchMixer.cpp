#include "platform/bench/BenchMixer.h"

#include "core/TruncatedText.h"

#include <QCoreApplication>
#include <algorithm>
#include <deque>
#include <mutex>

namespace platform::bench {

namespace {

constexpr MMResult readFault = error::unspecified;

// How a control's 4-byte words are read: as signed numbers, as booleans or
// as unsigned numbers.
enum class Encoding { signedValue, booleanValue, unsignedValue };

Encoding encodingOf(std::uint32_t type) {
    if (type == controlType::signedMeter || type == controlType::signedNumber ||
        (type >= 0x40000000u && type <= 0x4FFFFFFFu))
        return Encoding::signedValue;
    if (type >= 0x70000000u || type == controlType::booleanMeter ||
        (type >= 0x20000000u && type <= 0x2FFFFFFFu))
        return Encoding::booleanValue;
    return Encoding::unsignedValue;
}

} // namespace

class BenchMixerHandle;

struct BenchMixer::State {
    struct Control {
        std::uint32_t id = 0;
        ControlSpec spec;
        std::uint32_t channels = 1;      // of its line
        std::uint32_t items = 0;         // 0 for a plain control
        std::vector<std::uint32_t> data; // channels * max(items, 1)

        std::uint32_t itemSlots() const { return std::max<std::uint32_t>(items, 1); }
        std::uint32_t at(std::uint32_t item, std::uint32_t channel) const {
            return data[item * channels + channel];
        }
    };
    struct Line {
        std::uint32_t destination = 0;
        std::int32_t source = -1; // -1: the destination itself
        std::uint32_t id = 0;
        std::uint32_t destinationType = 0; // component type of its destination
        LineSpec spec;                     // controls are moved into `controls`
        std::uint32_t connections = 0;
        std::vector<std::size_t> controls; // indexes into State::controls
    };

    std::function<void()> beforeChange; // set before other threads use the mixer
    mutable std::mutex mutex;
    MixerCaps caps;
    bool capsFail = false;
    bool openFails = false;
    std::vector<Line> lines;                   // destination, its sources, next destination ...
    std::vector<std::size_t> destinationLines; // destination -> line
    std::vector<std::vector<std::size_t>> sourceLines; // destination, source -> line
    std::vector<Control> controls;
    std::vector<BenchMixerHandle*> handles;
    std::deque<Write> writes; // the most recent keptWrites

    const Line* lineById(std::uint32_t id) const {
        for (const auto& line : lines)
            if (line.id == id) return &line;
        return nullptr;
    }
    Control* controlById(std::uint32_t id) {
        if (id == 0 || id > controls.size()) return nullptr;
        return &controls[id - 1];
    }

    static MixerLine describe(const Line& line) {
        MixerLine out;
        out.destination = line.destination;
        out.source = line.source < 0 ? 0 : static_cast<std::uint32_t>(line.source);
        out.lineId = line.id;
        out.flags = line.spec.flags | (line.source >= 0 ? lineFlag::source : 0);
        out.componentType = line.spec.componentType;
        out.channels = line.spec.channels;
        out.connections = line.connections;
        out.controls = static_cast<std::uint32_t>(line.controls.size());
        out.shortName = truncated(line.spec.shortName, 15);
        out.name = truncated(line.spec.name, 63);
        return out;
    }

    // Checks a value request against the control's shape.
    static MMResult checkShape(const Control& control, std::uint32_t channels,
                               std::uint32_t items) {
        if (items != control.items) return error::invalidParam;
        if (channels != 1 && channels != control.channels) return error::invalidParam;
        // A uniform control has one value for all channels and takes exactly one.
        if ((control.spec.flags & controlFlag::uniform) && channels != 1)
            return error::invalidParam;
        return error::ok;
    }

    std::uint32_t clampToBounds(const Control& control, std::uint32_t value) const {
        switch (encodingOf(control.spec.type)) {
        case Encoding::booleanValue:
            return value != 0 ? 1u : 0u;
        case Encoding::signedValue: {
            const std::int64_t v = static_cast<std::int32_t>(value);
            const auto c = std::clamp(v, control.spec.minimum, control.spec.maximum);
            return static_cast<std::uint32_t>(static_cast<std::int32_t>(c));
        }
        case Encoding::unsignedValue: {
            const std::int64_t v = value;
            return static_cast<std::uint32_t>(
                std::clamp(v, control.spec.minimum, control.spec.maximum));
        }
        }
        return value;
    }

    // Stores values given per channel (channels == line channels) or one per
    // item for all channels alike (channels == 1).
    void store(Control& control, std::uint32_t channels, const std::vector<std::uint32_t>& values) {
        for (std::uint32_t item = 0; item < control.itemSlots(); ++item)
            for (std::uint32_t c = 0; c < control.channels; ++c) {
                const auto given = values[item * channels + (channels == 1 ? 0 : c)];
                control.data[item * control.channels + c] = clampToBounds(control, given);
            }
    }

    void notifyAll(std::uint32_t controlId); // under the mutex

    // Level of a line as a fraction of full scale: its first level control's
    // first channel, 0 while its mute is on, 1 when it has no level control.
    double levelOf(const Line& line) const {
        double level = 1.0;
        bool levelFound = false;
        for (auto index : line.controls) {
            const auto& control = controls[index];
            const auto type = control.spec.type;
            if (type == controlType::mute) {
                if (control.at(0, 0) != 0) return 0.0;
            } else if (!levelFound && type == controlType::volume) {
                levelFound = true;
                level = static_cast<double>(control.at(0, 0)) / 65535.0;
            }
        }
        return level;
    }

    const Line* firstDestination(std::uint32_t type) const {
        for (auto index : destinationLines)
            if (lines[index].spec.componentType == type) return &lines[index];
        return nullptr;
    }
    const Line* sourceOf(const Line& destination, std::uint32_t type) const {
        for (auto index : sourceLines[destination.destination])
            if (lines[index].spec.componentType == type) return &lines[index];
        return nullptr;
    }
};

class BenchMixerHandle : public Mixer {
public:
    BenchMixerHandle(std::shared_ptr<BenchMixer::State> state, QObject* notify)
        : state_(std::move(state)), notify_(notify) {}
    ~BenchMixerHandle() override {
        std::lock_guard lock(state_->mutex);
        auto& handles = state_->handles;
        handles.erase(std::remove(handles.begin(), handles.end(), this), handles.end());
    }

    QObject* notify() const { return notify_; }

    MMResult lineInfo(std::uint32_t destination, MixerLine& line) override {
        std::lock_guard lock(state_->mutex);
        if (destination >= state_->destinationLines.size()) return error::badLineId;
        const auto& found = state_->lines[state_->destinationLines[destination]];
        if (found.spec.failsToRead) return readFault;
        line = BenchMixer::State::describe(found);
        return error::ok;
    }

    MMResult lineInfo(std::uint32_t destination, std::uint32_t source, MixerLine& line) override {
        std::lock_guard lock(state_->mutex);
        if (destination >= state_->sourceLines.size()) return error::badLineId;
        const auto& sources = state_->sourceLines[destination];
        if (source >= sources.size()) return error::badLineId;
        const auto& found = state_->lines[sources[source]];
        if (found.spec.failsToRead) return readFault;
        line = BenchMixer::State::describe(found);
        return error::ok;
    }

    MMResult lineControls(std::uint32_t lineId, std::vector<MixerControl>& out) override {
        std::lock_guard lock(state_->mutex);
        const auto* line = state_->lineById(lineId);
        if (!line) return error::badLineId;
        if (line->spec.controlsFailToRead) return readFault;
        out.clear();
        for (auto index : line->controls) {
            const auto& control = state_->controls[index];
            MixerControl record;
            record.controlId = control.id;
            record.controlType = control.spec.type;
            record.flags = control.spec.flags;
            record.multipleItems = control.items;
            record.minimum = control.spec.minimum;
            record.maximum = control.spec.maximum;
            record.steps = control.spec.steps;
            record.shortName = truncated(control.spec.shortName, 15);
            record.name = truncated(control.spec.name, 63);
            out.push_back(std::move(record));
        }
        return error::ok;
    }

    MMResult getValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                       std::vector<std::uint32_t>& values) override {
        std::lock_guard lock(state_->mutex);
        auto* control = state_->controlById(controlId);
        if (!control) return error::badControlId;
        if (control->spec.failsToRead) return readFault;
        // Reading a uniform control with all its channels is allowed: each
        // channel reads the common value.
        if (items != control->items || (channels != 1 && channels != control->channels))
            return error::invalidParam;
        values.assign(static_cast<std::size_t>(channels) * control->itemSlots(), 0);
        for (std::uint32_t item = 0; item < control->itemSlots(); ++item)
            for (std::uint32_t c = 0; c < channels; ++c)
                values[item * channels + c] = control->at(item, c);
        return error::ok;
    }

    MMResult setValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                       const std::vector<std::uint32_t>& values) override {
        if (state_->beforeChange) state_->beforeChange();
        std::lock_guard lock(state_->mutex);
        const auto result = apply(controlId, channels, items, values);
        state_->writes.push_back({controlId, channels, items, values, result});
        if (state_->writes.size() > BenchMixer::keptWrites) state_->writes.pop_front();
        if (result == error::ok) state_->notifyAll(controlId);
        return result;
    }

private:
    // Under the mutex.
    MMResult apply(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                   const std::vector<std::uint32_t>& values) {
        auto* control = state_->controlById(controlId);
        if (!control) return error::badControlId;
        if (control->spec.failsToApply) return readFault;
        if (const auto shape = BenchMixer::State::checkShape(*control, channels, items);
            shape != error::ok)
            return shape;
        if (values.size() != static_cast<std::size_t>(channels) * control->itemSlots())
            return error::invalidParam;
        state_->store(*control, channels, values);
        return error::ok;
    }

    std::shared_ptr<BenchMixer::State> state_;
    QObject* notify_;
};

void BenchMixer::State::notifyAll(std::uint32_t controlId) {
    // Posted under the mutex, so that a handle being destroyed on another
    // thread cannot be posted for after its destructor has run.
    for (auto* handle : handles)
        if (handle->notify())
            QCoreApplication::postEvent(handle->notify(),
                                        new DeviceEvent(message::mixerControlChange,
                                                        static_cast<const Mixer*>(handle), nullptr,
                                                        controlId));
}

BenchMixer::BenchMixer(MixerSpec spec) : state_(std::make_shared<State>()) {
    auto& s = *state_;
    s.caps.productName = truncated(spec.productName, 31);
    s.caps.destinations = static_cast<std::uint32_t>(spec.destinations.size());
    s.capsFail = spec.capsFail;
    s.openFails = spec.openFails;

    auto addLine = [&s](LineSpec line, std::uint32_t destination, std::int32_t source,
                        std::uint32_t destinationType, std::uint32_t connections) {
        State::Line entry;
        entry.destination = destination;
        entry.source = source;
        // Destination d has ID d; its source s has ID (s + 1) << 16 | d.
        entry.id =
            source < 0 ? destination : (static_cast<std::uint32_t>(source + 1) << 16) | destination;
        entry.destinationType = destinationType;
        entry.connections = connections;
        const auto channels = std::max<std::uint32_t>(line.channels, 1);
        line.channels = channels;
        for (auto& control : line.controls) {
            State::Control made;
            made.id = static_cast<std::uint32_t>(s.controls.size() + 1);
            made.channels = channels;
            made.items = (control.flags & controlFlag::multiple) ? control.items : 0;
            made.data.assign(static_cast<std::size_t>(channels) * made.itemSlots(), 0);
            const auto& initial = control.values;
            for (std::size_t i = 0; i < made.data.size() && i < initial.size(); ++i)
                made.data[i] = initial[i];
            // A uniform control holds one value for every channel.
            if (control.flags & controlFlag::uniform)
                for (std::uint32_t item = 0; item < made.itemSlots(); ++item)
                    for (std::uint32_t c = 1; c < channels; ++c)
                        made.data[item * channels + c] = made.data[item * channels];
            made.spec = std::move(control);
            made.spec.values.clear();
            entry.controls.push_back(s.controls.size());
            s.controls.push_back(std::move(made));
        }
        line.controls.clear();
        entry.spec = std::move(line);
        s.lines.push_back(std::move(entry));
        return s.lines.size() - 1;
    };

    for (std::uint32_t d = 0; d < spec.destinations.size(); ++d) {
        auto& destination = spec.destinations[d];
        const auto type = destination.line.componentType;
        s.destinationLines.push_back(
            addLine(std::move(destination.line), d, -1, type,
                    static_cast<std::uint32_t>(destination.sources.size())));
        s.sourceLines.emplace_back();
        for (std::uint32_t i = 0; i < destination.sources.size(); ++i)
            s.sourceLines.back().push_back(addLine(std::move(destination.sources[i]), d,
                                                   static_cast<std::int32_t>(i), type, 0));
    }
}

BenchMixer::~BenchMixer() = default;

MMResult BenchMixer::caps(MixerCaps& caps) const {
    std::lock_guard lock(state_->mutex);
    if (state_->capsFail) return error::unspecified;
    caps = state_->caps;
    return error::ok;
}

MMResult BenchMixer::open(QObject* notify, std::unique_ptr<Mixer>& mixer) {
    std::lock_guard lock(state_->mutex);
    if (state_->openFails) return error::allocated;
    auto handle = std::make_unique<BenchMixerHandle>(state_, notify);
    state_->handles.push_back(handle.get());
    mixer = std::move(handle);
    return error::ok;
}

SignalLevels BenchMixer::signalLevels() const {
    std::lock_guard lock(state_->mutex);
    const auto& s = *state_;
    SignalLevels levels;
    if (const auto* speakers = s.firstDestination(lineType::destinationSpeakers)) {
        levels.master = s.levelOf(*speakers);
        if (const auto* waveOut = s.sourceOf(*speakers, lineType::sourceWaveOut))
            levels.waveOut = s.levelOf(*waveOut);
    }
    if (const auto* recording = s.firstDestination(lineType::destinationWaveIn)) {
        // The recording destination's own level (when it has one) acts on
        // every input it records.
        const double destinationLevel = s.levelOf(*recording);
        const auto* line = s.sourceOf(*recording, lineType::sourceLine);
        if (!line) {
            levels.lineSelected = false;
            levels.lineRecording = 0.0;
            return levels;
        }
        levels.lineRecording = s.levelOf(*line) * destinationLevel;
        for (auto index : recording->controls) {
            const auto& control = s.controls[index];
            if ((control.spec.flags & controlFlag::multiple) && control.spec.type >= 0x70000000u) {
                const auto item = static_cast<std::uint32_t>(line->source);
                levels.lineSelected = item < control.items && control.at(item, 0) != 0;
                break;
            }
        }
    }
    return levels;
}

std::vector<std::uint32_t> BenchMixer::values(std::uint32_t controlId) const {
    std::lock_guard lock(state_->mutex);
    const auto* control = state_->controlById(controlId);
    return control ? control->data : std::vector<std::uint32_t>{};
}

std::uint32_t BenchMixer::findControl(std::uint32_t componentType, std::uint32_t type,
                                      std::uint32_t destinationType) const {
    std::lock_guard lock(state_->mutex);
    for (const auto& line : state_->lines) {
        if (line.spec.componentType != componentType) continue;
        if (destinationType != 0 && line.destinationType != destinationType) continue;
        for (auto index : line.controls)
            if (state_->controls[index].spec.type == type) return state_->controls[index].id;
    }
    return 0;
}

MMResult BenchMixer::setValues(std::uint32_t controlId, const std::vector<std::uint32_t>& values) {
    if (state_->beforeChange) state_->beforeChange();
    std::lock_guard lock(state_->mutex);
    auto* control = state_->controlById(controlId);
    if (!control) return error::badControlId;
    std::uint32_t channels = 0;
    if (values.size() == control->data.size())
        channels = control->channels;
    else if (values.size() == control->itemSlots())
        channels = 1;
    else
        return error::invalidParam;
    state_->store(*control, channels, values);
    state_->notifyAll(controlId);
    return error::ok;
}

void BenchMixer::setBeforeChange(std::function<void()> beforeChange) {
    state_->beforeChange = std::move(beforeChange);
}

std::vector<BenchMixer::Write> BenchMixer::writes() const {
    std::lock_guard lock(state_->mutex);
    return {state_->writes.begin(), state_->writes.end()};
}

void BenchMixer::clearWrites() {
    std::lock_guard lock(state_->mutex);
    state_->writes.clear();
}

int BenchMixer::openHandles() const {
    std::lock_guard lock(state_->mutex);
    return static_cast<int>(state_->handles.size());
}

namespace {

ControlSpec level(std::uint32_t left, std::uint32_t right, std::uint32_t flags = 0) {
    ControlSpec control;
    control.type = controlType::volume;
    control.flags = flags;
    control.shortName = "Volume";
    control.name = "Volume";
    control.values = {left, right};
    return control;
}

LineSpec line(std::uint32_t type, const std::string& name, std::vector<ControlSpec> controls,
              std::uint32_t channels = 2) {
    LineSpec spec;
    spec.componentType = type;
    spec.channels = channels;
    spec.shortName = name;
    spec.name = name;
    spec.controls = std::move(controls);
    return spec;
}

} // namespace

MixerSpec defaultBenchMixerSpec() {
    MixerSpec spec;

    // Playback side. Start values are mid levels, so that a program that
    // sets the mixer up visibly changes them.
    DestinationSpec speakers;
    ControlSpec mute;
    mute.type = controlType::mute;
    mute.flags = controlFlag::uniform;
    mute.minimum = 0;
    mute.maximum = 1;
    mute.steps = 1;
    mute.shortName = "Mute";
    mute.name = "Master Mute";
    speakers.line = line(lineType::destinationSpeakers, "Speakers", {level(40000, 40000), mute});
    speakers.sources = {
        line(lineType::sourceWaveOut, "Wave", {level(30000, 30000)}),
        line(lineType::sourceLine, "Line In", {level(20000, 20000)}),
        line(lineType::sourceCompactDisc, "CD Audio", {level(20000, 20000)}),
        line(lineType::sourceMicrophone, "Microphone", {level(20000, 20000)}, 1),
        line(lineType::sourceAuxiliary, "Aux", {level(20000, 20000)}),
    };
    spec.destinations.push_back(std::move(speakers));

    // Recording side: a multiplexer over the inputs, items in source order,
    // the microphone selected at first.
    DestinationSpec recording;
    ControlSpec mux;
    mux.type = controlType::mux;
    mux.flags = controlFlag::uniform | controlFlag::multiple;
    mux.items = 5;
    mux.minimum = 0;
    mux.maximum = 1;
    mux.steps = 1;
    mux.shortName = "Source";
    mux.name = "Recording Source";
    mux.values = {0, 0, 1, 1, 0, 0, 0, 0, 0, 0}; // two channels per item
    recording.line = line(lineType::destinationWaveIn, "Recording", {mux});
    // The line input's level is uniform: the measurement's gain switch sets
    // the first channel only and relies on both channels following it.
    recording.sources = {
        line(lineType::sourceLine, "Line In", {level(30000, 30000, controlFlag::uniform)}),
        line(lineType::sourceMicrophone, "Microphone", {level(50000, 50000)}, 1),
        line(lineType::sourceCompactDisc, "CD Audio", {level(40000, 40000)}),
        line(lineType::sourceAuxiliary, "Aux", {level(40000, 40000)}),
        line(lineType::sourceTelephone, "Phone", {level(40000, 40000)}, 1),
    };
    spec.destinations.push_back(std::move(recording));
    return spec;
}

} // namespace platform::bench
