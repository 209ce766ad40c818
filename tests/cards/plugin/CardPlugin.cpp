// An ALSA plug-in that serves the cards of CardModel.h through alsa-lib's own
// layers: a control plug-in (snd_ctl_ext) with the card's controls and their
// dB scales, and a PCM plug-in (snd_pcm_ioplug) that plays into the state
// file's statistics and records the line input's sine through the card's
// recording gains, paced by the monotonic clock. Configuration:
//
//   pcm_type.zo7card { lib "/path/libasound_module_zo7card.so" }
//   ctl_type.zo7card { lib "/path/libasound_module_zo7card.so" }
//   pcm.NAME { type zo7card card "hda" state "/dir" [rates [48000]] }
//   ctl.NAME { type zo7card card "hda" state "/dir" }
//
// Each card keeps its state in the file named after it in that directory
// (stateFile in CardModel.h).
// A card name it does not know is a card that is not there (ENOENT). Each
// stream direction of a PCM is held by one client at a time (EBUSY), as a
// hw: device is.

#include "CardModel.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>
#include <alsa/pcm_external.h>
#include <cerrno>
#include <ctime>
#include <string>
#include <sys/file.h>
#include <sys/timerfd.h>

namespace {

using namespace zo7card;

// The fields both plug-ins read from their configuration.
struct Settings {
    std::string card;
    std::string state;
    std::vector<unsigned> rates;
};

int readSettings(snd_config_t* conf, Settings& settings) {
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf) {
        snd_config_t* n = snd_config_iterator_entry(i);
        const char* id = nullptr;
        if (snd_config_get_id(n, &id) < 0) continue;
        const std::string key = id;
        if (key == "comment" || key == "type" || key == "hint") continue;
        const char* text = nullptr;
        if (key == "card" || key == "state") {
            long number = 0;
            if (snd_config_get_string(n, &text) >= 0)
                (key == "card" ? settings.card : settings.state) = text;
            else if (snd_config_get_integer(n, &number) >= 0)
                (key == "card" ? settings.card : settings.state) = std::to_string(number);
            else
                return -EINVAL;
            continue;
        }
        if (key == "rates") {
            snd_config_iterator_t j, nextJ;
            snd_config_for_each(j, nextJ, n) {
                long rate = 0;
                if (snd_config_get_integer(snd_config_iterator_entry(j), &rate) < 0) return -EINVAL;
                settings.rates.push_back(static_cast<unsigned>(rate));
            }
            continue;
        }
        SNDERR("zo7card: unknown field %s", id);
        return -EINVAL;
    }
    return settings.state.empty() ? -EINVAL : 0;
}

double dbOf(const Control& c, long value) {
    return (c.dbMinimum + value * c.dbStep) / 100.0;
}

// The gain of the card's recording path on one channel; nothing when the
// path is switched off or another input is recorded.
double recordingGain(const Card& card, const State& s, unsigned channel) {
    auto value = [&](const char* name) {
        const int i = controlIndex(card, name);
        const auto& c = card.controls[static_cast<std::size_t>(i)];
        return s.values[i][std::min(channel, c.channels - 1)];
    };
    auto db = [&](const char* name) {
        const int i = controlIndex(card, name);
        return dbOf(card.controls[static_cast<std::size_t>(i)], value(name));
    };
    const std::string name = card.name;
    double total = 0;
    if (name == "hda") {
        if (value("Input Source") != 2 || !value("Capture Switch")) return 0;
        total = db("Line Boost Volume") + db("Capture Volume");
    } else if (name == "ac97") {
        if (!value("Line Capture Switch") || !value("Capture Switch")) return 0;
        total = db("Line Capture Volume") + db("Capture Volume");
    } else if (name == "usb") {
        if (!value("Mic Capture Switch")) return 0;
        total = db("Mic Capture Volume");
    }
    return std::pow(10.0, total / 20.0);
}

// ---------------------------------------------------------------- controls

struct CtlCard {
    snd_ctl_ext_t ext{};
    const Card* card = nullptr;
    State* state = nullptr;
    bool subscribed = false;
    std::uint32_t seen[maxControls] = {}; // the changes announced so far
};

// While a client listens, its descriptor (a timer) wakes it this often to
// look for changes made by any process, as a card's driver announces them.
constexpr long changeLookMs = 20;

CtlCard* self(snd_ctl_ext_t* ext) {
    return static_cast<CtlCard*>(ext->private_data);
}

