// The idle cycle runs pass after pass while everything else the program
// receives (posted notifications, timer ticks, clicks) is delivered between
// the passes.

#include "app/IdleCycle.h"

#include "app/CanvasWidget.h"
#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "platform/NotificationRelay.h"
#include "platform/bench/BenchSoundCard.h"
#include "support/BenchWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// Receives posted events and notes how many idle passes had run at each,
// and how many arrived while a pass ran.
class Recorder : public QObject {
public:
    static QEvent::Type type() {
        static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
        return t;
    }
    explicit Recorder(const TForm1& form) : form_(form) {}
    std::vector<std::uint64_t> passesAtDelivery;
    int duringAPass = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() != type()) return QObject::event(e);
        passesAtDelivery.push_back(form_.idlePassCount());
        duringAPass += form_.idleCycle().inPass();
        return true;
    }

private:
    const TForm1& form_;
};

// The longest run of successive arrivals with no pass between them.
int mostArrivalsInARowWithoutAPass(const std::vector<std::uint64_t>& passesAtArrival) {
    int most = 0;
    int run = 0;
    for (std::size_t i = 1; i < passesAtArrival.size(); ++i) {
        run = passesAtArrival[i] == passesAtArrival[i - 1] ? run + 1 : 0;
        most = std::max(most, run);
    }
    return most;
}

TEST(IdleCycleTest, PassesStartOnlyOnceTheLoopRuns) {
    auto form = std::make_unique<TForm1>();
    EXPECT_TRUE(form->idleHooked());
    EXPECT_EQ(form->idlePassCount(), 0u);
    QTest::qWait(20);
    EXPECT_GT(form->idlePassCount(), 0u);
}

TEST(IdleCycleTest, PassesRunBetweenPostedEventsTimerTicksAndClicks) {
    auto form = std::make_unique<TForm1>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

    Recorder recorder(*form);
    int duringAPass = 0;
    std::vector<std::uint64_t> passesAtTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        passesAtTick.push_back(form->idlePassCount());
        duringAPass += form->idleCycle().inPass();
        // A device notification arrives as a posted event.
        QCoreApplication::postEvent(&recorder, new QEvent(Recorder::type()));
    });
    std::vector<std::uint64_t> passesAtClick;
    QObject::connect(form->Button3, &QPushButton::clicked,
                     [&] {
                         passesAtClick.push_back(form->idlePassCount());
                         duringAPass += form->idleCycle().inPass();
                     });

    QTimer clicker;
    clicker.setInterval(30);
    QObject::connect(&clicker, &QTimer::timeout,
                     [&] { QTest::mouseClick(form->Button3, Qt::LeftButton); });

    // The program's own kind of loop, which waits for the next event (the
    // loop of QTest::qWait sleeps between its rounds instead).
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    ticker.start();
    clicker.start();
    loop.exec();
    ticker.stop();
    clicker.stop();
    QCoreApplication::processEvents();

    EXPECT_GE(passesAtTick.size(), 10u);
    EXPECT_EQ(recorder.passesAtDelivery.size(), passesAtTick.size());
    EXPECT_GE(passesAtClick.size(), 5u);
    // Nothing is handled while a pass runs.
    EXPECT_EQ(duringAPass, 0);
    EXPECT_EQ(recorder.duringAPass, 0);
    // Passes go on while events keep arriving. Between two of them a pass
    // runs, except where the cycle rested: the event that wakes it starts
    // the passes only once the loop comes round, and a tick that fell due
    // meanwhile comes first. The pass follows at once.
    EXPECT_LE(mostArrivalsInARowWithoutAPass(passesAtTick), 1);
    EXPECT_LE(mostArrivalsInARowWithoutAPass(recorder.passesAtDelivery), 1);
    EXPECT_LE(mostArrivalsInARowWithoutAPass(passesAtClick), 1);
}

// With the bench's clock standing still nothing arrives: after a few passes
// the cycle waits, and the next event wakes it.
TEST(IdleCycleTest, WithNothingArrivingTheCycleWaitsUntilTheNextEvent) {
    for (int periodic : {1, 0}) {
        auto form = std::make_unique<TForm1>();
        form->state.periodicMode = periodic;
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->idleCycle().waiting(); }, 5000)) << periodic;
        const auto resting = form->idlePassCount();
        EXPECT_LE(resting, 8u);
        QTest::qWait(30);
        EXPECT_EQ(form->idlePassCount(), resting);

        Recorder recorder(*form);
        QCoreApplication::postEvent(&recorder, new QEvent(Recorder::type()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->idlePassCount() > resting; }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->idleCycle().waiting(); }, 5000));
    }
}

