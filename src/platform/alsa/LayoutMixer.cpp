#include "platform/alsa/LayoutMixer.h"

#include <QCoreApplication>
#include <algorithm>

namespace platform::alsa {

namespace {

Side sideOf(ControlRole role) {
    return role == ControlRole::playbackVolume || role == ControlRole::playbackMute ? Side::playback
                                                                                    : Side::capture;
}

// A request for `channels` values per item is one the control can take.
MMResult checkShape(const LayoutControl& c, std::uint32_t channels, std::uint32_t items) {
    if (items != c.control.multipleItems) return error::invalidParam;
    if (channels != 1 && channels != c.lineChannels) return error::invalidParam;
    return error::ok;
}

std::uint32_t itemSlots(const LayoutControl& c) {
    return std::max<std::uint32_t>(c.control.multipleItems, 1);
}

} // namespace

LayoutMixer::LayoutMixer(MixerLayout layout, std::shared_ptr<ElementStore> store, QObject* notify)
    : layout_(std::move(layout)), store_(std::move(store)), notify_(notify) {
    store_->watch([this](std::size_t element) { elementChanged(element); });
}

LayoutMixer::~LayoutMixer() {
    store_->watch({});
}

MMResult LayoutMixer::lineInfo(std::uint32_t destination, MixerLine& line) {
    if (destination >= layout_.destinations.size()) return error::badLineId;
    line = layout_.destinations[destination].line.line;
    return error::ok;
}

MMResult LayoutMixer::lineInfo(std::uint32_t destination, std::uint32_t source, MixerLine& line) {
    if (destination >= layout_.destinations.size()) return error::badLineId;
    const auto& sources = layout_.destinations[destination].sources;
    if (source >= sources.size()) return error::badLineId;
    line = sources[source].line;
    return error::ok;
}

MMResult LayoutMixer::lineControls(std::uint32_t lineId, std::vector<MixerControl>& controls) {
    const auto* line = layout_.line(lineId);
    if (!line) return error::badLineId;
    controls.clear();
    for (const auto& c : line->controls)
        controls.push_back(c.control);
    return error::ok;
}

MMResult LayoutMixer::getValues(std::uint32_t controlId, std::uint32_t channels,
                                std::uint32_t items, std::vector<std::uint32_t>& values) {
    const auto* c = layout_.control(controlId);
    if (!c) return error::badControlId;
    if (const auto shape = checkShape(*c, channels, items)) return shape;
    values.assign(static_cast<std::size_t>(channels) * itemSlots(*c), 0);
    const auto element = static_cast<std::size_t>(std::max<std::ptrdiff_t>(c->element, 0));
    const Side side = sideOf(c->role);
    switch (c->role) {
    case ControlRole::playbackVolume:
    case ControlRole::captureVolume:
        for (std::uint32_t ch = 0; ch < channels; ++ch)
            if (const auto r = store_->level(element, side, ch, values[ch])) return r;
        return error::ok;
    case ControlRole::playbackMute:
    case ControlRole::captureMute:
        for (std::uint32_t ch = 0; ch < channels; ++ch) {
            bool on = true;
            if (const auto r = store_->switchOn(element, side, ch, on)) return r;
            values[ch] = on ? 0 : 1;
        }
        return error::ok;
    case ControlRole::selectorEnum: {
        std::uint32_t selected = 0;
        if (const auto r = store_->enumItem(element, selected)) return r;
        for (std::uint32_t i = 0; i < itemSlots(*c); ++i)
            for (std::uint32_t ch = 0; ch < channels; ++ch)
                values[i * channels + ch] = i == selected ? 1 : 0;
        return error::ok;
    }
    case ControlRole::selectorSwitches:
        for (std::uint32_t i = 0; i < itemSlots(*c) && i < c->itemElements.size(); ++i) {
            bool on = true; // an input without a switch is always recorded
            if (c->itemElements[i] >= 0)
                if (const auto r = store_->switchOn(static_cast<std::size_t>(c->itemElements[i]),
                                                    Side::capture, 0, on))
                    return r;
            for (std::uint32_t ch = 0; ch < channels; ++ch)
                values[i * channels + ch] = on ? 1 : 0;
        }
        return error::ok;
    }
    return error::unspecified;
}

MMResult LayoutMixer::setValues(std::uint32_t controlId, std::uint32_t channels,
                                std::uint32_t items, const std::vector<std::uint32_t>& values) {
    const auto* c = layout_.control(controlId);
    if (!c) return error::badControlId;
    if (const auto shape = checkShape(*c, channels, items)) return shape;
    if ((c->control.flags & controlFlag::uniform) && channels != 1) return error::invalidParam;
    if (values.size() != static_cast<std::size_t>(channels) * itemSlots(*c))
        return error::invalidParam;
    const auto element = static_cast<std::size_t>(std::max<std::ptrdiff_t>(c->element, 0));
    const Side side = sideOf(c->role);
    // One value stands for every channel of the element.
    auto channelOf = [channels](std::uint32_t ch) { return channels == 1 ? allChannels : ch; };
    switch (c->role) {
    case ControlRole::playbackVolume:
    case ControlRole::captureVolume:
        for (std::uint32_t ch = 0; ch < channels; ++ch) {
            const auto level = std::min<std::uint32_t>(values[ch], 65535);
            if (const auto r = store_->setLevel(element, side, channelOf(ch), level)) return r;
        }
        return error::ok;
    case ControlRole::playbackMute:
    case ControlRole::captureMute:
        for (std::uint32_t ch = 0; ch < channels; ++ch)
            if (const auto r = store_->setSwitch(element, side, channelOf(ch), values[ch] == 0))
                return r;
        return error::ok;
    case ControlRole::selectorEnum:
        for (std::uint32_t i = 0; i < itemSlots(*c); ++i)
            if (values[i * channels] != 0) return store_->setEnumItem(element, i);
        return error::ok;
    case ControlRole::selectorSwitches: {
        // The inputs to record are switched on before the others are switched
        // off, so that an exclusive group never passes through "none".
        for (const bool on : {true, false})
            for (std::uint32_t i = 0; i < itemSlots(*c) && i < c->itemElements.size(); ++i) {
                if (c->itemElements[i] < 0 || (values[i * channels] != 0) != on) continue;
                if (const auto r = store_->setSwitch(static_cast<std::size_t>(c->itemElements[i]),
                                                     Side::capture, allChannels, on))
                    return r;
            }
        return error::ok;
    }
    }
    return error::unspecified;
}

namespace {

bool isVolume(const LayoutControl& c) {
    return c.role == ControlRole::playbackVolume || c.role == ControlRole::captureVolume;
}

} // namespace

// A raw step travels in the value word as a signed 32-bit number.
MMResult LayoutMixer::getExactValues(std::uint32_t controlId, std::uint32_t channels,
                                     std::uint32_t items, std::vector<std::uint32_t>& values) {
    const auto* c = layout_.control(controlId);
    if (!c || !isVolume(*c) || checkShape(*c, channels, items))
        return getValues(controlId, channels, items, values);
    std::vector<std::uint32_t> steps(channels, 0);
    for (std::uint32_t ch = 0; ch < channels; ++ch) {
        long raw = 0;
        if (store_->step(static_cast<std::size_t>(c->element), sideOf(c->role), ch, raw))
            return getValues(controlId, channels, items, values);
        steps[ch] = static_cast<std::uint32_t>(static_cast<std::int32_t>(raw));
    }
    values = std::move(steps);
    return error::ok;
}

MMResult LayoutMixer::setExactValues(std::uint32_t controlId, std::uint32_t channels,
                                     std::uint32_t items,
                                     const std::vector<std::uint32_t>& values) {
    const auto* c = layout_.control(controlId);
    if (!c || !isVolume(*c) || checkShape(*c, channels, items) || values.size() != channels)
        return setValues(controlId, channels, items, values);
    for (std::uint32_t ch = 0; ch < channels; ++ch) {
        const long raw = static_cast<std::int32_t>(values[ch]);
        const auto r = store_->setStep(static_cast<std::size_t>(c->element), sideOf(c->role),
                                       channels == 1 ? allChannels : ch, raw);
        if (r == error::notSupported) return setValues(controlId, channels, items, values);
        if (r) return r;
    }
    return error::ok;
}

void LayoutMixer::elementChanged(std::size_t element) {
    if (!notify_) return;
    for (const auto id : layout_.controlsOf(element))
        QCoreApplication::postEvent(notify_.data(),
                                    new DeviceEvent(message::mixerControlChange,
                                                    static_cast<const Mixer*>(this), nullptr, id));
}

} // namespace platform::alsa