const Control* control(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key) {
    const auto& controls = self(ext)->card->controls;
    return key < controls.size() ? &controls[key] : nullptr;
}

void ctlClose(snd_ctl_ext_t* ext) {
    auto* c = self(ext);
    unmapState(c->state);
    ::close(ext->poll_fd);
    delete c;
}

int ctlCount(snd_ctl_ext_t* ext) {
    return static_cast<int>(self(ext)->card->controls.size());
}

int ctlList(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id) {
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, self(ext)->card->controls[offset].name);
    return 0;
}

snd_ctl_ext_key_t ctlFind(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id) {
    const int i = controlIndex(*self(ext)->card, snd_ctl_elem_id_get_name(id));
    if (i >= 0) return static_cast<snd_ctl_ext_key_t>(i);
    const unsigned numid = snd_ctl_elem_id_get_numid(id);
    if (numid > 0 && numid <= self(ext)->card->controls.size()) return numid - 1;
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

int ctlAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                 unsigned int* count) {
    const Control* c = control(ext, key);
    if (!c) return -EINVAL;
    *type = c->kind == Kind::integer   ? SND_CTL_ELEM_TYPE_INTEGER
            : c->kind == Kind::boolean ? SND_CTL_ELEM_TYPE_BOOLEAN
                                       : SND_CTL_ELEM_TYPE_ENUMERATED;
    *acc = SND_CTL_EXT_ACCESS_READWRITE;
    if (c->dbStep != 0) *acc |= SND_CTL_EXT_ACCESS_TLV_READ | SND_CTL_EXT_ACCESS_TLV_CALLBACK;
    *count = c->channels;
    return 0;
}

int ctlIntegerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* min, long* max, long* step) {
    const Control* c = control(ext, key);
    if (!c) return -EINVAL;
    *min = c->minimum;
    *max = c->maximum;
    *step = 1;
    return 0;
}

int ctlEnumInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
    const Control* c = control(ext, key);
    if (!c || c->kind != Kind::enumerated) return -EINVAL;
    *items = static_cast<unsigned>(c->items.size());
    return 0;
}

int ctlEnumName(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int item, char* name,
                size_t length) {
    const Control* c = control(ext, key);
    if (!c || item >= c->items.size()) return -EINVAL;
    snprintf(name, length, "%s", c->items[item]);
    return 0;
}

int ctlRead(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* values) {
    const Control* c = control(ext, key);
    if (!c) return -EINVAL;
    for (unsigned ch = 0; ch < c->channels; ++ch)
        values[ch] = self(ext)->state->values[key][ch];
    return 0;
}

int ctlWrite(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* values) {
    const Control* c = control(ext, key);
    if (!c) return -EINVAL;
    bool changed = false;
    for (unsigned ch = 0; ch < c->channels; ++ch) {
        if (values[ch] < c->minimum || values[ch] > c->maximum) return -EINVAL;
        auto& stored = self(ext)->state->values[key][ch];
        changed = changed || stored != values[ch];
        stored = static_cast<std::int32_t>(values[ch]);
    }
    // A write that changes nothing is announced to nobody, as by a driver.
    if (changed) __atomic_add_fetch(&self(ext)->state->changes[key], 1u, __ATOMIC_SEQ_CST);
    return changed ? 1 : 0;
}

int ctlReadEnum(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
    const Control* c = control(ext, key);
    if (!c) return -EINVAL;
    for (unsigned ch = 0; ch < c->channels; ++ch)
        items[ch] = static_cast<unsigned>(self(ext)->state->values[key][ch]);
    return 0;
}

int ctlWriteEnum(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
    const Control* c = control(ext, key);
    if (!c) return -EINVAL;
    std::vector<long> values(items, items + c->channels);
    for (long& v : values)
        if (v > c->maximum) return -EINVAL;
    return ctlWrite(ext, key, values.data());
}

void ctlSubscribe(snd_ctl_ext_t* ext, int subscribe) {
    auto* c = self(ext);
    c->subscribed = subscribe != 0;
    for (int i = 0; i < maxControls; ++i)
        c->seen[i] = __atomic_load_n(&c->state->changes[i], __ATOMIC_SEQ_CST);
    itimerspec timer{};
    if (c->subscribed) timer.it_interval.tv_nsec = timer.it_value.tv_nsec = changeLookMs * 1000000;
    timerfd_settime(ext->poll_fd, 0, &timer, nullptr);
}

