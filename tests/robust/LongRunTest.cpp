// A long run: one simulated hour on the bench's manual clock, the window
// recording capture after capture while a user does random things every few
// seconds (sliders, range boxes, time bases, one-shot, "optimum", panels,
// stepping, the sweep, typed values). Nothing may break, the output never
// stops, and the memory in use stays flat after the first minute. In the
// sanitizer build the address and undefined-behaviour sanitizers watch it,
// and the leak check runs when the program ends.

#include "Memory.h"
#include "RobustWindow.h"
#include "Seed.h"
#include "Tally.h"
#include "TypedTexts.h"
#include "audio/AudioIn.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t framesPerSecond = 44100;
constexpr std::uint64_t captureFrames = 16000;
constexpr std::uint64_t simulatedSeconds = 3600;
// A user action every few seconds on average.
constexpr int meanSecondsBetweenActions = 4;
// Growth of the memory in use allowed after the first minute: far less than
// a leak of a few dozen bytes per capture (10000 captures an hour) would make.
constexpr std::size_t allowedGrowth = 256 * 1024;

class LongRun : public robust::RobustWindow {
protected:
    struct Action {
        const char* name;
        int weight;
        std::function<void()> run;
    };

    void SetUp() override {
        RobustWindow::SetUp();
        TForm1& f = form();
        auto slider = [this](QScrollBar* bar) {
            return [this, bar] {
                bar->setValue(bar->minimum() + random.below(bar->maximum() - bar->minimum() + 1));
            };
        };
        auto item = [this](QComboBox* box) {
            return [this, box] { choose(*box, random.below(box->count())); };
        };
        auto trigger = [](QAction* action) { return [action] { action->trigger(); }; };
        auto press = [this](QAbstractButton* button) { return [button] { button->click(); }; };
        actions = {
            {"amplitude slider", 6, slider(f.ScrollBar4)},
            {"frequency slider", 6, slider(f.ScrollBar5)},
            {"generator 2 amplitude", 3, slider(f.ScrollBar403)},
            {"generator 2 frequency", 3, slider(f.ScrollBar406)},
            {"amplitude range", 3, item(f.ComboBox7)},
            {"frequency range", 3, item(f.ComboBox8)},
            {"generator 2 ranges", 2, item(f.ComboBox410)},
            {"generator 2 frequency range", 2, item(f.ComboBox411)},
            {"current range", 3, item(f.ComboBox9)},
            {"voltage range", 3, item(f.ComboBox10)},
            {"time base", 4, item(f.ComboBox1)},
            {"trigger source", 2, item(f.ComboBox4)},
            {"one-shot", 2, press(f.Button3)},
            {"optimum", 1, press(f.Button2)},
            {"channel L", 1, press(f.RadioButton3)},
            {"channel R", 1, press(f.RadioButton4)},
            {"channels L+R", 1, press(f.RadioButton5)},
            {"mazani", 1, trigger(f.file1)},
            {"generator 1 panel", 1, trigger(f.zobrazit1)},
            {"generator 1 off", 1, trigger(f.zruit1)},
            {"generator 2 panel", 2, trigger(f.zobrazit2)},
            {"generator 2 off", 1, trigger(f.zruit2)},
            {"stepping panel", 2, trigger(f.zobrazit3)},
            {"stepping panel off", 1, trigger(f.zruit3)},
            {"sweep panel", 2, trigger(f.zobrazit4)},
            {"sweep panel off", 1, trigger(f.zruit4)},
            {"stepping start/stop", 3, [this] { startOrStopStepping(); }},
            {"stepping cancel", 1, press(f.Button204)},
            {"sweep start", 2, [this] { startSweep(); }},
            {"sweep cancel", 1, press(f.Button104)},
            {"typed amplitude", 2, [this] { typeAndDoubleClick(*form().Edit13, 0, 1100); }},
            {"typed frequency", 2, [this] { typeAndDoubleClick(*form().Edit14, 10, 20000); }},
        };
        for (const Action& a : actions)
            totalWeight += a.weight;
    }

    const Action& pick() {
        int at = random.below(totalWeight);
        for (const Action& a : actions) {
            if (at < a.weight) return a;
            at -= a.weight;
        }
        return actions.back();
    }

    void startOrStopStepping() {
        TForm1& f = form();
        if (f.state.steppingActive == 0) {
            const int start = 20 + random.below(2000);
            setText(*f.Edit206, start);
            setText(*f.Edit216, start + random.below(5000) - 500);
            setText(*f.Edit222, random.below(4));
            setText(*f.Edit223, random.below(300));
        }
        f.Button203->click();
    }

    void startSweep() {
        setText(*form().Edit106, random.below(2000));
        setText(*form().Edit110, random.below(2000));
        form().Button103->click();
    }

    void typeAndDoubleClick(QLineEdit& box, int least, int most) {
        setText(box, least + random.below(most - least + 1));
        doubleClick(box);
    }

