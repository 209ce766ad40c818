#pragma once
// An open ALSA PCM in the format of the layer's PCM record, for a stream's
// worker (PcmPort.h). It is opened non-blocking, so that a busy device is
// reported at once instead of waited for, and with small periods: capture
// delivers every 10 ms, so that the first block of a capture is there as soon
// as its sound has been recorded, even behind a sound server.

#include "platform/SoundCard.h"
#include "platform/alsa/PcmPort.h"

#include <memory>
#include <string>

typedef struct _snd_pcm snd_pcm_t;

namespace platform::alsa {

class AlsaPcm : public PcmPort {
public:
    // The layer's error code; on success `pcm` holds the open PCM.
    static MMResult open(const std::string& device, StreamDirection direction,
                         const PcmFormat& format, std::unique_ptr<PcmPort>& pcm);
    ~AlsaPcm() override;
    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    std::uint32_t frameBytes() const override { return frameBytes_; }
    long transfer(char* data, std::uint32_t frames) override;
    int start() override;
    int stop() override;
    int prepare() override;
    int resume() override;
    int pause(bool on) override;
    std::vector<pollfd> descriptors() override;
    int revents(std::vector<pollfd>& fds) override;

private:
    AlsaPcm(snd_pcm_t* pcm, StreamDirection direction, std::uint32_t frameBytes, bool canPause)
        : pcm_(pcm), direction_(direction), frameBytes_(frameBytes), canPause_(canPause) {}

    snd_pcm_t* pcm_;
    StreamDirection direction_;
    std::uint32_t frameBytes_;
    bool canPause_;
};

} // namespace platform::alsa