// One change of a control's value since the last look, by this process or
// another one; -EAGAIN when there is none.
int ctlReadEvent(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* eventMask) {
    auto* c = self(ext);
    std::uint64_t expirations = 0;
    if (::read(ext->poll_fd, &expirations, sizeof expirations) < 0) expirations = 0;
    if (!c->subscribed) return -EAGAIN;
    for (std::size_t i = 0; i < c->card->controls.size(); ++i) {
        const std::uint32_t now = __atomic_load_n(&c->state->changes[i], __ATOMIC_SEQ_CST);
        if (now == c->seen[i]) continue;
        c->seen[i] = now;
        snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_id_set_numid(id, static_cast<unsigned>(i + 1));
        snd_ctl_elem_id_set_name(id, c->card->controls[i].name);
        *eventMask = SND_CTL_EVENT_MASK_VALUE;
        return 1;
    }
    return -EAGAIN;
}

int ctlTlv(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int opFlag, unsigned int, unsigned int* tlv,
           unsigned int size) {
    const Control* c = control(ext, key);
    if (!c || c->dbStep == 0 || opFlag != 0) return -ENXIO;
    if (size < 4 * sizeof(unsigned int)) return -ENOMEM;
    tlv[0] = SND_CTL_TLVT_DB_SCALE;
    tlv[1] = 2 * sizeof(unsigned int);
    tlv[2] = static_cast<unsigned int>(c->dbMinimum);
    tlv[3] = static_cast<unsigned int>(c->dbStep) & 0xFFFFu;
    return 0;
}

const snd_ctl_ext_callback_t ctlCallbacks = {
    .close = ctlClose,
    .elem_count = ctlCount,
    .elem_list = ctlList,
    .find_elem = ctlFind,
    .free_key = nullptr,
    .get_attribute = ctlAttribute,
    .get_integer_info = ctlIntegerInfo,
    .get_integer64_info = nullptr,
    .get_enumerated_info = ctlEnumInfo,
    .get_enumerated_name = ctlEnumName,
    .read_integer = ctlRead,
    .read_integer64 = nullptr,
    .read_enumerated = ctlReadEnum,
    .read_bytes = nullptr,
    .read_iec958 = nullptr,
    .write_integer = ctlWrite,
    .write_integer64 = nullptr,
    .write_enumerated = ctlWriteEnum,
    .write_bytes = nullptr,
    .write_iec958 = nullptr,
    .subscribe_events = ctlSubscribe,
    .read_event = ctlReadEvent,
    .poll_descriptors_count = nullptr,
    .poll_descriptors = nullptr,
    .poll_revents = nullptr,
};

void copyText(char* to, std::size_t size, const char* from) {
    snprintf(to, size, "%s", from);
}

// --------------------------------------------------------------------- PCM

struct PcmCard {
    snd_pcm_ioplug_t io{};
    const Card* card = nullptr;
    State* state = nullptr;
    int lock = -1;
    timespec started{};
    bool running = false;
    snd_pcm_uframes_t position = 0; // frames moved by the clock since prepare
    std::uint64_t signalFrame = 0;  // the recorded sine's phase
};

PcmCard* pcmSelf(snd_pcm_ioplug_t* io) {
    return static_cast<PcmCard*>(io->private_data);
}

// Frames the clock has moved since the start; a capture never runs more
// than a buffer ahead of the reader, a playback never past the writer.
snd_pcm_uframes_t clockFrames(PcmCard* p) {
    if (!p->running) return p->position;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double seconds = static_cast<double>(now.tv_sec - p->started.tv_sec) +
                           static_cast<double>(now.tv_nsec - p->started.tv_nsec) / 1e9;
    auto frames = static_cast<snd_pcm_uframes_t>(seconds * p->io.rate);
    const snd_pcm_uframes_t appl = p->io.appl_ptr;
    if (p->io.stream == SND_PCM_STREAM_CAPTURE)
        frames = std::min(frames, appl + p->io.buffer_size);
    else
        frames = std::min(frames, appl);
    p->position = std::max(p->position, frames);
    return p->position;
}

int pcmStart(snd_pcm_ioplug_t* io) {
    auto* p = pcmSelf(io);
    clock_gettime(CLOCK_MONOTONIC, &p->started);
    // The clock counts from the frames already moved.
    const double back = static_cast<double>(p->position) / io->rate;
    p->started.tv_sec -= static_cast<time_t>(back);
    p->started.tv_nsec -=
        static_cast<long>((back - static_cast<double>(static_cast<time_t>(back))) * 1e9);
    if (p->started.tv_nsec < 0) {
        p->started.tv_nsec += 1000000000L;
        --p->started.tv_sec;
    }
    p->running = true;
    const double period = static_cast<double>(io->period_size) / io->rate;
    itimerspec timer{};
    timer.it_interval.tv_sec = static_cast<time_t>(period);
    timer.it_interval.tv_nsec =
        static_cast<long>((period - static_cast<double>(timer.it_interval.tv_sec)) * 1e9);
    timer.it_value = timer.it_interval;
    timerfd_settime(io->poll_fd, 0, &timer, nullptr);
    return 0;
}

