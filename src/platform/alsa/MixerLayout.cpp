#include "platform/alsa/MixerLayout.h"

#include "core/TruncatedText.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace platform::alsa {

namespace {

constexpr const char* playbackMasters[] = {"Master", "Speaker", "Headphone", "PCM", "Front"};
constexpr const char* selectorNames[] = {"Input Source", "Capture Source", "Record Source",
                                         "Capture Input Source", "Input Select"};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::uint32_t roleCode(ControlRole role) {
    return static_cast<std::uint32_t>(role) + 1;
}

// Stable IDs: the element's place in the list and the control's role.
std::uint32_t controlIdOf(std::ptrdiff_t element, ControlRole role) {
    return static_cast<std::uint32_t>(element + 1) * 8 + roleCode(role);
}

std::uint32_t sourceLineId(std::size_t destination, std::size_t source) {
    return static_cast<std::uint32_t>(((source + 1) << 16) | destination);
}

bool hasPlayback(const ElementDescription& e) {
    return e.enumItems.empty() && (e.playback.volume || e.playback.hasSwitch);
}

bool hasCapture(const ElementDescription& e) {
    return e.enumItems.empty() && (e.capture.volume || e.capture.hasSwitch);
}

bool isBoost(const ElementDescription& e) {
    return isBoostName(e.name);
}

LayoutControl volumeControl(const ElementDescription& e, std::ptrdiff_t index, ControlRole role,
                            bool uniform) {
    const ElementSide& side = role == ControlRole::playbackVolume ? e.playback : e.capture;
    LayoutControl c;
    c.role = role;
    c.element = index;
    c.control.controlId = controlIdOf(index, role);
    c.control.controlType = controlType::volume;
    c.control.flags = uniform ? controlFlag::uniform : 0;
    c.control.minimum = 0;
    c.control.maximum = 65535;
    c.control.steps = static_cast<std::uint32_t>(std::max(1L, side.maximum - side.minimum));
    c.control.shortName = "Volume";
    c.control.name = truncated(e.name + " Volume", 63);
    return c;
}

LayoutControl muteControl(const ElementDescription& e, std::ptrdiff_t index, ControlRole role,
                          bool uniform) {
    LayoutControl c;
    c.role = role;
    c.element = index;
    c.control.controlId = controlIdOf(index, role);
    c.control.controlType = controlType::mute;
    c.control.flags = uniform ? controlFlag::uniform : 0;
    c.control.minimum = 0;
    c.control.maximum = 1;
    c.control.steps = 1;
    c.control.shortName = "Mute";
    c.control.name = truncated(e.name + " Mute", 63);
    return c;
}

LayoutControl selectorControl(ControlRole role, std::ptrdiff_t element, std::size_t items,
                              const std::string& name) {
    LayoutControl c;
    c.role = role;
    c.element = element;
    c.control.controlId = controlIdOf(element, role);
    c.control.controlType = controlType::mux;
    c.control.flags = controlFlag::uniform | controlFlag::multiple;
    c.control.multipleItems = static_cast<std::uint32_t>(items);
    c.control.minimum = 0;
    c.control.maximum = 1;
    c.control.steps = 1;
    c.control.shortName = "Source";
    c.control.name = truncated(name, 63);
    return c;
}

MixerLine lineRecord(const std::string& name, std::uint32_t type, std::uint32_t channels,
                     std::uint32_t flags) {
    MixerLine line;
    line.flags = lineFlag::active | flags;
    line.componentType = type;
    line.channels = std::max<std::uint32_t>(channels, 1);
    line.shortName = truncated(name, 15);
    line.name = truncated(name, 63);
    return line;
}

// The playback controls of an element: level, then mute.
void addPlaybackControls(LayoutLine& line, const ElementDescription& e, std::ptrdiff_t index) {
    const bool mono = e.playback.channels <= 1;
    if (e.playback.volume)
        line.controls.push_back(
            volumeControl(e, index, ControlRole::playbackVolume, mono || e.playback.volumeJoined));
    if (e.playback.hasSwitch)
        line.controls.push_back(
            muteControl(e, index, ControlRole::playbackMute, mono || e.playback.switchJoined));
}

void addCaptureLevel(LayoutLine& line, const ElementDescription& e, std::ptrdiff_t index) {
    if (e.capture.volume)
        line.controls.push_back(volumeControl(e, index, ControlRole::captureVolume, true));
}

void addCaptureMute(LayoutLine& line, const ElementDescription& e, std::ptrdiff_t index) {
    if (e.capture.hasSwitch)
        line.controls.push_back(muteControl(e, index, ControlRole::captureMute, true));
}

std::optional<std::size_t> findCaptureMaster(const std::vector<ElementDescription>& elements) {
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (elements[i].name == "Capture" && hasCapture(elements[i])) return i;
    return std::nullopt;
}

std::optional<std::size_t> findSelector(const std::vector<ElementDescription>& elements) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto& e = elements[i];
        if (e.enumItems.empty()) continue;
        const bool named = std::find(std::begin(selectorNames), std::end(selectorNames), e.name) !=
                           std::end(selectorNames);
        if (named || e.enumCapture) return i;
    }
    return std::nullopt;
}

