#pragma once
// The smoothing of one half-wave polarity of a channel, as the frequency
// measurement (positive half-waves) and the trigger search (negative
// half-waves) use it:
//
//   y[i] = 0                                    where x[i] has the other sign
//   y[i] = trunc(x[i] / K + y[i-1] - y[i-1] / K) otherwise
//
// for i from the start mark s + 1 up to N, y[s] being the value the find step
// left there. Both searches read y only from s on and stop early, so the
// smoother computes an entry when it is first read: the entries a search
// reads are exactly those of the full smoothing, and nothing is spent on the
// rest of the block. Entries beyond N (and beyond the array) read 0.

#include "core/SharedState.h"

#include <cstdint>

namespace measure {

enum class HalfWave { positive, negative };

class Smoother {
public:
    Smoother(const SharedState::SampleArray& x, SharedState::SampleArray& y, int start, int N,
             int divisor, HalfWave halfWave);

    // y[i], computed on first use; 0 beyond the valid entries.
    std::int32_t at(int i) {
        if (i >= 0 && i <= computed_) return y_[static_cast<std::size_t>(i)];
        return extend(i);
    }

private:
    std::int32_t extend(int i);
    std::int32_t next(std::int32_t x, std::int32_t previous) const;

    const SharedState::SampleArray& x_;
    SharedState::SampleArray& y_;
    int last_;     // the last valid entry: min(N, capacity - 1)
    int computed_; // entries up to here hold this smoothing
    int divisor_;
    bool powerOfTwo_;
    int shift_; // log2 K when K is a power of two
    HalfWave halfWave_;
};

// The channel value at i for the interpolations: 0 outside entries 0 .. N.
std::int32_t sampleAt(const SharedState::SampleArray& x, int N, int i);

} // namespace measure
