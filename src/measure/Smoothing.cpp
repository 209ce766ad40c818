#include "measure/Smoothing.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace measure {

Smoother::Smoother(const SharedState::SampleArray& x, SharedState::SampleArray& y, int start, int N,
                   int divisor, HalfWave halfWave)
    : x_(x), y_(y), last_(std::min(N, sampleCapacity - 1)),
      computed_(std::clamp(start, 0, sampleCapacity - 1)), divisor_(std::max(divisor, 1)),
      powerOfTwo_((divisor_ & (divisor_ - 1)) == 0 && divisor_ <= 65536),
      shift_(std::countr_zero(static_cast<unsigned>(divisor_))), halfWave_(halfWave) {}

std::int32_t Smoother::next(std::int32_t x, std::int32_t previous) const {
    const bool otherSign = halfWave_ == HalfWave::positive ? x < 0 : x >= 0;
    if (otherSign) return 0;
    if (powerOfTwo_) {
        // With K a power of two every step of the floating-point formula is
        // exact, so it equals this integer division truncated toward zero.
        // Truncated toward zero by a shift: a negative sum is first raised
        // by K - 1, so that the shift's rounding down meets the division's.
        const std::int64_t sum = std::int64_t{x} + std::int64_t{divisor_ - 1} * previous;
        const std::int64_t raise = sum < 0 ? divisor_ - 1 : 0;
        return static_cast<std::int32_t>((sum + raise) >> shift_);
    }
    const double k = divisor_;
    return static_cast<std::int32_t>(std::trunc(x / k + previous - previous / k));
}

std::int32_t Smoother::extend(int i) {
    if (i < 0 || i > last_) return 0;
    while (computed_ < i) {
        const auto j = static_cast<std::size_t>(computed_ + 1);
        y_[j] = next(x_[j], y_[j - 1]);
        ++computed_;
    }
    return y_[static_cast<std::size_t>(i)];
}

std::int32_t sampleAt(const SharedState::SampleArray& x, int N, int i) {
    if (i < 0 || i > N || i >= sampleCapacity) return 0;
    return x[static_cast<std::size_t>(i)];
}

} // namespace measure