std::optional<LayoutDestination>
playbackDestination(const std::vector<ElementDescription>& elements) {
    const auto master = playbackMaster(elements);
    LayoutDestination d;
    const std::uint32_t channels = master ? elements[*master].playback.channels : 2;
    d.line.line = lineRecord("Playback", lineType::destinationSpeakers, channels, 0);
    if (master)
        addPlaybackControls(d.line, elements[*master], static_cast<std::ptrdiff_t>(*master));
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto& e = elements[i];
        // A boost on the capture side stands here too, as a line of its own.
        const bool captureBoost = !hasPlayback(e) && isBoost(e) && hasCapture(e);
        if ((!hasPlayback(e) && !captureBoost) || (master && i == *master)) continue;
        LayoutLine source;
        source.line =
            lineRecord(e.name, lineTypeOfName(e.name),
                       captureBoost ? e.capture.channels : e.playback.channels, lineFlag::source);
        if (captureBoost)
            addCaptureLevel(source, e, static_cast<std::ptrdiff_t>(i));
        else
            addPlaybackControls(source, e, static_cast<std::ptrdiff_t>(i));
        d.sources.push_back(std::move(source));
    }
    if (!master && d.sources.empty()) return std::nullopt;
    return d;
}

struct Input {
    std::string name;
    std::ptrdiff_t element = -1;
};

std::optional<LayoutDestination>
captureDestination(const std::vector<ElementDescription>& elements) {
    const auto master = findCaptureMaster(elements);
    const auto selector = findSelector(elements);
    std::vector<std::size_t> inputElements;
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (hasCapture(elements[i]) && !isBoost(elements[i]) && !(master && i == *master))
            inputElements.push_back(i);
    if (!master && !selector && inputElements.empty()) return std::nullopt;

    // The inputs, in the order the multiplexer lists them.
    std::vector<Input> inputs;
    if (selector) {
        for (const auto& item : elements[*selector].enumItems) {
            Input input{item, -1};
            for (auto i : inputElements)
                if (elements[i].name == item) {
                    input.element = static_cast<std::ptrdiff_t>(i);
                    break;
                }
            inputs.push_back(input);
        }
        // Capture elements that are no item of the enumeration come last.
        for (auto i : inputElements)
            if (std::none_of(inputs.begin(), inputs.end(), [i](const Input& in) {
                    return in.element == static_cast<std::ptrdiff_t>(i);
                }))
                inputs.push_back({elements[i].name, static_cast<std::ptrdiff_t>(i)});
    } else {
        for (auto i : inputElements)
            inputs.push_back({elements[i].name, static_cast<std::ptrdiff_t>(i)});
    }
    const bool switchesSelect =
        !selector && std::any_of(inputs.begin(), inputs.end(), [&](const Input& in) {
            return elements[static_cast<std::size_t>(in.element)].capture.hasSwitch;
        });

    LayoutDestination d;
    const bool masterIsTheInput = master && inputs.empty();
    const std::uint32_t channels =
        master && !masterIsTheInput ? elements[*master].capture.channels : 2;
    d.line.line = lineRecord("Capture", lineType::destinationWaveIn, channels, 0);
    if (masterIsTheInput)
        inputs.push_back({elements[*master].name, static_cast<std::ptrdiff_t>(*master)});

    if (selector) {
        d.line.controls.push_back(
            selectorControl(ControlRole::selectorEnum, static_cast<std::ptrdiff_t>(*selector),
                            elements[*selector].enumItems.size(), elements[*selector].name));
    } else if (switchesSelect) {
        auto mux =
            selectorControl(ControlRole::selectorSwitches, -1, inputs.size(), "Capture Source");
        for (const auto& in : inputs)
            mux.itemElements.push_back(
                elements[static_cast<std::size_t>(in.element)].capture.hasSwitch ? in.element : -1);
        d.line.controls.push_back(std::move(mux));
    }
    if (master && !masterIsTheInput) {
        addCaptureLevel(d.line, elements[*master], static_cast<std::ptrdiff_t>(*master));
        addCaptureMute(d.line, elements[*master], static_cast<std::ptrdiff_t>(*master));
    }

    for (const auto& in : inputs) {
        const std::uint32_t type =
            inputs.size() == 1 ? lineType::sourceLine : lineTypeOfName(in.name);
        LayoutLine source;
        if (in.element < 0) {
            source.line = lineRecord(in.name, type, channels, lineFlag::source);
        } else {
            const auto& e = elements[static_cast<std::size_t>(in.element)];
            source.line = lineRecord(in.name, type, e.capture.channels, lineFlag::source);
            addCaptureLevel(source, e, in.element);
            // A switch that selects the input is the multiplexer's, not a mute.
            if (!switchesSelect) addCaptureMute(source, e, in.element);
        }
        d.sources.push_back(std::move(source));
    }
    return d;
}

