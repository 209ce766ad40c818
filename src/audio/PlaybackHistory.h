#pragma once
// Which output buffer played when. Each buffer handed to the device carries
// a tag (what the application put into it, e.g. generator 1's frequency);
// a buffer plays from when the one before it came back (or from when it was
// queued, if the device stood idle) until it comes back itself. A recording
// made at some time can then be paired with what the line output carried
// meanwhile, instead of with what the application will play next.
//
// Times are microseconds on one clock (the sound card's); the history keeps
// the last few seconds.

#include <cstdint>
#include <deque>
#include <optional>

class PlaybackHistory {
public:
    // A buffer carrying `tag` was handed to the device at `time`, after the
    // ones queued before it.
    void queued(std::int32_t tag, std::int64_t time);
    // The oldest queued buffer came back at `time`: it has been played.
    void returned(std::int64_t time);
    // The device closed: the buffers still queued never play.
    void stopped();

    // The tag that played longest within [from, to]; none when no buffer
    // played at any moment of it.
    std::optional<std::int32_t> playedMostOf(std::int64_t from, std::int64_t to) const;

private:
    struct Played {
        std::int64_t start = 0;
        std::int64_t end = 0;
        std::int32_t tag = 0;
    };
    struct Queued {
        std::int32_t tag = 0;
        std::int64_t time = 0;
    };
    // When the oldest queued buffer began to play.
    std::int64_t playingSince() const;

    std::deque<Played> played_; // oldest first
    std::deque<Queued> queued_; // in the order the device plays them
    std::optional<std::int64_t> lastReturn_;
};
