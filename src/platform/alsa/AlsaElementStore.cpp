#include "platform/alsa/AlsaElementStore.h"

#include "platform/alsa/AlsaErrors.h"

#include <alsa/asoundlib.h>

namespace platform::alsa {

namespace {

constexpr int sideIndex(Side side) {
    return side == Side::playback ? 0 : 1;
}

// The raw capture volume whose gain is nearest to `db` (hundredths of a dB).
long nearestCaptureStep(snd_mixer_elem_t* elem, long db) {
    long below = 0;
    long above = 0;
    if (snd_mixer_selem_ask_capture_dB_vol(elem, db, -1, &below) < 0) below = 0;
    if (snd_mixer_selem_ask_capture_dB_vol(elem, db, 1, &above) < 0) return below;
    long belowDb = 0;
    long aboveDb = 0;
    if (snd_mixer_selem_ask_capture_vol_dB(elem, below, &belowDb) < 0) return above;
    if (snd_mixer_selem_ask_capture_vol_dB(elem, above, &aboveDb) < 0) return below;
    return db - belowDb <= aboveDb - db ? below : above;
}

MMResult result(int r) {
    return r < 0 ? resultOfAlsaError(r) : error::ok;
}

} // namespace

MMResult AlsaElementStore::open(const std::string& device, bool server,
                                std::unique_ptr<AlsaElementStore>& store) {
    silenceAlsaDiagnostics();
    snd_mixer_t* mixer = nullptr;
    if (const int r = snd_mixer_open(&mixer, 0); r < 0) return resultOfAlsaError(r);
    int r = snd_mixer_attach(mixer, device.c_str());
    if (r >= 0) r = snd_mixer_selem_register(mixer, nullptr, nullptr);
    if (r >= 0) r = snd_mixer_load(mixer);
    if (r < 0) {
        snd_mixer_close(mixer);
        return resultOfAlsaError(r);
    }
    store.reset(new AlsaElementStore(mixer));
    store->describe(server);
    return error::ok;
}

AlsaElementStore::~AlsaElementStore() {
    snd_mixer_close(mixer_);
}

void AlsaElementStore::describe(bool server) {
    for (auto* elem = snd_mixer_first_elem(mixer_); elem; elem = snd_mixer_elem_next(elem)) {
        if (!snd_mixer_selem_is_active(elem)) continue;
        ElementDescription d;
        d.name = snd_mixer_selem_get_name(elem);
        Element e;
        e.elem = elem;
        for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
            const auto id = static_cast<snd_mixer_selem_channel_id_t>(ch);
            if (snd_mixer_selem_has_playback_channel(elem, id)) e.channels[0].push_back(ch);
            if (snd_mixer_selem_has_capture_channel(elem, id)) e.channels[1].push_back(ch);
        }
        auto describeSide = [&](ElementSide& side, int s) {
            const bool playback = s == 0;
            side.volume = playback ? snd_mixer_selem_has_playback_volume(elem)
                                   : snd_mixer_selem_has_capture_volume(elem);
            side.volumeJoined = playback ? snd_mixer_selem_has_playback_volume_joined(elem)
                                         : snd_mixer_selem_has_capture_volume_joined(elem);
            side.hasSwitch = playback ? snd_mixer_selem_has_playback_switch(elem)
                                      : snd_mixer_selem_has_capture_switch(elem);
            side.switchJoined = playback ? snd_mixer_selem_has_playback_switch_joined(elem)
                                         : snd_mixer_selem_has_capture_switch_joined(elem);
            if (e.channels[s].empty() && (side.volume || side.hasSwitch))
                e.channels[s].push_back(0);
            side.channels = static_cast<std::uint32_t>(e.channels[s].size());
            if (!side.volume) return;
            VolumeRange& range = e.range[s];
            if (playback)
                snd_mixer_selem_get_playback_volume_range(elem, &side.minimum, &side.maximum);
            else
                snd_mixer_selem_get_capture_volume_range(elem, &side.minimum, &side.maximum);
            range.minimum = side.minimum;
            range.maximum = side.maximum;
            const int db = playback ? snd_mixer_selem_get_playback_dB_range(elem, &range.minimumDb,
                                                                            &range.maximumDb)
                                    : snd_mixer_selem_get_capture_dB_range(elem, &range.minimumDb,
                                                                           &range.maximumDb);
            // A gain in decibels is the truth wherever the element states
            // one; a sound server's mixer without one is cubic. A boost's
            // steps all lie at or above 0 dB, where decibel levels end at
            // full level: its levels count its steps, so that each step
            // reads as its own level and can be given back.
            const bool steps = isBoostName(d.name);
            range.taper = steps                                          ? Taper::linear
                          : db == 0 && range.minimumDb < range.maximumDb ? Taper::decibel
                          : server                                       ? Taper::cubic
                                                                         : Taper::linear;
        };
        describeSide(d.playback, 0);
        describeSide(d.capture, 1);
        d.captureExclusive = snd_mixer_selem_has_capture_switch_exclusive(elem);
        if (snd_mixer_selem_is_enumerated(elem)) {
            const int items = snd_mixer_selem_get_enum_items(elem);
            for (int i = 0; i < items; ++i) {
                char name[64] = {};
                snd_mixer_selem_get_enum_item_name(elem, static_cast<unsigned>(i), sizeof name - 1,
                                                   name);
                d.enumItems.emplace_back(name);
            }
            d.enumCapture = snd_mixer_selem_is_enum_capture(elem);
            // An enumeration has no volume or switch of its own here.
            d.playback = d.capture = ElementSide{};
        }
        snd_mixer_elem_set_callback(elem, &AlsaElementStore::elementCallback);
        snd_mixer_elem_set_callback_private(elem, this);
        elements_.push_back(std::move(e));
        descriptions_.push_back(std::move(d));
    }
}

