// Which output buffer played when a recording was made: half-second buffers
// (500000 us) played back to back, with changes of what they carry.
#include "audio/PlaybackHistory.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t half = 500000; // a buffer of half a second, in us

// Four buffers of 100 Hz queued at 0; they come back at 0.5, 1.0, ... s, and
// each one returned is replaced by one of `next`.
PlaybackHistory fourBuffersThen(std::int32_t next, int returnedCount) {
    PlaybackHistory history;
    for (int i = 0; i < 4; ++i)
        history.queued(100, 0);
    for (int i = 1; i <= returnedCount; ++i) {
        history.returned(i * half);
        history.queued(next, i * half);
    }
    return history;
}

TEST(PlaybackHistory, ARecordingIsPairedWithWhatPlayedMeanwhile) {
    // 100 Hz plays from 0 to 2.0 s (four buffers), 400 Hz from 2.0 s on,
    // although 400 Hz was filled in from 0.5 s on.
    const PlaybackHistory history = fourBuffersThen(400, 5);
    const struct {
        std::int64_t from, to;
        std::optional<std::int32_t> tag;
    } table[] = {
        {0, 181000, 100},                 // the first block
        {1800000, 1981000, 100},          // just before the change
        {2000000, 2181000, 400},          // just after it
        {1900000, 2081000, 100},          // across it, mostly before: 100 of 181 ms
        {1950000, 2131000, 400},          // across it, mostly after
        {2400000, 2581000, 400},          // the buffer still playing (returned 2.5 s)
        {3000000, 3181000, 400},          // beyond the last return: the oldest queued
        {-400000, -200000, std::nullopt}, // before anything played
    };
    for (const auto& c : table)
        EXPECT_EQ(history.playedMostOf(c.from, c.to), c.tag) << c.from << " .. " << c.to;
}

TEST(PlaybackHistory, AfterTheDeviceClosedNothingPlays) {
    PlaybackHistory history = fourBuffersThen(200, 2);
    history.stopped();
    EXPECT_EQ(history.playedMostOf(1100000, 1200000), std::nullopt);
    // What played before the stop is still known.
    EXPECT_EQ(history.playedMostOf(100000, 200000), 100);
    // A new stream queued at 5 s plays from 5 s, not from the last return.
    history.queued(300, 5000000);
    EXPECT_EQ(history.playedMostOf(4000000, 4900000), std::nullopt);
    EXPECT_EQ(history.playedMostOf(5000000, 5100000), 300);
    history.returned(5500000);
    EXPECT_EQ(history.playedMostOf(4900000, 5200000), 300);
}

TEST(PlaybackHistory, AnIdleDeviceStartsTheNextBufferWhenItIsQueued) {
    // One buffer played from 0 to 0.5 s; the queue ran dry; the next one,
    // queued at 2 s, plays from 2 s.
    PlaybackHistory history;
    history.queued(100, 0);
    history.returned(half);
    history.queued(700, 2000000);
    EXPECT_EQ(history.playedMostOf(600000, 1900000), std::nullopt);
    // 200 ms of the first against 100 ms of the second, nothing between.
    EXPECT_EQ(history.playedMostOf(300000, 2100000), 100);
    EXPECT_EQ(history.playedMostOf(400000, 2200000), 700);
    history.returned(2500000);
    EXPECT_EQ(history.playedMostOf(2100000, 2300000), 700);
}

TEST(PlaybackHistory, OnlyTheLastSecondsAreKept) {
    PlaybackHistory history;
    history.queued(1, 0);
    for (int i = 1; i <= 100; ++i) {
        history.returned(i * half);
        history.queued(i + 1, i * half);
    }
    // Buffer i + 1 played from i x 0.5 s to (i + 1) x 0.5 s.
    EXPECT_EQ(history.playedMostOf(90 * half + 1000, 90 * half + 2000), 91);
    EXPECT_EQ(history.playedMostOf(10 * half + 1000, 10 * half + 2000), std::nullopt);
}

} // namespace
