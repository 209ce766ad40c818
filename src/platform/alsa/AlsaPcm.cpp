#include "platform/alsa/AlsaPcm.h"

#include "platform/alsa/AlsaErrors.h"
#include "platform/alsa/PcmDescription.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace platform::alsa {

namespace {

// Period and buffer sizes asked for, in frames at 44100 frames/s: capture
// on a card hands over every 10 ms and may fall 200 ms behind before it
// overruns; playback keeps 200 ms written ahead of what is heard.
//
// A PCM without a card is a sound server's (or another plug-in's): there a
// period is what the server's graph runs at. PipeWire runs the whole graph
// at the smallest period any client asks for (rounded down to a power of
// two), so a 10-ms capture would force every other program of the desktop to
// 256 frames and make old PCs crackle; PulseAudio wakes the program once per
// period. Such a PCM gets capture periods of 1024 frames (23 ms), which at
// 44100 or 48000 Hz of the graph leaves its default quantum of 1024 alone.
// A block of 8000 frames then ends at most 192 frames (4 ms) after its sound.
//
// PulseAudio itself serves each stream in the periods it asks for, and each
// period wakes the server, the plug-in's thread and the stream's worker.
// There playback runs in periods of 4410 frames (100 ms; 200 ms stay
// written ahead as everywhere). Capture keeps its 1024 frames: with longer
// fragments PulseAudio hands over a capture's first block 100 ms late and
// more. Where PipeWire runs, PulseAudio's plug-in may be talking to
// PipeWire's PulseAudio server, whose graph the period would move: it keeps
// the sizes of any other server.
constexpr snd_pcm_uframes_t capturePeriod = 441;
constexpr snd_pcm_uframes_t serverCapturePeriod = 1024;
constexpr snd_pcm_uframes_t playbackPeriod = 1102;
constexpr snd_pcm_uframes_t pulsePlaybackPeriod = 4410;
constexpr snd_pcm_uframes_t bufferFrames = 8820;

// Whether the PCM sits on a kernel sound card (hw:, plughw:, dsnoop: ...).
bool onCard(snd_pcm_t* pcm) {
    snd_pcm_info_t* info = nullptr;
    if (snd_pcm_info_malloc(&info) != 0) return true;
    const bool card = snd_pcm_info(pcm, info) == 0 && snd_pcm_info_get_card(info) >= 0;
    snd_pcm_info_free(info);
    return card;
}

// Whether PipeWire runs for this user: its socket is in the runtime folder.
bool pipeWireRuns() {
    const char* folder = std::getenv("PIPEWIRE_RUNTIME_DIR");
    if (!folder || !*folder) folder = std::getenv("XDG_RUNTIME_DIR");
    if (!folder || !*folder) return false;
    const char* remote = std::getenv("PIPEWIRE_REMOTE");
    const std::string socket =
        std::string(folder) + "/" + (remote && *remote ? remote : "pipewire-0");
    return ::access(socket.c_str(), F_OK) == 0;
}

// The period asked for, at 44100 frames/s.
snd_pcm_uframes_t periodFor(snd_pcm_t* pcm, StreamDirection direction) {
    const bool playback = direction == StreamDirection::playback;
    if (onCard(pcm)) return playback ? playbackPeriod : capturePeriod;
    if (!playback) return serverCapturePeriod;
    return isPulseAudioPcm(describePcm(pcm)) && !pipeWireRuns() ? pulsePlaybackPeriod
                                                                : playbackPeriod;
}

struct HwParams {
    snd_pcm_hw_params_t* p = nullptr;
    HwParams() { snd_pcm_hw_params_malloc(&p); }
    ~HwParams() { snd_pcm_hw_params_free(p); }
};

struct SwParams {
    snd_pcm_sw_params_t* p = nullptr;
    SwParams() { snd_pcm_sw_params_malloc(&p); }
    ~SwParams() { snd_pcm_sw_params_free(p); }
};

// hw and sw parameters for the format; the layer's code on failure.
// `doubled`: mono playback goes out as stereo.
MMResult configure(snd_pcm_t* pcm, StreamDirection direction, const PcmFormat& format,
                   bool& canPause, bool& doubled, snd_pcm_uframes_t& period) {
    HwParams hw;
    if (!hw.p) return error::noMemory;
    int r = snd_pcm_hw_params_any(pcm, hw.p);
    if (r < 0) return resultOfAlsaError(r);
    if (snd_pcm_hw_params_set_access(pcm, hw.p, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(
            pcm, hw.p, format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE) < 0)
        return error::badFormat;
    doubled = false;
    if (snd_pcm_hw_params_test_channels(pcm, hw.p, format.channels) < 0) {
        unsigned most = 0;
        snd_pcm_hw_params_get_channels_max(hw.p, &most);
        if (direction == StreamDirection::capture && format.channels == 2 && most < 2)
            return error::oneChannelInput;
        doubled = direction == StreamDirection::playback && format.channels == 1 &&
                  snd_pcm_hw_params_test_channels(pcm, hw.p, 2) == 0;
        if (!doubled) return error::badFormat;
    }
    if (snd_pcm_hw_params_set_channels(pcm, hw.p, doubled ? 2u : format.channels) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, hw.p, format.framesPerSecond, 0) < 0)
        return error::badFormat;
    // Sizes scale with the rate; near values are fine.
    const double scale = format.framesPerSecond / 44100.0;
    period = static_cast<snd_pcm_uframes_t>(periodFor(pcm, direction) * scale);
    snd_pcm_uframes_t buffer = static_cast<snd_pcm_uframes_t>(bufferFrames * scale);
    int dir = 0;
    snd_pcm_hw_params_set_period_size_near(pcm, hw.p, &period, &dir);
    snd_pcm_hw_params_set_buffer_size_near(pcm, hw.p, &buffer);
    if ((r = snd_pcm_hw_params(pcm, hw.p)) < 0) return resultOfAlsaError(r);
    canPause = snd_pcm_hw_params_can_pause(hw.p) != 0;
    snd_pcm_hw_params_get_period_size(hw.p, &period, &dir);
    snd_pcm_hw_params_get_buffer_size(hw.p, &buffer);

    SwParams sw;
    if (!sw.p) return error::noMemory;
    if ((r = snd_pcm_sw_params_current(pcm, sw.p)) < 0) return resultOfAlsaError(r);
    snd_pcm_sw_params_set_avail_min(pcm, sw.p, period);
    snd_pcm_uframes_t boundary = 0;
    snd_pcm_sw_params_get_boundary(sw.p, &boundary);
    // Capture starts when told; playback when its buffer is full (or when
    // the stream has nothing more to write).
    snd_pcm_sw_params_set_start_threshold(
        pcm, sw.p, direction == StreamDirection::capture ? boundary : buffer);
    return resultOfAlsaError(std::min(snd_pcm_sw_params(pcm, sw.p), 0));
}

} // namespace