AlsaElementStore::Element* AlsaElementStore::find(std::size_t element) {
    if (element >= elements_.size() || !elements_[element].elem) return nullptr;
    return &elements_[element];
}

int AlsaElementStore::channelId(const Element& e, Side side, std::uint32_t channel) const {
    const auto& ids = e.channels[sideIndex(side)];
    if (ids.empty()) return 0;
    return ids[std::min<std::size_t>(channel, ids.size() - 1)];
}

MMResult AlsaElementStore::level(std::size_t element, Side side, std::uint32_t channel,
                                 std::uint32_t& level) {
    auto* e = find(element);
    if (!e) return error::badControlId;
    const auto& range = e->range[sideIndex(side)];
    const auto id = static_cast<snd_mixer_selem_channel_id_t>(channelId(*e, side, channel));
    long value = 0;
    if (range.taper == Taper::decibel) {
        const int r = side == Side::playback ? snd_mixer_selem_get_playback_dB(e->elem, id, &value)
                                             : snd_mixer_selem_get_capture_dB(e->elem, id, &value);
        if (r < 0) return resultOfAlsaError(r);
        long raw = 0;
        if (side == Side::playback)
            snd_mixer_selem_get_playback_volume(e->elem, id, &raw);
        else
            snd_mixer_selem_get_capture_volume(e->elem, id, &raw);
        const bool silentBottom = range.minimumDb <= silentBottomDb;
        level = raw <= range.minimum && silentBottom ? 0 : dbToLevel(value, range);
        return error::ok;
    }
    const int r = side == Side::playback ? snd_mixer_selem_get_playback_volume(e->elem, id, &value)
                                         : snd_mixer_selem_get_capture_volume(e->elem, id, &value);
    if (r < 0) return resultOfAlsaError(r);
    level = rawToLevel(value, range);
    return error::ok;
}

MMResult AlsaElementStore::setLevel(std::size_t element, Side side, std::uint32_t channel,
                                    std::uint32_t level) {
    auto* e = find(element);
    if (!e) return error::badControlId;
    const auto& range = e->range[sideIndex(side)];
    const bool all = channel == allChannels;
    const auto id =
        static_cast<snd_mixer_selem_channel_id_t>(all ? 0 : channelId(*e, side, channel));
    const bool playback = side == Side::playback;
    if (range.taper == Taper::decibel && level > 0 && !playback) {
        // A recording level takes the step nearest to the gain asked for: the
        // measurement reads back what was reached and corrects for it.
        const long raw = nearestCaptureStep(e->elem, levelToDb(level, range));
        if (all) return result(snd_mixer_selem_set_capture_volume_all(e->elem, raw));
        return result(snd_mixer_selem_set_capture_volume(e->elem, id, raw));
    }
    if (range.taper == Taper::decibel && level > 0) {
        // At or below the gain asked for: never louder than the level says.
        const long db = levelToDb(level, range);
        if (all)
            return result(playback ? snd_mixer_selem_set_playback_dB_all(e->elem, db, -1)
                                   : snd_mixer_selem_set_capture_dB_all(e->elem, db, -1));
        return result(playback ? snd_mixer_selem_set_playback_dB(e->elem, id, db, -1)
                               : snd_mixer_selem_set_capture_dB(e->elem, id, db, -1));
    }
    const long raw = range.taper == Taper::decibel ? range.minimum : levelToRaw(level, range);
    if (all)
        return result(playback ? snd_mixer_selem_set_playback_volume_all(e->elem, raw)
                               : snd_mixer_selem_set_capture_volume_all(e->elem, raw));
    return result(playback ? snd_mixer_selem_set_playback_volume(e->elem, id, raw)
                           : snd_mixer_selem_set_capture_volume(e->elem, id, raw));
}

