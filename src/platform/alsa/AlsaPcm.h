#pragma once
// An open ALSA PCM in the format of the layer's PCM record, for a stream's
// worker (PcmPort.h). It is opened non-blocking, so that a busy device is
// reported at once instead of waited for, and with small periods: capture
// from a card delivers every 10 ms, so that the first block of a capture is
// there as soon as its sound has been recorded; behind a sound server every
// 23 ms, the server's own default period. Playback behind PulseAudio alone
// runs in periods of 100 ms (AlsaPcm.cpp says why).
//
// Real devices take what they take: a device that refuses mono playback (the
// hw: devices of most HDA codecs and USB adapters) is opened in stereo and
// gets the mono signal on both channels. A device that records one channel
// only is refused (error::oneChannelInput): the two recorded channels carry
// different quantities, and a copied channel would read as a wrong value.

#include "platform/SoundCard.h"
#include "platform/alsa/PcmPort.h"

#include <memory>
#include <string>

typedef struct _snd_pcm snd_pcm_t;

namespace platform::alsa {

class AlsaPcm : public PcmPort {
public:
    // Whether the format is one the backend can open: PCM, 1 or 2 channels of
    // 8 or 16 bits, with a block size and byte rate that agree with it.
    static bool isUsableFormat(const PcmFormat& format);
    // The layer's error code; on success `pcm` holds the open PCM. Behind a
    // sound server this may wait for the server: call it on a stream's worker.
    static MMResult open(const std::string& device, StreamDirection direction,
                         const PcmFormat& format, std::unique_ptr<PcmPort>& pcm);
    ~AlsaPcm() override;
    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    std::uint32_t frameBytes() const override { return frameBytes_; }
    // The period the device gave, in frames.
    std::uint32_t periodFrames() const { return periodFrames_; }
    long transfer(char* data, std::uint32_t frames) override;
    int start() override;
    long delay() override;
    int stop() override;
    int prepare() override;
    int resume() override;
    int pause(bool on) override;
    std::vector<pollfd> descriptors() override;
    int revents(std::vector<pollfd>& fds) override;

private:
    AlsaPcm(snd_pcm_t* pcm, StreamDirection direction, std::uint32_t frameBytes, bool canPause,
            bool doubled, std::uint32_t periodFrames)
        : pcm_(pcm), direction_(direction), frameBytes_(frameBytes), canPause_(canPause),
          doubled_(doubled), periodFrames_(periodFrames) {}

    snd_pcm_t* pcm_;
    StreamDirection direction_;
    std::uint32_t frameBytes_;
    bool canPause_;
    bool doubled_;               // mono played as stereo: each sample goes out twice
    std::uint32_t periodFrames_;
    std::vector<char> doubling_; // the stereo frames of a doubled write
};

} // namespace platform::alsa