// Takes device notifications and changes the window's state on each, as the
// playback component's handler does when it fills the generator's next buffer.
class Handler : public QObject {
public:
    std::function<void()> onNotification;

protected:
    bool event(QEvent* e) override {
        if (e->type() != platform::DeviceEvent::eventType()) return QObject::event(e);
        if (onNotification) onNotification();
        return true;
    }
};

// While the window waits, an event that changes nothing a pass reads leaves
// it waiting: a played buffer that comes back (unless its handler changes
// what a pass reads), a wake of the sound card's notification relay, the
// blinking cursor of a text box. A recorded block wakes it.
TEST(IdleCycleTest, OnlyWhatAPassReadsWakesTheWaitingWindow) {
    auto form = std::make_unique<TForm1>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    // The cursor blinks from here on.
    form->activateWindow();
    form->Edit13->setFocus();
    Handler handler;
    auto relay = std::make_shared<platform::NotificationRelay>(true);
    const auto notify = [&](int message) {
        QCoreApplication::postEvent(&handler, new platform::DeviceEvent(message, nullptr));
    };
    struct Case {
        const char* what;
        std::function<void()> arrive;
        std::function<void()> change;
        bool wakes;
    };
    const Case cases[] = {
        {"played buffer", [&] { notify(platform::message::outputDone); }, nullptr, false},
        {"played buffer, generator moved on",
         [&] { notify(platform::message::outputDone); },
         [&] { form->state.generatorSampleIndex += 4410; }, false},
        {"played buffer, generator frequency changed",
         [&] { notify(platform::message::outputDone); },
         [&] { form->state.generator1Frequency += 1; }, true},
        {"recorded block", [&] { notify(platform::message::inputData); }, nullptr, true},
        {"input opened", [&] { notify(platform::message::inputOpened); }, nullptr, false},
        {"relay woken", [&] { relay->wakeFromThread(); }, nullptr, false},
        {"cursor blinking in a text box", [] { QTest::qWait(1200); }, nullptr, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->idleCycle().waiting(); }, 5000)) << c.what;
        const auto resting = form->idlePassCount();
        handler.onNotification = c.change;
        c.arrive();
        if (c.wakes) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return form->idlePassCount() > resting; }, 5000))
                << c.what;
        } else {
            QTest::qWait(100);
            EXPECT_EQ(form->idlePassCount(), resting) << c.what;
            EXPECT_TRUE(form->idleCycle().waiting()) << c.what;
        }
    }
}

// Between two passes, a quiet event (here a played buffer) counts as news
// only if it changed the state: the first pass sets the state to 1 and
// posts the event, whose handler may set it to 2; every pass sets it to 1.
TEST(IdleCycleTest, AQuietEventBetweenPassesCountsOnlyIfItChangedTheState) {
    const struct {
        const char* what;
        int message;
        bool changes;
        std::uint64_t passes;
    } cases[] = {
        // The second pass finds the state the first left: the cycle rests.
        {"quiet, state as it was", platform::message::outputDone, false, 2},
        // The second pass starts from another state than the first left,
        // though it leaves the same: a third must look.
        {"quiet, state changed", platform::message::outputDone, true, 3},
        {"not quiet", platform::message::inputData, false, 3},
    };
    for (const auto& c : cases) {
        // What earlier tests left behind would be news as well.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        StateSnapshot state;
        int handled = 0;
        Handler handler;
        handler.onNotification = [&] {
            ++handled;
            if (c.changes) state.values[0] = 2;
        };
        IdleCycle cycle(
            [&, passes = 0](bool& Done) mutable {
                if (++passes == 1)
                    QCoreApplication::postEvent(&handler,
                                                new platform::DeviceEvent(c.message, nullptr));
                state.values[0] = 1;
                Done = false;
            },
            [&] { return state; }, [] { return true; });
        cycle.quietWhen([](const QObject*, const QEvent* e) {
            return e->type() == platform::DeviceEvent::eventType() &&
                   static_cast<const platform::DeviceEvent*>(e)->message() ==
                       platform::message::outputDone;
        });
        cycle.hook();
        ASSERT_TRUE(QTest::qWaitFor([&] { return cycle.waiting(); }, 5000)) << c.what;
        EXPECT_EQ(handled, 1) << c.what;
        EXPECT_EQ(cycle.passes(), c.passes) << c.what;
        cycle.unhook();
    }
}