void numberLines(MixerLayout& layout) {
    for (std::size_t d = 0; d < layout.destinations.size(); ++d) {
        auto& destination = layout.destinations[d];
        auto& line = destination.line.line;
        line.destination = static_cast<std::uint32_t>(d);
        line.lineId = static_cast<std::uint32_t>(d);
        line.connections = static_cast<std::uint32_t>(destination.sources.size());
        line.controls = static_cast<std::uint32_t>(destination.line.controls.size());
        for (std::size_t s = 0; s < destination.sources.size(); ++s) {
            auto& source = destination.sources[s];
            source.line.destination = static_cast<std::uint32_t>(d);
            source.line.source = static_cast<std::uint32_t>(s);
            source.line.lineId = sourceLineId(d, s);
            source.line.controls = static_cast<std::uint32_t>(source.controls.size());
            for (auto& c : source.controls)
                c.lineChannels = source.line.channels;
        }
        for (auto& c : destination.line.controls)
            c.lineChannels = line.channels;
    }
}

template <class F> void forEachLine(const MixerLayout& layout, F f) {
    for (const auto& destination : layout.destinations) {
        f(destination.line);
        for (const auto& source : destination.sources)
            f(source);
    }
}

} // namespace

std::optional<std::size_t> playbackMaster(const std::vector<ElementDescription>& elements) {
    for (const char* name : playbackMasters)
        for (std::size_t i = 0; i < elements.size(); ++i)
            if (elements[i].name == name && hasPlayback(elements[i])) return i;
    return std::nullopt;
}

std::uint32_t lineTypeOfName(const std::string& name) {
    std::string n = lower(name);
    if (n.size() >= 5 && n.compare(n.size() - 5, 5, "boost") == 0) return lineType::sourceUndefined;
    for (const char* place : {"front ", "rear ", "internal ", "int ", "headset ", "headphone ",
                              "dock ", "ext ", "external "}) {
        const std::string p = place;
        if (n.rfind(p, 0) == 0) {
            n = n.substr(p.size());
            break;
        }
    }
    struct Name {
        const char* text;
        std::uint32_t type;
    };
    static const Name names[] = {
        {"line", lineType::sourceLine},
        {"line in", lineType::sourceLine},
        {"line-in", lineType::sourceLine},
        {"linein", lineType::sourceLine},
        {"mic", lineType::sourceMicrophone},
        {"mic1", lineType::sourceMicrophone},
        {"mic2", lineType::sourceMicrophone},
        {"mic in", lineType::sourceMicrophone},
        {"microphone", lineType::sourceMicrophone},
        {"cd", lineType::sourceCompactDisc},
        {"aux", lineType::sourceAuxiliary},
        {"aux in", lineType::sourceAuxiliary},
        {"phone", lineType::sourceTelephone},
        {"pc speaker", lineType::sourcePcSpeaker},
        {"beep", lineType::sourcePcSpeaker},
        {"pc beep", lineType::sourcePcSpeaker},
        {"synth", lineType::sourceSynthesizer},
        {"fm", lineType::sourceSynthesizer},
        {"wavetable", lineType::sourceSynthesizer},
        {"midi", lineType::sourceSynthesizer},
        {"pcm", lineType::sourceWaveOut},
        {"wave", lineType::sourceWaveOut},
        {"dac", lineType::sourceWaveOut},
        {"video", lineType::sourceAnalog},
    };
    for (const auto& entry : names)
        if (n == entry.text) return entry.type;
    return lineType::sourceUndefined;
}

MixerLayout mapElements(const std::vector<ElementDescription>& elements) {
    MixerLayout layout;
    if (auto playback = playbackDestination(elements))
        layout.destinations.push_back(std::move(*playback));
    if (auto capture = captureDestination(elements))
        layout.destinations.push_back(std::move(*capture));
    numberLines(layout);
    return layout;
}

const LayoutControl* MixerLayout::control(std::uint32_t controlId) const {
    const LayoutControl* found = nullptr;
    forEachLine(*this, [&](const LayoutLine& line) {
        for (const auto& c : line.controls)
            if (!found && c.control.controlId == controlId) found = &c;
    });
    return found;
}

const LayoutLine* MixerLayout::line(std::uint32_t lineId) const {
    const LayoutLine* found = nullptr;
    forEachLine(*this, [&](const LayoutLine& line) {
        if (!found && line.line.lineId == lineId) found = &line;
    });
    return found;
}

std::vector<std::uint32_t> MixerLayout::controlsOf(std::size_t element) const {
    const auto e = static_cast<std::ptrdiff_t>(element);
    std::vector<std::uint32_t> ids;
    forEachLine(*this, [&](const LayoutLine& line) {
        for (const auto& c : line.controls) {
            const bool lists =
                std::find(c.itemElements.begin(), c.itemElements.end(), e) != c.itemElements.end();
            if (c.element == e || lists) ids.push_back(c.control.controlId);
        }
    });
    return ids;
}

bool isBoostName(const std::string& name) {
    const std::string n = lower(name);
    return n.size() >= 5 && n.compare(n.size() - 5, 5, "boost") == 0;
}

} // namespace platform::alsa
