#pragma once
// One open wave stream of the ALSA backend: the headers the component has
// queued, in order, and the worker thread that moves them through the PCM.
//
// Capture: once started, the worker reads whatever the PCM has recorded into
// the oldest queued header and gives the header back (inputData) when it is
// full; while no header is queued it reads and drops, so that a header added
// later records from that moment on and the PCM never overruns for want of a
// buffer. Playback: the worker writes the oldest header into the PCM and
// gives it back (outputDone) when all of it has been written; when the queue
// runs out, what has been written is started even below the start threshold.
//
// Over- and underruns are recovered (the PCM is prepared again and goes on)
// and counted; an underrun after the program itself had nothing queued is
// not counted. A PCM that cannot be recovered, or that fails in any other
// way, has gone (an unplugged card, a stopped sound server): its headers come
// back at once, input ones with what they hold so far, and every later call
// except unprepare and close gives error::deviceRemoved.
//
// The handle methods run on the GUI thread; the PCM is only touched with the
// stream's mutex held.

#include "platform/NotificationRelay.h"
#include "platform/SoundCard.h"
#include "platform/alsa/PcmPort.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::alsa {

// Over- and underruns of every stream of a card.
struct XrunCounters {
    std::atomic<std::uint64_t> overruns{0};
    std::atomic<std::uint64_t> underruns{0};
};

class PcmStream {
public:
    // `device` is the handle the notifications name; the opened notification
    // is the caller's to post.
    PcmStream(StreamDirection direction, std::unique_ptr<PcmPort> port,
              std::shared_ptr<NotificationRelay> relay, std::uint64_t key, const void* device,
              std::shared_ptr<XrunCounters> counters);
    // An open stream stops silently: no notification, headers untouched.
    ~PcmStream();
    PcmStream(const PcmStream&) = delete;
    PcmStream& operator=(const PcmStream&) = delete;

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

private:
    void run();
    // With the mutex held: moves what can be moved; true when the worker
    // should wait for the PCM, false when there is nothing to do.
    bool service();
    bool serviceCapture();
    bool servicePlayback();
    // With the mutex held: recovers from an error of transfer(); false when
    // the PCM has gone.
    bool recover(long error);
    void gone();
    void complete();
    void returnAll();
    MMResult usable() const;
    void wake();
    void stopWorker(std::unique_lock<std::mutex>& lock);

    const StreamDirection direction_;
    const std::shared_ptr<NotificationRelay> relay_;
    const std::uint64_t key_;
    const void* const device_;
    const std::shared_ptr<XrunCounters> counters_;
    const int doneMessage_;
    const int closedMessage_;

    // --- guarded by mutex_ ---
    std::mutex mutex_;
    std::unique_ptr<PcmPort> port_;
    std::deque<WaveHeader*> queue_;
    std::uint32_t position_ = 0; // bytes of the oldest header done
    bool running_ = false;       // capture: started; playback: not paused
    bool starved_ = false;       // playback: the queue ran out while the PCM played
    bool unstarted_ = false;     // playback: frames written that may wait for the threshold
    bool removed_ = false;
    bool closed_ = false;
    bool stopping_ = false;
    std::vector<char> scratch_; // capture: what is read while no header is queued

    int wakeFd_ = -1;
    std::thread worker_;
};

} // namespace platform::alsa
