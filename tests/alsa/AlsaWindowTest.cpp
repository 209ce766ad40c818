// The whole window on the ALSA backend, through ALSA's "default" to a
// private PulseAudio server: generator 1 plays into the null sink and the
// window measures the sink's monitor, in real time.

#include "OnPulseServer.h"
#include "app/ComboBoxItem.h"
#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "platform/alsa/AlsaSoundCard.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The number of a readout in its small unit: " 101mV" -> 101, "1.50V" -> 1500.
double reading(const QLineEdit& box) {
    QString text = box.text().trimmed();
    const bool big = !text.contains(QLatin1Char('m'));
    text.remove(QRegularExpression(QStringLiteral("[^0-9.]")));
    return text.toDouble() * (big ? 1000 : 1);
}

bool waitFor(int ms, const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (done()) return true;
        QTest::qWait(20);
    }
    return done();
}

class AlsaWindow : public OnPulseServer {
protected:
    void SetUp() override {
        OnPulseServer::SetUp();
        if (HasFatalFailure()) return;
        form_ = std::make_unique<TForm1>();
        form_->show();
        // The time base follows the measured frequency.
        SetItemIndex(*form_->ComboBox1, 0);
        form_->ComboBox1Click();
    }
    void TearDown() override {
        form_.reset();
        QTest::qWait(50);
    }
    // Waits until the queued output has played and a capture after it has
    // been measured: the readouts then show the generator's new settings.
    void settle() { QTest::qWait(2600); }

    std::unique_ptr<TForm1> form_;
};

TEST_F(AlsaWindow, ReadoutsFollowGenerator1WithoutOverOrUnderruns) {
    form_->ScrollBar5->setValue(1000); // 1.0 kHz
    ASSERT_EQ(form_->state.generator1Frequency, 1000);
    EXPECT_TRUE(waitFor(8000, [&] { return form_->Edit8->text() == QStringLiteral(" 1000Hz"); }))
        << form_->Edit8->text().toStdString() << " " << form_->AudioIn1->LastError;
    EXPECT_EQ(form_->Edit12->text(), QStringLiteral(" 1000Hz"));

    // Twice the amplitude, twice the voltage (the sink passes the sound as
    // it is; its scale is the readout's calibration).
    const double before = reading(*form_->Edit1);
    ASSERT_GT(before, 0);
    form_->ScrollBar4->setValue(6000);
    settle();
    const double after = reading(*form_->Edit1);
    EXPECT_NEAR(after / before, 2.0, 0.1)
        << form_->Edit1->text().toStdString() << " after " << before;

    // Ten seconds of both streams, as the instrument runs.
    QTest::qWait(10000);
    EXPECT_EQ(card_->overruns(), 0u);
    EXPECT_EQ(card_->underruns(), 0u);
}

TEST_F(AlsaWindow, AStoppedServerLeavesTheWindowRunningOnItsLastBlock) {
    ASSERT_TRUE(waitFor(8000, [&] { return form_->state.sampleCount == 16000; }));
    settle();
    server_->stop();
    QTest::qWait(800);
    const QString shown = form_->Edit1->text();
    // A block the stop cut short carries only what was recorded.
    const std::int32_t count = form_->state.sampleCount;
    QTest::qWait(1000);
    // Still running and retrying the input (the idle cycle rests between
    // attempts), still showing the last block, and saying why it is silent.
    EXPECT_FALSE(form_->AudioIn1->DeviceOpen);
    EXPECT_TRUE(form_->recordingPanel->isVisibleTo(form_.get()));
    EXPECT_EQ(form_->Edit1->text(), shown);
    EXPECT_EQ(form_->state.sampleCount, count);

    // The server comes back: the retries pick it up and blocks arrive again.
    QString reason;
    ASSERT_TRUE(server_->start(reason)) << reason.toStdString();
    const auto blocksBefore = form_->AudioIn1->BuffersReturned;
    EXPECT_TRUE(waitFor(8000, [&] { return form_->AudioIn1->BuffersReturned != blocksBefore; }))
        << form_->AudioIn1->LastError;
}

} // namespace
