#include "platform/bench/Pacer.h"

namespace platform::bench {

namespace {
constexpr __int128 nanosecondsPerSecond = 1'000'000'000;
}

Pacer::Pacer(Nanoseconds start, std::uint32_t framesPerSecond, std::uint64_t maxCatchUp)
    : start_(start), rate_(framesPerSecond), maxCatchUp_(maxCatchUp) {}

std::uint64_t Pacer::framesDue(Nanoseconds now) {
    if (now <= start_) return 0;
    const auto target = static_cast<std::uint64_t>(static_cast<__int128>(now - start_) * rate_ /
                                                   nanosecondsPerSecond);
    if (target <= position_) return 0;
    std::uint64_t due = target - position_;
    position_ = target;
    if (due > maxCatchUp_) {
        dropped_ += due - maxCatchUp_;
        due = maxCatchUp_;
    }
    return due;
}

Pacer::Nanoseconds Pacer::timeOfFrame(std::uint64_t frame) const {
    // The first nanosecond at which floor(elapsed * rate / 1 s) reaches frame.
    const __int128 scaled = static_cast<__int128>(frame) * nanosecondsPerSecond;
    return start_ + static_cast<Nanoseconds>((scaled + rate_ - 1) / rate_);
}

} // namespace platform::bench