int pcmStop(snd_pcm_ioplug_t* io) {
    auto* p = pcmSelf(io);
    clockFrames(p);
    p->running = false;
    itimerspec timer{};
    timerfd_settime(io->poll_fd, 0, &timer, nullptr);
    return 0;
}

snd_pcm_sframes_t pcmPointer(snd_pcm_ioplug_t* io) {
    return static_cast<snd_pcm_sframes_t>(clockFrames(pcmSelf(io)) % io->buffer_size);
}

int pcmPrepare(snd_pcm_ioplug_t* io) {
    auto* p = pcmSelf(io);
    pcmStop(io);
    p->position = 0;
    return 0;
}

snd_pcm_sframes_t pcmTransfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                              snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
    auto* p = pcmSelf(io);
    State& s = *p->state;
    // The recording path's gains hold for the whole transfer.
    double amplitude[8] = {};
    for (unsigned ch = 0; ch < std::min(io->channels, 8u); ++ch)
        if (io->stream == SND_PCM_STREAM_CAPTURE)
            amplitude[ch] = s.amplitude[std::min(ch, 1u)] * recordingGain(*p->card, s, ch);
    const double radiansPerFrame = 2 * M_PI * s.frequency / io->rate;
    for (snd_pcm_uframes_t f = 0; f < size; ++f) {
        const double phase = std::sin(radiansPerFrame * static_cast<double>(p->signalFrame + f));
        for (unsigned ch = 0; ch < io->channels; ++ch) {
            const auto& a = areas[ch];
            auto* sample = reinterpret_cast<std::int16_t*>(static_cast<char*>(a.addr) +
                                                           (a.first + (offset + f) * a.step) / 8);
            if (io->stream == SND_PCM_STREAM_PLAYBACK) {
                const int v = std::abs(static_cast<int>(*sample));
                if (ch < 2) s.playedPeak[ch] = std::max(s.playedPeak[ch], v);
                continue;
            }
            const double v = amplitude[std::min(ch, 7u)] * phase;
            *sample = static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
        }
    }
    p->signalFrame += size;
    if (io->stream == SND_PCM_STREAM_PLAYBACK) {
        s.playedFrames += size;
        s.playedChannels = io->channels;
    } else {
        s.recordedFrames += size;
    }
    return static_cast<snd_pcm_sframes_t>(size);
}

int pcmRevents(snd_pcm_ioplug_t* io, struct pollfd* pfd, unsigned int nfds,
               unsigned short* revents) {
    std::uint64_t expirations = 0;
    if (nfds > 0 && (pfd[0].revents & POLLIN))
        if (::read(io->poll_fd, &expirations, sizeof expirations) < 0) expirations = 0;
    auto* p = pcmSelf(io);
    const snd_pcm_uframes_t hw = clockFrames(p);
    const snd_pcm_uframes_t appl = io->appl_ptr;
    const bool capture = io->stream == SND_PCM_STREAM_CAPTURE;
    const snd_pcm_uframes_t avail =
        capture ? hw - std::min(hw, appl) : io->buffer_size - (appl - std::min(appl, hw));
    *revents = 0;
    if (!p->running && !capture)
        *revents = POLLOUT;
    else if (avail >= io->period_size)
        *revents = capture ? POLLIN : POLLOUT;
    return 0;
}

int pcmClose(snd_pcm_ioplug_t* io) {
    auto* p = pcmSelf(io);
    ::close(io->poll_fd);
    if (p->lock >= 0) ::close(p->lock);
    unmapState(p->state);
    delete p;
    return 0;
}

const snd_pcm_ioplug_callback_t pcmCallbacks = {
    .start = pcmStart,
    .stop = pcmStop,
    .pointer = pcmPointer,
    .transfer = pcmTransfer,
    .close = pcmClose,
    .hw_params = nullptr,
    .hw_free = nullptr,
    .sw_params = nullptr,
    .prepare = pcmPrepare,
    .drain = nullptr,
    .pause = nullptr,
    .resume = nullptr,
    .poll_descriptors_count = nullptr,
    .poll_descriptors = nullptr,
    .poll_revents = pcmRevents,
    .dump = nullptr,
    .delay = nullptr,
    .query_chmaps = nullptr,
    .get_chmap = nullptr,
    .set_chmap = nullptr,
};

} // namespace