MMResult AlsaElementStore::step(std::size_t element, Side side, std::uint32_t channel, long& raw) {
    auto* e = find(element);
    if (!e) return error::badControlId;
    const auto id = static_cast<snd_mixer_selem_channel_id_t>(channelId(*e, side, channel));
    return result(side == Side::playback ? snd_mixer_selem_get_playback_volume(e->elem, id, &raw)
                                         : snd_mixer_selem_get_capture_volume(e->elem, id, &raw));
}

MMResult AlsaElementStore::setStep(std::size_t element, Side side, std::uint32_t channel,
                                   long raw) {
    auto* e = find(element);
    if (!e) return error::badControlId;
    const bool playback = side == Side::playback;
    if (channel == allChannels)
        return result(playback ? snd_mixer_selem_set_playback_volume_all(e->elem, raw)
                               : snd_mixer_selem_set_capture_volume_all(e->elem, raw));
    const auto id = static_cast<snd_mixer_selem_channel_id_t>(channelId(*e, side, channel));
    return result(playback ? snd_mixer_selem_set_playback_volume(e->elem, id, raw)
                           : snd_mixer_selem_set_capture_volume(e->elem, id, raw));
}

MMResult AlsaElementStore::switchOn(std::size_t element, Side side, std::uint32_t channel,
                                    bool& on) {
    auto* e = find(element);
    if (!e) return error::badControlId;
    const auto id = static_cast<snd_mixer_selem_channel_id_t>(channelId(*e, side, channel));
    int value = 0;
    const int r = side == Side::playback ? snd_mixer_selem_get_playback_switch(e->elem, id, &value)
                                         : snd_mixer_selem_get_capture_switch(e->elem, id, &value);
    if (r < 0) return resultOfAlsaError(r);
    on = value != 0;
    return error::ok;
}

MMResult AlsaElementStore::setSwitch(std::size_t element, Side side, std::uint32_t channel,
                                     bool on) {
    auto* e = find(element);
    if (!e) return error::badControlId;
    const int value = on ? 1 : 0;
    const bool playback = side == Side::playback;
    if (channel == allChannels)
        return result(playback ? snd_mixer_selem_set_playback_switch_all(e->elem, value)
                               : snd_mixer_selem_set_capture_switch_all(e->elem, value));
    const auto id = static_cast<snd_mixer_selem_channel_id_t>(channelId(*e, side, channel));
    return result(playback ? snd_mixer_selem_set_playback_switch(e->elem, id, value)
                           : snd_mixer_selem_set_capture_switch(e->elem, id, value));
}

MMResult AlsaElementStore::enumItem(std::size_t element, std::uint32_t& item) {
    auto* e = find(element);
    if (!e) return error::badControlId;
    unsigned int value = 0;
    if (const int r = snd_mixer_selem_get_enum_item(e->elem, SND_MIXER_SCHN_FRONT_LEFT, &value);
        r < 0)
        return resultOfAlsaError(r);
    item = value;
    return error::ok;
}

MMResult AlsaElementStore::setEnumItem(std::size_t element, std::uint32_t item) {
    auto* e = find(element);
    if (!e) return error::badControlId;
    // Every channel of the enumeration takes the item.
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
        const auto id = static_cast<snd_mixer_selem_channel_id_t>(ch);
        const int r = snd_mixer_selem_set_enum_item(e->elem, id, item);
        if (r < 0) return ch == 0 ? resultOfAlsaError(r) : error::ok;
    }
    return error::ok;
}

void AlsaElementStore::watch(std::function<void(std::size_t)> changed) {
    changed_ = std::move(changed);
}

std::vector<pollfd> AlsaElementStore::descriptors() const {
    const int count = snd_mixer_poll_descriptors_count(mixer_);
    std::vector<pollfd> fds(static_cast<std::size_t>(std::max(count, 0)));
    const int got =
        snd_mixer_poll_descriptors(mixer_, fds.data(), static_cast<unsigned>(fds.size()));
    fds.resize(static_cast<std::size_t>(std::max(got, 0)));
    return fds;
}

bool AlsaElementStore::handleEvents() {
    return snd_mixer_handle_events(mixer_) >= 0;
}

int AlsaElementStore::elementCallback(snd_mixer_elem_t* elem, unsigned int mask) {
    auto* self = static_cast<AlsaElementStore*>(snd_mixer_elem_get_callback_private(elem));
    if (!self) return 0;
    for (std::size_t i = 0; i < self->elements_.size(); ++i) {
        if (self->elements_[i].elem != elem) continue;
        if (mask == SND_CTL_EVENT_MASK_REMOVE) {
            self->elements_[i].elem = nullptr;
        } else if ((mask & SND_CTL_EVENT_MASK_VALUE) && self->changed_) {
            self->changed_(i);
        }
        break;
    }
    return 0;
}

} // namespace platform::alsa