bool AlsaPcm::isUsableFormat(const PcmFormat& f) {
    if (f.formatTag != 1 || (f.channels != 1 && f.channels != 2)) return false;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
    if (f.framesPerSecond < 1000 || f.framesPerSecond > 192000) return false;
    const auto block = static_cast<std::uint16_t>(f.channels * f.bitsPerSample / 8);
    return f.blockAlign == block && f.bytesPerSecond == f.framesPerSecond * block;
}

MMResult AlsaPcm::open(const std::string& device, StreamDirection direction,
                       const PcmFormat& format, std::unique_ptr<PcmPort>& pcm) {
    if (!isUsableFormat(format)) return error::badFormat;
    silenceAlsaDiagnostics();
    snd_pcm_t* handle = nullptr;
    const auto stream =
        direction == StreamDirection::capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
    if (const int r = snd_pcm_open(&handle, device.c_str(), stream, SND_PCM_NONBLOCK); r < 0)
        return resultOfAlsaError(r);
    bool canPause = false;
    bool doubled = false;
    snd_pcm_uframes_t period = 0;
    if (const auto r = configure(handle, direction, format, canPause, doubled, period)) {
        snd_pcm_close(handle);
        return r;
    }
    pcm.reset(new AlsaPcm(handle, direction, format.blockAlign, canPause, doubled,
                          static_cast<std::uint32_t>(period)));
    return error::ok;
}

AlsaPcm::~AlsaPcm() {
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
}

long AlsaPcm::transfer(char* data, std::uint32_t frames) {
    if (direction_ == StreamDirection::capture) return snd_pcm_readi(pcm_, data, frames);
    if (!doubled_) return snd_pcm_writei(pcm_, data, frames);
    // Each mono sample becomes a frame of two equal samples.
    doubling_.resize(static_cast<std::size_t>(frames) * frameBytes_ * 2);
    char* out = doubling_.data();
    for (std::uint32_t f = 0; f < frames; ++f) {
        const char* sample = data + static_cast<std::size_t>(f) * frameBytes_;
        for (int copy = 0; copy < 2; ++copy, out += frameBytes_)
            std::memcpy(out, sample, frameBytes_);
    }
    return snd_pcm_writei(pcm_, doubling_.data(), frames);
}

int AlsaPcm::start() {
    switch (snd_pcm_state(pcm_)) {
    case SND_PCM_STATE_RUNNING:
        return 0;
    case SND_PCM_STATE_PAUSED:
        return snd_pcm_pause(pcm_, 0);
    case SND_PCM_STATE_SETUP:
    case SND_PCM_STATE_XRUN:
        if (const int r = snd_pcm_prepare(pcm_); r < 0) return r;
        break;
    case SND_PCM_STATE_DISCONNECTED:
        return -ENODEV;
    default:
        break;
    }
    return snd_pcm_start(pcm_);
}

long AlsaPcm::delay() {
    snd_pcm_sframes_t frames = 0;
    const int r = snd_pcm_delay(pcm_, &frames);
    return r < 0 ? r : static_cast<long>(frames);
}

int AlsaPcm::stop() {
    snd_pcm_drop(pcm_);
    return snd_pcm_prepare(pcm_);
}

int AlsaPcm::prepare() {
    return snd_pcm_prepare(pcm_);
}

int AlsaPcm::resume() {
    return snd_pcm_resume(pcm_);
}

int AlsaPcm::pause(bool on) {
    const auto state = snd_pcm_state(pcm_);
    if (on && state == SND_PCM_STATE_RUNNING) return canPause_ ? snd_pcm_pause(pcm_, 1) : stop();
    if (!on && state == SND_PCM_STATE_PAUSED) return snd_pcm_pause(pcm_, 0);
    return 0;
}

std::vector<pollfd> AlsaPcm::descriptors() {
    const int count = snd_pcm_poll_descriptors_count(pcm_);
    std::vector<pollfd> fds(static_cast<std::size_t>(std::max(count, 0)));
    const int got = snd_pcm_poll_descriptors(pcm_, fds.data(), static_cast<unsigned>(fds.size()));
    fds.resize(static_cast<std::size_t>(std::max(got, 0)));
    return fds;
}

int AlsaPcm::revents(std::vector<pollfd>& fds) {
    unsigned short events = 0;
    return snd_pcm_poll_descriptors_revents(pcm_, fds.data(), static_cast<unsigned>(fds.size()),
                                            &events);
}

} // namespace platform::alsa
