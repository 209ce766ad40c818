// The idle cycle runs pass after pass while everything else the program
// receives (posted notifications, timer ticks, clicks) is delivered between
// the passes.

#include "app/IdleCycle.h"

#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "platform/bench/BenchSoundCard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// Receives posted events and notes how many idle passes had run at each.
class Recorder : public QObject {
public:
    static QEvent::Type type() {
        static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
        return t;
    }
    explicit Recorder(const TForm1& form) : form_(form) {}
    std::vector<std::uint64_t> passesAtDelivery;

protected:
    bool event(QEvent* e) override {
        if (e->type() != type()) return QObject::event(e);
        passesAtDelivery.push_back(form_.idlePassCount());
        return true;
    }

private:
    const TForm1& form_;
};

bool strictlyIncreasing(const std::vector<std::uint64_t>& values) {
    for (std::size_t i = 1; i < values.size(); ++i)
        if (values[i] <= values[i - 1]) return false;
    return true;
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
    std::vector<std::uint64_t> passesAtTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        passesAtTick.push_back(form->idlePassCount());
        // A device notification arrives as a posted event.
        QCoreApplication::postEvent(&recorder, new QEvent(Recorder::type()));
    });
    std::vector<std::uint64_t> passesAtClick;
    QObject::connect(form->Button3, &QPushButton::clicked,
                     [&] { passesAtClick.push_back(form->idlePassCount()); });

    ticker.start();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300) {
        QTest::mouseClick(form->Button3, Qt::LeftButton);
        QTest::qWait(30);
    }
    ticker.stop();
    QCoreApplication::processEvents();

    EXPECT_GE(passesAtTick.size(), 10u);
    EXPECT_EQ(recorder.passesAtDelivery.size(), passesAtTick.size());
    EXPECT_GE(passesAtClick.size(), 5u);
    // Between any two ticks, posted events or clicks at least one pass ran.
    EXPECT_TRUE(strictlyIncreasing(passesAtTick));
    EXPECT_TRUE(strictlyIncreasing(recorder.passesAtDelivery));
    EXPECT_TRUE(strictlyIncreasing(passesAtClick));
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

} // namespace
