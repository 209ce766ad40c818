// Faults of the sound card at random moments, on the bench: an input that
// fails to open (or to take its buffers, or to start), a stream that stops
// delivering, an output that fails, a device that disappears. The program
// keeps running and retrying, shows the last recorded block while the input
// is gone, and recovers when the device comes back: the input by itself, the
// output at the next request to start it ("optimum", or opening a generator
// panel).

#include "RobustWindow.h"
#include "Seed.h"
#include "Tally.h"
#include "TypedTexts.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <functional>
#include <string>

namespace {

using platform::bench::BenchSoundCard;
using platform::bench::Direction;
using platform::bench::Operation;
namespace error = platform::error;

// Episodes of faults: each injects one or two faults, runs on with them and
// clears them again.
constexpr int episodes = 400;

enum class Side { input, output };

struct FaultKind {
    const char* name;
    Side side;
    std::function<void(BenchSoundCard&, int successes)> inject;
    std::function<void(BenchSoundCard&)> clear;
};

// An operation that fails from now on; with `delayed`, after up to two more
// successes (a write fails in the middle of the stream, not at its start).
FaultKind failing(const char* name, Side side, Operation operation, platform::MMResult code,
                  bool delayed = false) {
    return {name, side,
            [operation, code, delayed](BenchSoundCard& card, int successes) {
                card.failOperation(operation, code, delayed ? successes : 0);
            },
            [operation](BenchSoundCard& card) { card.failOperation(operation, error::ok); }};
}

FaultKind stalling(const char* name, Side side) {
    const Direction direction = side == Side::input ? Direction::input : Direction::output;
    return {name, side, [direction](BenchSoundCard& card, int) { card.stall(direction, true); },
            [direction](BenchSoundCard& card) { card.stall(direction, false); }};
}

FaultKind removing(const char* name, Side side) {
    const Direction direction = side == Side::input ? Direction::input : Direction::output;
    return {name, side, [direction](BenchSoundCard& card, int) { card.removeDevice(direction); },
            [direction](BenchSoundCard& card) { card.restoreDevice(direction); }};
}

const std::array<FaultKind, 13>& faultKinds() {
    static const std::array<FaultKind, 13> kinds = {
        failing("input busy", Side::input, Operation::openInput, error::allocated),
        failing("input absent", Side::input, Operation::openInput, error::badDeviceId),
        failing("input server down", Side::input, Operation::openInput, error::serverDown),
        failing("input headers not prepared", Side::input, Operation::prepareInput,
                error::noMemory),
        failing("input buffer refused", Side::input, Operation::addBuffer, error::invalidHandle),
        failing("recording does not start", Side::input, Operation::start, error::unspecified),
        stalling("input stops delivering", Side::input),
        removing("input disappears", Side::input),
        failing("output write fails", Side::output, Operation::write, error::deviceRemoved, true),
        failing("output busy", Side::output, Operation::openOutput, error::allocated),
        failing("output headers not prepared", Side::output, Operation::prepareOutput,
                error::noMemory),
        stalling("output stops delivering", Side::output),
        removing("output disappears", Side::output),
    };
    return kinds;
}

class Faults : public robust::RobustWindow {
protected:
    void SetUp() override {
        RobustWindow::SetUp();
        play(4 * 22050); // the output carries the start-up generator
        capture(2);
        healthyPeak = state().voltagePeak;
    }

    // A capture whose sound has `at` frames passed when `event` happens.
    void captureWith(int at, const std::function<void()>& event) {
        pass();
        play(static_cast<std::uint64_t>(at));
        event();
        play(static_cast<std::uint64_t>(16000 - at));
        pass();
    }

    // A request to start playback, as the user makes one: a generator panel
    // opened and closed again, or (`optimum`) "optimum", which also starts
    // the measurement afresh.
    void requestPlayback(int which, bool optimum) {
        if (optimum) {
            click(*form().Button2);
        } else if (which % 2 == 0) {
            form().zobrazit2->trigger();
            form().zruit2->trigger();
        } else {
            form().zobrazit3->trigger();
            form().zruit3->trigger();
        }
    }

    std::uint16_t healthyPeak = 0;
};

TEST_F(Faults, TheProgramRunsOnShowsTheLastBlockAndRecovers) {
    SCOPED_TRACE(robust::seedNote());
    robust::TypedTexts random(robust::testSeed());
    const auto& kinds = faultKinds();
    int injected = 0;
    int episode = 0;
    for (; episode < episodes && !HasFailure(); ++episode) {
        // One fault, or one on each side.
        std::vector<const FaultKind*> faults = {
            &kinds[static_cast<std::size_t>(random.below(static_cast<int>(kinds.size())))]};
        if (random.oneIn(4)) {
            const FaultKind* other =
                &kinds[static_cast<std::size_t>(random.below(static_cast<int>(kinds.size())))];
            if (other->side != faults[0]->side) faults.push_back(other);
        }
        bool inputFault = false;
        bool outputFault = false;
        std::string names;
        for (const FaultKind* f : faults) {
            (f->side == Side::input ? inputFault : outputFault) = true;
            names += std::string(names.empty() ? "" : " + ") + f->name;
        }
        SCOPED_TRACE("episode " + std::to_string(episode) + ": " + names);
        const std::size_t shown = errors.size();

        // At a random moment of a capture; an operation may still succeed a
        // few times first.
        captureWith(random.below(16001), [&] {
            for (const FaultKind* f : faults)
                f->inject(bench(), random.below(3));
        });
        injected += static_cast<int>(faults.size());
        capture(1);

        // While it lasts: passes go on, nothing is shown, and with the input
        // gone the last block stays on the screen.
        const SharedState::SampleArray lastBlock = state().rawSamples;
        // A capture the device left mid-block carries only what it recorded.
        const std::int32_t lastCount = state().sampleCount;
        const QString voltage = form().Edit1->text();
        const QString current = form().Edit4->text();
        for (int c = 0, n = 1 + random.below(4); c < n; ++c) {
            if (random.oneIn(3)) requestPlayback(random.below(2), false);
            capture(1);
            expectSane("while the fault lasts", true);
            if (inputFault) {
                EXPECT_TRUE(state().rawSamples == lastBlock) << "the block changed";
                EXPECT_EQ(state().sampleCount, lastCount);
                EXPECT_EQ(form().Edit1->text().toStdString(), voltage.toStdString());
                EXPECT_EQ(form().Edit4->text().toStdString(), current.toStdString());
            }
        }
        EXPECT_EQ(errors.size(), shown) << "a device fault showed a message";

        // The device is back: the input is picked up by the retries, the
        // output at the next request to start it.
        for (const FaultKind* f : faults)
            f->clear(bench());
        // Attempts to open the input come at least half a second apart, the
        // pause doubling with each failure up to four seconds: within 13
        // captures of 0.36 s a new block has come.
        capture(3);
        for (int c = 3; inputFault && c < 13 && state().rawSamples == lastBlock; ++c)
            capture(1);
        if (inputFault) {
            EXPECT_FALSE(state().rawSamples == lastBlock) << "no new block after recovery";
        }
        // A stream that failed plays out what it had queued before it closes;
        // until then a request to start it is refused, as while it plays.
        play(4 * 22050);
        if (outputFault || random.oneIn(4)) requestPlayback(random.below(2), random.oneIn(3));
        play(4 * 22050);
        capture(2);
        expectSane("recovered");
        EXPECT_NEAR(state().voltagePeak, healthyPeak, 0.03 * healthyPeak)
            << "the generator's signal is not back";
    }
    robust::tally("faults injected", injected);
    robust::tally("fault episodes", episode);
}

} // namespace
