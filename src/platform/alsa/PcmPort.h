#pragma once
// What a stream's worker needs of an open PCM. AlsaPcm is the real one; the
// stream tests drive the worker through a PCM of their own. Every call
// returns 0 (or a frame count) on success and a negative errno on failure, as
// alsa-lib does. Calls are made by one thread at a time.

#include <cstdint>
#include <poll.h>
#include <vector>

namespace platform::alsa {

enum class StreamDirection { capture, playback };

class PcmPort {
public:
    virtual ~PcmPort() = default; // closes the PCM

    virtual std::uint32_t frameBytes() const = 0;
    // Moves up to `frames` frames without blocking: reads them into `data`
    // (capture) or writes them from it (playback). The count moved, -EAGAIN
    // when nothing can move now, -EPIPE after an over- or underrun, -ESTRPIPE
    // while suspended, or another error of a PCM that no longer works.
    virtual long transfer(char* data, std::uint32_t frames) = 0;
    // Capture: starts recording. Playback: starts playing what has been
    // written, even less than the start threshold. 0 when already running.
    virtual int start() = 0;
    // Capture: the frames recorded that have not been read yet, those still
    // on their way from the device or sound server included.
    virtual long delay() = 0;
    // Stops at once, drops what is buffered, and is ready to start again.
    virtual int stop() = 0;
    // Makes a PCM ready again after an over- or underrun.
    virtual int prepare() = 0;
    // Wakes a suspended PCM; -EAGAIN while it is not ready yet.
    virtual int resume() = 0;
    // Holds or resumes playback; a PCM that cannot pause stops instead.
    virtual int pause(bool on) = 0;
    // The descriptors to poll for "ready to transfer", and the evaluation of
    // what poll() returned on them.
    virtual std::vector<pollfd> descriptors() = 0;
    virtual int revents(std::vector<pollfd>& fds) = 0;
};

} // namespace platform::alsa
