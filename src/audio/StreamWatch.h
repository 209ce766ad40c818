#pragma once
// Whether a stream gives what the window expects of it, and why not. A
// recording that has handed over no block for a second while blocks are
// expected, or a playback that has given back no buffer for a second while
// the generator plays, is silent; its reason is the error code of the last
// failed attempt to run it (none: the device opened but delivers nothing).
// An open may still be under way when its attempt counts as made (a PCM that
// takes long to refuse its format, or a sound server that answers late): the
// last failure stays the reason until the stream has had its own second.
// While the device cannot be opened, attempts are paced, at least half a
// second apart, so that a missing device costs no processor time; each
// further failure without a block between doubles the pause, up to four seconds (opening a
// sound server's device that does not answer costs milliseconds of
// processor time each time).
//
// Times are milliseconds of a monotonic clock, passed in by the caller.

#include "platform/SoundCard.h"

#include <cstdint>
#include <optional>

class StreamWatch {
public:
    static constexpr std::int64_t silentAfterMs = 1000;
    static constexpr std::int64_t retryAfterMs = 500;
    static constexpr std::int64_t longestRetryAfterMs = 4000;

    // Whether blocks are expected from now on; the second of grace starts
    // when they begin to be expected.
    void expect(bool expected, std::int64_t now);
    // A block was recorded, or a buffer played.
    void delivered(std::int64_t now);
    // An attempt to run the stream ended with this code (ok: it opened; a
    // stream that opened and then failed before its first block is reported
    // again with its code when it has closed).
    void attempted(platform::MMResult result, std::int64_t now);

    // Whether an attempt to open the device may be made now.
    bool attemptDue(std::int64_t now) const;
    // The pause after the last failed attempt before the next one.
    std::int64_t retryDelayMs() const;
    // Silent while expected: the reason (ok: the stream stalls); none while
    // the stream delivers or nothing is expected.
    std::optional<platform::MMResult> silence(std::int64_t now) const;

private:
    bool expected_ = false;
    std::int64_t since_ = 0; // the last block, or when blocks began to be expected
    platform::MMResult lastFailure_ = platform::error::ok;
    std::optional<std::int64_t> nextAttempt_;
    int failures_ = 0; // failed attempts since the last block
    std::optional<std::int64_t> openedAt_; // the attempt that opened, while no block came
};
