#include "audio/StreamWatch.h"

void StreamWatch::expect(bool expected, std::int64_t now) {
    if (expected && !expected_) since_ = now;
    expected_ = expected;
}

void StreamWatch::delivered(std::int64_t now) {
    since_ = now;
    lastFailure_ = platform::error::ok;
}

void StreamWatch::attempted(platform::MMResult result, std::int64_t now) {
    if (result == platform::error::ok) {
        nextAttempt_.reset();
        lastFailure_ = platform::error::ok;
        return;
    }
    lastFailure_ = result;
    nextAttempt_ = now + retryAfterMs;
}

bool StreamWatch::attemptDue(std::int64_t now) const {
    return !nextAttempt_ || now >= *nextAttempt_;
}

std::optional<platform::MMResult> StreamWatch::silence(std::int64_t now) const {
    if (!expected_ || now - since_ < silentAfterMs) return std::nullopt;
    return lastFailure_;
}
