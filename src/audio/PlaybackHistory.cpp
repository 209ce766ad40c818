#include "audio/PlaybackHistory.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

// Buffers of half a second: 32 of them reach back 16 s, far beyond any
// recording still being shown.
constexpr std::size_t keptBuffers = 32;

} // namespace

void PlaybackHistory::queued(std::int32_t tag, std::int64_t time) {
    // A buffer queued to an idle device plays from now, not from the last return.
    if (queued_.empty()) lastReturn_.reset();
    queued_.push_back({tag, time});
}

std::int64_t PlaybackHistory::playingSince() const {
    const std::int64_t queuedAt = queued_.front().time;
    return lastReturn_ ? std::max(*lastReturn_, queuedAt) : queuedAt;
}

void PlaybackHistory::returned(std::int64_t time) {
    if (queued_.empty()) return;
    played_.push_back({std::min(playingSince(), time), time, queued_.front().tag});
    if (played_.size() > keptBuffers) played_.pop_front();
    queued_.pop_front();
    lastReturn_ = time;
}

void PlaybackHistory::stopped() {
    queued_.clear();
    lastReturn_.reset();
}

std::optional<std::int32_t> PlaybackHistory::playedMostOf(std::int64_t from,
                                                          std::int64_t to) const {
    std::map<std::int32_t, std::int64_t> playedFor;
    auto add = [&](std::int64_t start, std::int64_t end, std::int32_t tag) {
        const std::int64_t overlap = std::min(end, to) - std::max(start, from);
        // A moment counts too: a recording of no length takes what played then.
        if (overlap > 0 || (overlap == 0 && from == to && start <= from && from <= end))
            playedFor[tag] += overlap;
    };
    for (const Played& p : played_)
        add(p.start, p.end, p.tag);
    // The oldest queued buffer is playing now, until it comes back.
    if (!queued_.empty())
        add(playingSince(), std::numeric_limits<std::int64_t>::max(), queued_.front().tag);
    if (playedFor.empty()) return std::nullopt;
    return std::max_element(playedFor.begin(), playedFor.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}
