// The bench on its real-time clock: a thread of its own moves the audio and
// the notifications reach the targets on the GUI thread. Run under
// ThreadSanitizer, these tests check that the two threads share only what
// the bench's mutex guards.
#include "BenchTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>

namespace {

using namespace platform;
using bench::BenchSoundCard;
using benchtest::Buffer;
using benchtest::Recorder;

bench::BenchOptions realTime() {
    bench::BenchOptions options;
    options.clock = bench::ClockMode::realTime;
    return options;
}

// Runs the event loop until `done` holds; false if it never does (a hang).
template <typename Done> bool runUntil(Done done, int limitMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

TEST(BenchRealTime, StreamsRunAndComeBackOnTheGuiThread) {
    BenchSoundCard card(realTime());
    benchtest::setUpMixer(card);
    // Checks, from the handler, which thread delivers and what it sees.
    class Checker : public Recorder {
    public:
        QThread* gui = QThread::currentThread();
        WaveInput* in = nullptr;
        WaveOutput* out = nullptr;
        int inputs = 0, outputs = 0;
        bool otherThread = false;
        bool sawSignal = false;

    protected:
        bool event(QEvent* e) override {
            const bool handled = Recorder::event(e);
            if (e->type() != DeviceEvent::eventType()) return handled;
            otherThread = otherThread || QThread::currentThread() != gui;
            const auto& got = events.back();
            if (got.message == message::inputData && inputs < 6) {
                ++inputs;
                // The recorded block is read here, on the GUI thread.
                const auto* values = reinterpret_cast<const std::int16_t*>(got.header->data);
                for (std::uint32_t k = 0; k < got.bytesRecorded / 2; ++k)
                    sawSignal = sawSignal || std::abs(values[k]) > 100;
                EXPECT_EQ(in->addBuffer(*got.header), error::ok);
            }
            if (got.message == message::outputDone && outputs < 3) {
                ++outputs;
                EXPECT_EQ(out->write(*got.header), error::ok);
            }
            return handled;
        }
    } checker;
    std::unique_ptr<WaveInput> in;
    std::unique_ptr<WaveOutput> out;
    ASSERT_EQ(card.openInput(-1, benchtest::inputFormat(), &checker, in), error::ok);
    ASSERT_EQ(card.openOutput(-1, benchtest::outputFormat(), &checker, out), error::ok);
    checker.in = in.get();
    checker.out = out.get();
    Buffer inputs[2] = {Buffer(32000), Buffer(32000)};
    Buffer outputs[2] = {Buffer(8820), Buffer(8820)}; // 100 ms each
    for (auto& b : outputs) {
        for (std::size_t n = 0; n < 4410; ++n)
            b.setSample(n, n % 441 < 220 ? 3000 : -3000);
        ASSERT_EQ(out->prepareHeader(b.header), error::ok);
        ASSERT_EQ(out->write(b.header), error::ok);
    }
    for (auto& b : inputs) {
        ASSERT_EQ(in->prepareHeader(b.header), error::ok);
        ASSERT_EQ(in->addBuffer(b.header), error::ok);
    }
    ASSERT_EQ(in->start(), error::ok);
    ASSERT_TRUE(runUntil([&] { return checker.inputs >= 6 && checker.outputs >= 3; }));
    EXPECT_FALSE(checker.otherThread);
    EXPECT_TRUE(checker.sawSignal);
    // The headers requeued last come back by reset; then both close.
    ASSERT_EQ(in->reset(), error::ok);
    ASSERT_EQ(out->reset(), error::ok);
    ASSERT_EQ(in->close(), error::ok);
    ASSERT_EQ(out->close(), error::ok);
    ASSERT_TRUE(runUntil([&] {
        return checker.messages().back() == message::inputClosed ||
               checker.messages().back() == message::outputClosed;
    }));
    const auto count = checker.events.size();
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_LE(checker.events.size(), count + 1) << "at most the other closed notification";
}

// A recording level lowered through the program's mixer handle while a DC
// voltage is recorded: the level steps down at the frame that was due on the
// wall clock when the change was made, counted from the frame due when the
// recording started, not at the last frame the bench thread simulated before.
TEST(BenchRealTime, ALevelChangeTakesEffectAtItsMoment) {
    using Clock = std::chrono::steady_clock;
    BenchSoundCard card(realTime());
    benchtest::setUpMixer(card);
    Recorder recorder;
    std::unique_ptr<Mixer> mixer;
    ASSERT_EQ(card.openMixer(0, &recorder, mixer), error::ok);
    const auto level = card.mixer(0).findControl(lineType::sourceLine, controlType::volume,
                                                 lineType::destinationWaveIn);
    std::unique_ptr<WaveOutput> out;
    std::unique_ptr<WaveInput> in;
    ASSERT_EQ(card.openOutput(-1, benchtest::outputFormat(), &recorder, out), error::ok);
    ASSERT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, in), error::ok);
    Buffer dc(2 * 88200); // 2 s
    for (std::size_t n = 0; n < 88200; ++n)
        dc.setSample(n, 8000);
    Buffer recorded(176400); // 1 s
    ASSERT_EQ(out->prepareHeader(dc.header), error::ok);
    ASSERT_EQ(out->write(dc.header), error::ok);
    ASSERT_EQ(in->prepareHeader(recorded.header), error::ok);
    ASSERT_EQ(in->addBuffer(recorded.header), error::ok);
    QThread::msleep(20); // the reconstruction filter settles on the DC
    const auto startedAfter = Clock::now();
    ASSERT_EQ(in->start(), error::ok);
    const auto startedBefore = Clock::now();
    // Long enough that the bench thread has slept through part of it.
    QThread::msleep(300);
    const auto changedAfter = Clock::now();
    ASSERT_EQ(mixer->setValues(level, 1, 0, {32768}), error::ok);
    const auto changedBefore = Clock::now();
    ASSERT_TRUE(runUntil([&] {
        const auto m = recorder.messages();
        return std::find(m.begin(), m.end(), message::inputData) != m.end();
    }));

