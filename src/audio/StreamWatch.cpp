#include "audio/StreamWatch.h"

#include <algorithm>

void StreamWatch::expect(bool expected, std::int64_t now) {
    if (expected && !expected_) since_ = now;
    expected_ = expected;
}

void StreamWatch::delivered(std::int64_t now) {
    since_ = now;
    lastFailure_ = platform::error::ok;
    failures_ = 0;
    openedAt_.reset();
}

void StreamWatch::attempted(platform::MMResult result, std::int64_t now) {
    if (result == platform::error::ok) {
        nextAttempt_.reset();
        // The second runs from the first open since the last block or failure.
        if (!openedAt_) openedAt_ = now;
        return;
    }
    openedAt_.reset();
    lastFailure_ = result;
    ++failures_;
    nextAttempt_ = now + retryDelayMs();
}

std::int64_t StreamWatch::retryDelayMs() const {
    std::int64_t delay = retryAfterMs;
    for (int i = 1; i < failures_ && delay < longestRetryAfterMs; ++i)
        delay *= 2;
    return std::min(delay, longestRetryAfterMs);
}

bool StreamWatch::attemptDue(std::int64_t now) const {
    return !nextAttempt_ || now >= *nextAttempt_;
}

std::optional<platform::MMResult> StreamWatch::silence(std::int64_t now) const {
    if (!expected_ || now - since_ < silentAfterMs) return std::nullopt;
    // An open that has had its second without a block or a failure stalls.
    if (openedAt_ && now - *openedAt_ >= silentAfterMs) return platform::error::ok;
    return lastFailure_;
}