// An input that cannot be opened is retried in every pass: no waiting then.
// A device that cannot be opened costs no processor time: it is tried again
// at most every half second, and the cycle rests in between.
TEST(IdleCycleTest, AnInputThatCannotOpenIsRetriedEveryHalfSecond) {
    auto& bench = dynamic_cast<platform::bench::BenchSoundCard&>(platform::soundCard());
    bench.failOperation(platform::bench::Operation::openInput, platform::error::allocated);
    auto form = std::make_unique<TForm1>();
    QTest::qWait(100);
    const auto before = form->idlePassCount();
    QTest::qWait(400);
    // Between attempts the cycle waits instead of running pass after pass.
    EXPECT_LT(form->idlePassCount() - before, 200u);
    EXPECT_FALSE(form->AudioIn1->DeviceOpen);

    // The device is free again: a later attempt opens it.
    bench.failOperation(platform::bench::Operation::openInput, platform::error::ok);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->AudioIn1->DeviceOpen; }, 5000));
}

// What the window shows: the four readouts, the overload warning and the screen.
struct Shown {
    std::string readouts;
    bool overload;
    QImage screen;
};

Shown shown(TForm1& form) {
    return {
        QStringList{form.Edit1->text(), form.Edit4->text(), form.Edit8->text(), form.Edit12->text()}
            .join('|')
            .toStdString(),
        form.Panel2->isVisibleTo(&form), form.canvas()->canvas().image()};
}

// A block that clips at full gain: the first pass on it switches to reduced
// gain, and only the next pass on the same block reads it with the new
// factors and ranges. Then blocks whose traces stand elsewhere than the last
// ones: the first pass on each erases the old traces across the grid. The
// cycle may rest only once the passes stopped changing anything: more
// passes, with no block arriving, show the same.
TEST(IdleCycleTest, TheCycleRestsOnlyWhenAnotherPassWouldShowTheSame) {
    testcard::BenchWindow bench(testcard::circuit("R=10"));
    TForm1& form = bench.form();
    bench.state().generator1Amplitude = 20000; // 671 mV: clips at full gain
    bench.settleOutput();
    for (int capture = 0; capture < 3; ++capture) {
        bench.pass();                      // starts a capture
        bench.advance(16000 + 37 * capture); // its two blocks arrive, the tone's phase elsewhere
        // The manual clock stands still: no further block arrives.
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.idleCycle().waiting(); }, 10000));
        ASSERT_EQ(bench.state().reducedGain, 1);
        const Shown resting = shown(form);
        for (int i = 0; i < 3; ++i)
            bench.pass();
        EXPECT_EQ(shown(form).readouts, resting.readouts) << capture;
        EXPECT_EQ(shown(form).overload, resting.overload) << capture;
        EXPECT_TRUE(shown(form).screen == resting.screen) << capture;
    }
}

// A bench whose input is busy for the next open only, as when another
// program has just let go of it.
class InputBusyOnce : public platform::bench::BenchSoundCard {
public:
    bool busyNext = false;
    int refused = 0;
    platform::MMResult openInput(int device, const platform::PcmFormat& format, QObject* notify,
                                 std::unique_ptr<platform::WaveInput>& input) override {
        if (busyNext) {
            busyNext = false;
            ++refused;
            return platform::error::allocated;
        }
        return BenchSoundCard::openInput(device, format, notify, input);
    }
};

// A busy input is tried twice in each pass: a refusal of the first attempt
// does not cost the capture of that pass.
TEST(IdleCycleTest, ABusyInputIsTriedAgainInTheSamePass) {
    auto owned = std::make_unique<InputBusyOnce>();
    InputBusyOnce& card = *owned;
    platform::installSoundCard(std::move(owned));
    auto form = std::make_unique<TForm1>();
    // The capture of start-up records its two blocks and ends.
    ASSERT_TRUE(form->AudioIn1->DeviceOpen);
    card.advance(16000);
    card.deliverNotifications();
    ASSERT_FALSE(form->AudioIn1->DeviceOpen);

    card.busyNext = true;
    bool Done = true;
    form->MyIdleEvent(form.get(), Done);
    EXPECT_EQ(card.refused, 1);
    EXPECT_TRUE(form->AudioIn1->DeviceOpen);
    form.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
