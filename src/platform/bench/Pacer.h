#pragma once
// Pacing of the real-time bench clock: how many frames the simulation has to
// run so that simulated time keeps up with the wall clock. Time is passed in
// (integer nanoseconds of a monotonic clock), so the logic is tested without
// waiting; the frame position is derived from the elapsed time in integer
// arithmetic and never accumulated in floating point.

#include <cstdint>

namespace platform::bench {

class Pacer {
public:
    using Nanoseconds = std::int64_t;

    // start: the time at which frame 0 begins. maxCatchUp: at most this many
    // frames are run at once; time beyond that (the thread was held up) is
    // dropped like an overrun of a real card.
    Pacer(Nanoseconds start, std::uint32_t framesPerSecond, std::uint64_t maxCatchUp);

    // Frames to simulate now; the frame count due is floor(elapsed * rate / 1 s).
    std::uint64_t framesDue(Nanoseconds now);

    // Frames handed out so far (including dropped ones).
    std::uint64_t position() const { return position_; }
    // Frames dropped because the caller fell behind by more than maxCatchUp.
    std::uint64_t dropped() const { return dropped_; }

    // The time at which frame `frame` is due.
    Nanoseconds timeOfFrame(std::uint64_t frame) const;

private:
    Nanoseconds start_;
    std::uint32_t rate_;
    std::uint64_t maxCatchUp_;
    std::uint64_t position_ = 0;
    std::uint64_t dropped_ = 0;
};

} // namespace platform::bench
