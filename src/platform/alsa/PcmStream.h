#pragma once
// One open wave stream of the ALSA backend: the headers the component has
// queued, in order, and the worker thread that moves them through the PCM.
//
// Capture: once started, the worker reads whatever the PCM has recorded into
// the oldest queued header and gives the header back (inputData) when it is
// full; while no header is queued, and after a reset, it reads and drops, so
// that a header added later records from that moment on and the PCM never
// overruns for want of a buffer. A start drops what the PCM recorded before
// it. Playback: the worker writes the oldest header into the PCM and
// gives it back (outputDone) when all of it has been written; when the queue
// runs out, what has been written is started even below the start threshold.
//
// Over- and underruns are recovered (the PCM is prepared again and goes on)
// and counted; an underrun after the program itself had nothing queued is
// not counted. A suspended PCM is resumed, with pauses between the tries,
// and prepared again when it cannot be resumed. A PCM that cannot be
// recovered, or that fails in any other way, has gone (an unplugged card, a
// stopped sound server): its headers come back at once, input ones with what
// they hold so far, and every later call except unprepare and close gives
// error::deviceRemoved.
//
// Threads. Behind a sound server every call on a PCM may wait for the server
// (a server that hangs makes it wait for good), so only the worker calls the
// PCM: it opens it, starts, pauses, stops, recovers and closes it, and never
// holds the stream's mutex while it does. The handle methods run on the GUI
// thread, only change the stream's state under the mutex and wake the
// worker, and never wait for the PCM:
// - The worker copies between the headers and a buffer of its own under the
//   mutex and moves that buffer through the PCM without it, so that reset()
//   can hand every header back at once; what the worker moved for a header
//   that reset() has taken back is dropped.
// - A PCM that takes long to open is opened while the stream already takes
//   headers; when the open fails at last, the stream has gone with the
//   open's error code in place of error::deviceRemoved.
// - close() and the destructor wait a few milliseconds for the worker to end;
//   a worker held up by its PCM is left to finish by itself (it closes the
//   PCM when the call returns) and notifies nobody any more.

#include "platform/NotificationRelay.h"
#include "platform/SoundCard.h"
#include "platform/alsa/PcmPort.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace platform::alsa {

// Over- and underruns of every stream of a card.
struct XrunCounters {
    std::atomic<std::uint64_t> overruns{0};
    std::atomic<std::uint64_t> underruns{0};
};

class PcmStream {
public:
    // Opens the PCM of a stream; runs on the stream's worker.
    using Opener = std::function<MMResult(std::unique_ptr<PcmPort>& port)>;

    // `device` is the handle the notifications name; the opened notification
    // is the caller's to post.
    PcmStream(StreamDirection direction, std::unique_ptr<PcmPort> port,
              std::shared_ptr<NotificationRelay> relay, std::uint64_t key, const void* device,
              std::shared_ptr<XrunCounters> counters);
    // The worker opens the PCM itself first.
    PcmStream(StreamDirection direction, Opener opener, std::shared_ptr<NotificationRelay> relay,
              std::uint64_t key, const void* device, std::shared_ptr<XrunCounters> counters);
    // An open stream stops silently: no notification, headers untouched.
    ~PcmStream();
    PcmStream(const PcmStream&) = delete;
    PcmStream& operator=(const PcmStream&) = delete;

    // Waits at most `wait` for the PCM to open: the open's result, or none
    // while it is still being opened.
    std::optional<MMResult> opened(std::chrono::milliseconds wait);
    // Ready when the worker has ended and its PCM is closed.
    std::shared_future<void> finished() const { return finished_; }

    MMResult prepareHeader(WaveHeader& header);
    MMResult unprepareHeader(WaveHeader& header);
    MMResult add(WaveHeader& header); // addBuffer / write
    // The handles offer start() on capture streams only, pause() and
    // restart() on playback streams only.
    MMResult start();
    MMResult pause();
    MMResult restart();
    MMResult reset();
    MMResult close();
    // Capture: close() that leaves a working PCM recording for `keep`, its
    // worker reading and dropping (`kept` says whether it did), so that
    // adopt() can hand it to the next stream without opening the PCM again
    // (behind a sound server each open is a new connection to it). A kept
    // stream that is not adopted in time, or whose PCM fails meanwhile,
    // closes its PCM.
    MMResult close(std::chrono::milliseconds keep, bool& kept);
    // Makes a kept stream an open one that notifies `device` through
    // `relay`, as a newly opened stream would be: no header, not started.
    // False once its PCM has failed or its time has run out.
    bool adopt(std::shared_ptr<NotificationRelay> relay, std::uint64_t key, const void* device);

private:
    struct Core;

    // Ends the worker: waits for it briefly, else leaves it to end by itself.
    void release();

    std::shared_ptr<Core> core_;
    std::shared_future<void> finished_;
    std::thread worker_;
};

} // namespace platform::alsa