    static void setText(QLineEdit& box, int value) { box.setText(QString::number(value)); }

    robust::TypedTexts random{robust::testSeed()};
    std::vector<Action> actions;
    int totalWeight = 0;
};

TEST_F(LongRun, AnHourOfRandomUse) {
    SCOPED_TRACE(robust::seedNote());
    const std::uint64_t end = simulatedSeconds * framesPerSecond;
    std::uint64_t now = 0;
    std::uint64_t nextAction = 0;
    std::uint64_t nextTick = 0;
    bool ticking = false;
    std::size_t afterAMinute = 0;
    std::size_t largest = 0;
    int done = 0;
    int captures = 0;
    std::string last = "start-up";

    while (now < end && !HasFailure()) {
        // A capture: the pass that starts it, then its sound, with the
        // user's action at its moment.
        pass();
        std::uint64_t left = captureFrames;
        while (left > 0) {
            const std::uint64_t step = std::min(left, nextAction > now ? nextAction - now : 0);
            play(step);
            now += step;
            left -= step;
            if (nextAction <= now) {
                const Action& a = pick();
                last = a.name;
                SCOPED_TRACE(std::string("action ") + a.name + " at second " +
                             std::to_string(now / framesPerSecond));
                a.run();
                ++done;
                nextAction =
                    now + framesPerSecond * static_cast<std::uint64_t>(
                                                1 + random.below(2 * meanSecondsBetweenActions));
            }
        }
        ++captures;

        // The stepping timer ticks on the bench's clock.
        TForm1& f = form();
        if (f.Timer1->isActive()) {
            if (!ticking) nextTick = now + framesPerSecond * f.Timer1->interval() / 1000;
            ticking = true;
            if (now >= nextTick) {
                f.Timer1Timer();
                nextTick = now + framesPerSecond * f.Timer1->interval() / 1000;
            }
        } else {
            ticking = false;
        }

        const std::string when =
            "second " + std::to_string(now / framesPerSecond) + ", after action " + last;
        if (captures % 100 == 0) expectSane(when);
        if (afterAMinute == 0 && now >= 60 * framesPerSecond)
            afterAMinute = robust::allocatedBytes();
        if (afterAMinute != 0) largest = std::max(largest, robust::allocatedBytes());
    }
    // Still measuring: the last capture's block reached the window.
    pass();
    expectSane("the end");
    EXPECT_EQ(state().sampleCount, 16000);
    EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
    EXPECT_LE(largest, afterAMinute + allowedGrowth)
        << "memory in use after the first minute " << afterAMinute << " bytes, at most " << largest
        << " bytes later";

    robust::tally("simulated seconds", static_cast<std::int64_t>(now / framesPerSecond));
    robust::tally("user actions", done);
    robust::tally("captures", captures);
    robust::tally("memory in use after a minute (bytes)", static_cast<std::int64_t>(afterAMinute));
    robust::tally("memory in use at most later (bytes)", static_cast<std::int64_t>(largest));
    robust::tally("resident set at the end (bytes)",
                  static_cast<std::int64_t>(robust::residentBytes()));
}

// A signal that is loud and quiet in turn makes the input gain switch every
// few seconds, each switch a write to the mixer: a night of it must not
// make the program grow. The one-shot display measures without drawing, so
// that nothing but the switching runs. (The sanitizer's count of the memory
// in use is exact; the C library's moves by a few kilobytes on its own.)
TEST_F(LongRun, AGainSwitchEveryFewSecondsKeepsTheMemoryFlat) {
    constexpr int warmUp = 60;
    constexpr int measured = 150;
#if defined(__SANITIZE_ADDRESS__)
    constexpr std::size_t allowed = 1024;
#else
    constexpr std::size_t allowed = 32 * 1024;
#endif
    click(*form().Button3);
    ASSERT_EQ(state().periodicMode, 0);
    constexpr int capturesPerHalf = 8; // the queued output plays about 2 s
    std::size_t before = 0;
    int switches = 0;
    std::int32_t gain = state().reducedGain;
    for (int half = 0; switches < warmUp + measured && half < 2 * (warmUp + measured) + 10;
         ++half) {
        form().ScrollBar4->setValue(half % 2 == 0 ? 32767 : 3000);
        capture(capturesPerHalf);
        if (state().reducedGain != gain) ++switches;
        gain = state().reducedGain;
        if (switches == warmUp && before == 0) before = robust::allocatedBytes();
    }
    ASSERT_EQ(switches, warmUp + measured);
    const std::size_t after = robust::allocatedBytes();
    EXPECT_LE(after, before + allowed)
        << "memory in use " << before << " bytes after " << warmUp << " switches, " << after
        << " bytes after " << measured << " more";
    expectSane("switching");
    robust::tally("gain switches", switches);
}

} // namespace