    const auto ur = [&](std::size_t frame) { return recorded.sample(2 * frame); };
    const double full = ur(100);
    ASSERT_GT(full, 1000.0);
    std::size_t step = 0;
    while (step < 44100 && ur(step) > 0.75 * full)
        ++step;
    ASSERT_LT(step, 44100u) << "the level never changed";
    EXPECT_NEAR(ur(step), full / 2, 3.0);
    const auto frames = [](Clock::duration d) {
        return std::chrono::duration<double>(d).count() * 44100;
    };
    EXPECT_GE(static_cast<double>(step), frames(changedAfter - startedBefore) - 2);
    EXPECT_LE(static_cast<double>(step), frames(changedBefore - startedAfter) + 2);
}

TEST(BenchRealTime, DevicesOpenAndCloseWhileTheClockRuns) {
    BenchSoundCard card(realTime());
    Recorder recorder;
    for (int round = 0; round < 20; ++round) {
        // The buffer outlives the device that fills it, as a caller's must.
        Buffer b(400);
        std::unique_ptr<WaveInput> in;
        ASSERT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, in), error::ok);
        ASSERT_EQ(in->prepareHeader(b.header), error::ok);
        ASSERT_EQ(in->addBuffer(b.header), error::ok);
        ASSERT_EQ(in->start(), error::ok);
        if (round % 2) {
            QThread::msleep(5);
            ASSERT_EQ(in->reset(), error::ok);
            ASSERT_EQ(in->close(), error::ok);
        }
        // Even rounds destroy the open device while the thread may be filling it.
    }
    QThread::msleep(20);
    QCoreApplication::processEvents();
    for (const auto& e : recorder.events)
        EXPECT_TRUE(e.message == message::inputOpened || e.message == message::inputClosed ||
                    e.message == message::inputData);
}

TEST(BenchRealTime, TheCardStopsCleanlyWithDevicesStillOpen) {
    Recorder recorder;
    std::unique_ptr<WaveOutput> out;
    Buffer b(44100);
    {
        BenchSoundCard card(realTime());
        ASSERT_EQ(card.openOutput(-1, benchtest::outputFormat(), &recorder, out), error::ok);
        ASSERT_EQ(out->prepareHeader(b.header), error::ok);
        ASSERT_EQ(out->write(b.header), error::ok);
        QThread::msleep(10);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(out->reset(), error::ok);
    EXPECT_EQ(out->close(), error::ok);
}

} // namespace