extern "C" {

SND_CTL_PLUGIN_DEFINE_FUNC(zo7card) {
    (void)root;
    Settings settings;
    if (const int r = readSettings(conf, settings); r < 0) return r;
    const Card* card = findCard(settings.card);
    if (!card) return -ENOENT;
    auto* c = new CtlCard;
    c->card = card;
    c->state = mapState(stateFile(settings.state, *card), *card);
    if (!c->state) {
        delete c;
        return -EIO;
    }
    snd_ctl_ext_t& ext = c->ext;
    ext.version = SND_CTL_EXT_VERSION;
    ext.card_idx = 0;
    copyText(ext.id, sizeof ext.id, card->id);
    copyText(ext.driver, sizeof ext.driver, card->driver);
    copyText(ext.name, sizeof ext.name, card->longName);
    copyText(ext.longname, sizeof ext.longname, card->longName);
    copyText(ext.mixername, sizeof ext.mixername, card->mixerName);
    ext.poll_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    ext.callback = &ctlCallbacks;
    ext.private_data = c;
    ext.tlv.c = ctlTlv;
    if (const int r = snd_ctl_ext_create(&ext, name, mode); r < 0) {
        ctlClose(&ext);
        return r;
    }
    *handlep = ext.handle;
    return 0;
}
SND_CTL_PLUGIN_SYMBOL(zo7card)

SND_PCM_PLUGIN_DEFINE_FUNC(zo7card) {
    (void)root;
    Settings settings;
    if (const int r = readSettings(conf, settings); r < 0) return r;
    const Card* card = findCard(settings.card);
    if (!card) return -ENOENT;
    const std::string lockPath = stateFile(settings.state, *card) +
                                 (stream == SND_PCM_STREAM_CAPTURE ? ".capture" : ".playback");
    const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0) return -EIO;
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        ::close(lock);
        return -EBUSY;
    }
    auto* p = new PcmCard;
    p->card = card;
    p->lock = lock;
    p->state = mapState(stateFile(settings.state, *card), *card);
    snd_pcm_ioplug_t& io = p->io;
    io.version = SND_PCM_IOPLUG_VERSION;
    io.name = "zo7card";
    io.poll_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    io.poll_events = POLLIN;
    io.mmap_rw = 0;
    io.callback = &pcmCallbacks;
    io.private_data = p;
    if (!p->state || io.poll_fd < 0) {
        pcmClose(&io);
        return -EIO;
    }
    int r = snd_pcm_ioplug_create(&io, name, stream, mode);
    if (r < 0) {
        pcmClose(&io);
        return r;
    }
    const unsigned access[] = {SND_PCM_ACCESS_RW_INTERLEAVED, SND_PCM_ACCESS_MMAP_INTERLEAVED};
    const unsigned format[] = {SND_PCM_FORMAT_S16_LE};
    const auto& rates = settings.rates.empty() ? card->rates : settings.rates;
    const unsigned channels = stream == SND_PCM_STREAM_CAPTURE ? card->captureChannels : 2;
    if ((r = snd_pcm_ioplug_set_param_list(&io, SND_PCM_IOPLUG_HW_ACCESS, 2, access)) < 0 ||
        (r = snd_pcm_ioplug_set_param_list(&io, SND_PCM_IOPLUG_HW_FORMAT, 1, format)) < 0 ||
        (r = snd_pcm_ioplug_set_param_minmax(&io, SND_PCM_IOPLUG_HW_CHANNELS, channels, channels)) <
            0 ||
        (r = snd_pcm_ioplug_set_param_list(
             &io, SND_PCM_IOPLUG_HW_RATE, static_cast<unsigned>(rates.size()), rates.data())) < 0 ||
        (r = snd_pcm_ioplug_set_param_minmax(&io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 64 * 1024)) <
            0 ||
        (r = snd_pcm_ioplug_set_param_minmax(&io, SND_PCM_IOPLUG_HW_PERIODS, 2, 256)) < 0) {
        snd_pcm_ioplug_delete(&io);
        return r;
    }
    *pcmp = io.pcm;
    return 0;
}
SND_PCM_PLUGIN_SYMBOL(zo7card)

} // extern "C"
