// Real-time pacing with an injected time source: the frame position follows
// the clock exactly, and on the bench the 8000-frame input blocks and the
// 22050-sample output buffers come back at their real-time intervals.
#include "platform/bench/Pacer.h"

#include "BenchTestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

using namespace platform;
using bench::Pacer;
using benchtest::Buffer;
using benchtest::Recorder;

constexpr std::int64_t ms = 1'000'000;

TEST(Pacer, FramesFollowTheClockWithoutAccumulatingError) {
    const std::int64_t start = 5'000 * ms;
    Pacer pacer(start, 44100, 44100);
    EXPECT_EQ(pacer.framesDue(start - ms), 0u);
    EXPECT_EQ(pacer.framesDue(start), 0u);
    std::uint64_t total = 0;
    // 3 ms steps for an hour: 3 ms is 132.3 frames, so every step rounds.
    const std::int64_t hour = 3'600'000 * ms;
    for (std::int64_t t = start; t <= start + hour; t += 3 * ms)
        total += pacer.framesDue(t);
    EXPECT_EQ(total, 44100ull * 3600);
    EXPECT_EQ(pacer.position(), total);
    EXPECT_EQ(pacer.dropped(), 0u);
}

TEST(Pacer, TimeGoingBackwardsGivesNothing) {
    Pacer pacer(0, 44100, 44100);
    EXPECT_EQ(pacer.framesDue(100 * ms), 4410u);
    EXPECT_EQ(pacer.framesDue(50 * ms), 0u);
    EXPECT_EQ(pacer.framesDue(100 * ms), 0u);
    EXPECT_EQ(pacer.framesDue(101 * ms), 44u);
}

TEST(Pacer, AHoldUpIsNotCaughtUpBeyondTheLimit) {
    Pacer pacer(0, 44100, 22050);
    EXPECT_EQ(pacer.framesDue(100 * ms), 4410u);
    EXPECT_EQ(pacer.framesDue(3'100 * ms), 22050u); // 3 s late: half a second is run
    EXPECT_EQ(pacer.dropped(), 3 * 44100u - 22050u);
    EXPECT_EQ(pacer.position(), 136710u);
    EXPECT_EQ(pacer.framesDue(3'200 * ms), 4410u); // and then it goes on in step
}

TEST(Pacer, TimeOfFrameIsWhenTheFrameBecomesDue) {
    const std::int64_t start = 123;
    for (std::uint64_t frame : {0ull, 1ull, 8000ull, 22050ull, 44100ull * 3600 + 7}) {
        Pacer early(start, 44100, ~0ull), onTime(start, 44100, ~0ull);
        const auto t = onTime.timeOfFrame(frame);
        EXPECT_LT(early.framesDue(t - 1), frame > 0 ? frame : 1) << frame;
        EXPECT_EQ(onTime.framesDue(t), frame) << frame;
    }
}

// Drives a manual bench from a pacer the way the bench thread does (waking
// every 2 ms of simulated time) and notes when each header comes back.
TEST(PacerOnTheBench, BlocksComeBackAtTheirRealTimeIntervals) {
    bench::BenchSoundCard card;
    Recorder recorder;
    std::unique_ptr<WaveInput> in;
    std::unique_ptr<WaveOutput> out;
    ASSERT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, in), error::ok);
    ASSERT_EQ(card.openOutput(-1, benchtest::outputFormat(), &recorder, out), error::ok);
    Buffer inputs[2] = {Buffer(32000), Buffer(32000)};
    Buffer outputs[4] = {Buffer(44100), Buffer(44100), Buffer(44100), Buffer(44100)};
    for (auto& b : inputs) {
        ASSERT_EQ(in->prepareHeader(b.header), error::ok);
        ASSERT_EQ(in->addBuffer(b.header), error::ok);
    }
    for (auto& b : outputs) {
        ASSERT_EQ(out->prepareHeader(b.header), error::ok);
        ASSERT_EQ(out->write(b.header), error::ok);
    }
    ASSERT_EQ(in->start(), error::ok);

    Pacer pacer(0, 44100, 22050);
    std::vector<std::int64_t> inputTimes, outputTimes;
    for (std::int64_t t = 0; t <= 3'000 * ms; t += 2 * ms) {
        card.advance(pacer.framesDue(t));
        recorder.events.clear();
        QCoreApplication::processEvents();
        for (const auto& e : recorder.events) {
            if (e.message == message::inputData) {
                inputTimes.push_back(t);
                // Requeue as a continuous recording does.
                ASSERT_EQ(in->addBuffer(*e.header), error::ok);
            }
            if (e.message == message::outputDone) {
                outputTimes.push_back(t);
                ASSERT_EQ(out->write(*e.header), error::ok);
            }
        }
    }
    ASSERT_GE(inputTimes.size(), 15u);
    ASSERT_GE(outputTimes.size(), 5u);
    for (std::size_t k = 1; k < inputTimes.size(); ++k) {
        const auto gap = inputTimes[k] - inputTimes[k - 1];
        EXPECT_GE(gap, 180 * ms) << k;
        EXPECT_LE(gap, 184 * ms) << k;
    }
    for (std::size_t k = 1; k < outputTimes.size(); ++k) {
        const auto gap = outputTimes[k] - outputTimes[k - 1];
        EXPECT_GE(gap, 498 * ms) << k;
        EXPECT_LE(gap, 502 * ms) << k;
    }
    // Block k ends with frame 8000 (k + 1): at most one wake late.
    EXPECT_GE(inputTimes[0], 181 * ms);
    EXPECT_LE(inputTimes[0], 184 * ms);
    ASSERT_EQ(in->reset(), error::ok);
    ASSERT_EQ(out->reset(), error::ok);
}

} // namespace
