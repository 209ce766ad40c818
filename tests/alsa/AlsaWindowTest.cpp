// The whole window on the ALSA backend, through ALSA's "default" to a
// private sound server (PulseAudio, and PipeWire with WirePlumber):
// generator 1 plays into the server and the window measures what comes back,
// in real time.

#include "OnSoundServer.h"
#include "app/ComboBoxItem.h"
#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"
#include "measure/GainSwitch.h"
#include "mixer/AudioMixer.h"
#include "mixer/MixerJournal.h"
#include "platform/SoundCardFactory.h"
#include "platform/alsa/AlsaSoundCard.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <memory>
#include <numbers>
#include <vector>

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

// The pauses between the ticks of a 5-ms timer: how long the event loop did
// not answer, and of that how long the GUI thread slept (neither ran nor
// waited for a processor: it waited for something). On a loaded machine the
// first also holds the time other programs had the processors; the second
// is what a call that waits for a sound server would add.
class Responsiveness {
public:
    Responsiveness() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        clock_.start();
        last_ = sample();
        timer_.start();
    }
    double largestGapMs() const { return gap_ / 1e6; }
    double largestSleepMs() const { return sleep_ / 1e6; }

private:
    struct Sample {
        qint64 wall = 0, running = 0, queued = 0; // ns
    };
    Sample sample() const {
        Sample s;
        s.wall = clock_.nsecsElapsed();
        // The GUI thread's time on a processor and waiting for one.
        QFile file(QStringLiteral("/proc/thread-self/schedstat"));
        if (file.open(QIODevice::ReadOnly)) {
            const auto fields = file.readAll().split(' ');
            if (fields.size() >= 2) {
                s.running = fields[0].toLongLong();
                s.queued = fields[1].toLongLong();
            }
        }
        return s;
    }
    void tick() {
        const Sample now = sample();
        const qint64 wall = now.wall - last_.wall;
        gap_ = std::max(gap_, wall);
        sleep_ =
            std::max(sleep_, wall - (now.running - last_.running) - (now.queued - last_.queued));
        last_ = now;
    }

    QTimer timer_;
    QElapsedTimer clock_;
    Sample last_;
    qint64 gap_ = 0;
    qint64 sleep_ = 0;
};

// One channel of the interleaved block the window holds.
std::vector<int> channel(const SharedState& state, int c) {
    std::vector<int> values;
    for (int i = c; i < state.sampleCount; i += 2)
        values.push_back(state.rawSamples[static_cast<std::size_t>(i)]);
    return values;
}

int peak(const std::vector<int>& x) {
    int most = 0;
    for (int v : x)
        most = std::max(most, std::abs(v));
    return most;
}

int largestStep(const std::vector<int>& x) {
    int most = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        most = std::max(most, std::abs(x[i] - x[i - 1]));
    return most;
}

// The largest step between two samples a sine of this peak and frequency
// can make: 2 A sin(pi f / fs). Anything beyond (with room for rounding) is
// a click: a gap, a jump of phase, a stale piece of sound.
double sineStep(int peakValue, double frequency) {
    return 2.0 * peakValue * std::sin(std::numbers::pi * frequency / 44100.0);
}

struct ServerNames {
    template <class Server> static std::string GetName(int) {
        return std::is_same_v<Server, PulseServer> ? "PulseAudio" : "PipeWire";
    }
};

template <class Server> class AlsaWindow : public OnSoundServer<Server> {
protected:
    void SetUp() override {
        OnSoundServer<Server>::SetUp();
        if (this->HasFatalFailure()) return;
        form_ = std::make_unique<TForm1>();
        form_->show();
        // The time base follows the measured frequency.
        SetItemIndex(*form_->ComboBox1, 0);
        form_->ComboBox1Click();
    }
    void TearDown() override {
        if (OnSoundServer<Server>::server_) OnSoundServer<Server>::server_->release();
        form_.reset();
        QTest::qWait(50);
    }
    // Waits until the queued output has played and a capture after it has
    // been measured: the readouts then show the generator's new settings.
    void settle() { QTest::qWait(2600); }

    std::unique_ptr<TForm1> form_;
};

using Servers = ::testing::Types<PulseServer, PipeWireServer>;
TYPED_TEST_SUITE(AlsaWindow, Servers, ServerNames);

TYPED_TEST(AlsaWindow, ReadoutsFollowGenerator1WithoutOverOrUnderruns) {
    auto& form = *this->form_;
    form.ScrollBar5->setValue(1000); // 1.0 kHz
    ASSERT_EQ(form.state.generator1Frequency, 1000);
    EXPECT_TRUE(waitFor(8000, [&] { return form.Edit8->text() == QStringLiteral(" 1000Hz"); }))
        << form.Edit8->text().toStdString() << " " << form.AudioIn1->LastError;
    EXPECT_EQ(form.Edit12->text(), QStringLiteral(" 1000Hz"));

    // Twice the amplitude, twice the voltage (the server passes the sound as
    // it is; its scale is the readout's calibration).
    const double before = reading(*form.Edit1);
    ASSERT_GT(before, 0);
    form.ScrollBar4->setValue(6000);
    this->settle();
    const double after = reading(*form.Edit1);
    EXPECT_NEAR(after / before, 2.0, 0.1)
        << form.Edit1->text().toStdString() << " after " << before;

    // Ten seconds of both streams, as the instrument runs.
    QTest::qWait(10000);
    EXPECT_EQ(this->card_->overruns(), 0u);
    EXPECT_EQ(this->card_->underruns(), 0u);
}

// A server that hangs (every process of it stopped) holds no call of the
// window: the event loop answers while generator and capture are started
// again, the panels say why nothing comes, and the server going on brings
// blocks and sound back, without a click.
TYPED_TEST(AlsaWindow, AHangingServerNeitherHoldsTheWindowNorLeavesAClick) {
    auto& form = *this->form_;
    auto& server = *OnSoundServer<TypeParam>::server_;
    // Generator 1 at its start-up 100 Hz: a sine that moves slowly from
    // sample to sample, so that a click stands out.
    ASSERT_TRUE(
        waitFor(10000, [&] { return form.Edit8->text().trimmed() == QStringLiteral("100Hz"); }))
        << form.Edit8->text().toStdString() << " " << form.AudioIn1->LastError;
    const int soundPeak = peak(channel(form.state, 0));
    ASSERT_GT(soundPeak, 300);

    {
        Responsiveness running;
        QTest::qWait(2000);
        std::cout << "while the server ran, the event loop paused up to " << running.largestGapMs()
                  << " ms, sleeping up to " << running.largestSleepMs() << " ms\n";
    }
    Responsiveness loop;
    QElapsedTimer held;
    held.start();
    server.hold();
    const std::string why = "zvukový server nepřenáší zvuk. Zkontrolujte, zda běží (pulseaudio / "
                            "pipewire) a které zařízení používá.";
    const std::string recordingText = "Zvuková karta nenahrává: " + why;
    const std::string playbackText = "Generátor nehraje: " + why;
    EXPECT_TRUE(waitFor(3000, [&] {
        return form.recordingPanel->isVisibleTo(&form) && form.playbackPanel->isVisibleTo(&form);
    }));
    EXPECT_LE(held.elapsed(), 2000) << "the panels showed late";
    EXPECT_EQ(form.recordingPanel->text().toStdString(), recordingText);
    EXPECT_EQ(form.playbackPanel->text().toStdString(), playbackText);
    // Generator and capture started again while the server hangs.
    for (int restart = 0; restart < 3; ++restart) {
        form.AudioOut1->AbortStream();
        form.AudioOut1->StartStream(&form.AudioOut1);
        form.AudioIn1->AbortStream();
        QTest::qWait(300);
    }
    QTest::qWait(500);
    EXPECT_TRUE(form.recordingPanel->isVisibleTo(&form));
    std::cout << "while the server hung, the event loop paused up to " << loop.largestGapMs()
              << " ms, sleeping up to " << loop.largestSleepMs() << " ms\n";
    EXPECT_LT(loop.largestSleepMs(), 50) << "the window waited for the server";

    // The server goes on: blocks and sound come back.
    server.release();
    const auto blocksBefore = form.AudioIn1->BuffersReturned;
    EXPECT_TRUE(waitFor(10000, [&] {
        return !form.recordingPanel->isVisibleTo(&form) &&
               !form.playbackPanel->isVisibleTo(&form) &&
               form.AudioIn1->BuffersReturned != blocksBefore;
    })) << form.recordingPanel->text().toStdString();
    // Once the generator stream started while the server hung has taken over
    // (its start drops what the old one had not played: one step), the
    // blocks of the next seconds carry the sine, and nothing but the sine.
    QTest::qWait(1000);
    const double allowed = sineStep(soundPeak, 100.0) * 1.2 + 8;
    int blocks = 0;
    int worstStep = 0;
    int weakest = soundPeak;
    QObject::connect(&form, &TForm1::blockRecorded, &form, [&] {
        ++blocks;
        for (int c = 0; c < 2; ++c) {
            const auto x = channel(form.state, c);
            worstStep = std::max(worstStep, largestStep(x));
            weakest = std::min(weakest, peak(x));
        }
    });
    EXPECT_TRUE(waitFor(10000, [&] { return blocks >= 8; }));
    std::cout << "after the server went on: largest step " << worstStep << " (a sine of peak "
              << soundPeak << " at 100 Hz allows " << allowed << ")\n";
    EXPECT_LE(worstStep, allowed) << "a click";
    EXPECT_GE(weakest, soundPeak * 0.9) << "a block without the sound";
}

// A server that already hangs when the program starts holds the start no
// longer than the card's wait for its answer: the window opens, says why it
// is silent without waiting for the server, and the server going on brings
// blocks.
template <class Server> class StartOnHungServer : public OnSoundServer<Server> {
protected:
    void TearDown() override { this->server_->release(); }
};
TYPED_TEST_SUITE(StartOnHungServer, Servers, ServerNames);

TYPED_TEST(StartOnHungServer, TheWindowOpensAndSaysWhy) {
    auto& server = *this->server_;
    server.hold();
    QElapsedTimer start;
    start.start();
    auto setup = platform::createSoundCard(platform::AudioChoice::automatic, {}, {});
    ASSERT_TRUE(setup.card) << setup.error;
    EXPECT_TRUE(setup.card->throughSoundServer()) << "the bench ran instead";
    platform::installSoundCard(std::move(setup.card));
    auto form = std::make_unique<TForm1>();
    form->show();
    std::cout << "the window stood " << start.elapsed() << " ms after the start\n";
    // Without the bound, each look at the server waits half a minute or more.
    EXPECT_LT(start.elapsed(), 8000) << "the start waited for the server";

    Responsiveness loop;
    EXPECT_TRUE(waitFor(5000, [&] { return form->recordingPanel->isVisibleTo(form.get()); }));
    EXPECT_EQ(form->recordingPanel->text().toStdString(),
              "Zvuková karta nenahrává: zvukový server nepřenáší zvuk. Zkontrolujte, zda "
              "běží (pulseaudio / pipewire) a které zařízení používá.");
    EXPECT_LT(loop.largestSleepMs(), 50) << "the window waited for the server";

    server.release();
    EXPECT_TRUE(waitFor(15000, [&] {
        return form->AudioIn1->BuffersReturned > 0 &&
               !form->recordingPanel->isVisibleTo(form.get());
    })) << form->recordingPanel->text().toStdString();
    form.reset();
}

using AlsaWindowPipeWire = AlsaWindow<PipeWireServer>;

// PipeWire runs the whole graph, every program of the desktop with it, at
// the shortest period any stream asks for, rounded down to a power of two.
// The window's streams ask for no less than its default quantum, 1024 frames
// at 44100 or 48000 Hz (23.2 ms): 10-ms periods made it 256, which old PCs
// cannot keep up with.
TEST_F(AlsaWindowPipeWire, TheStreamsLeaveTheGraphAtItsDefaultQuantum) {
    ASSERT_TRUE(waitFor(10000, [&] { return form_->state.sampleCount == 16000; }))
        << form_->AudioIn1->LastError;
    std::map<QString, double> asked;
    ASSERT_TRUE(waitFor(3000, [&] {
        for (const auto& [kind, seconds] : server_->streamLatencies())
            asked[kind] = seconds;
        return asked.count("Stream/Input/Audio") && asked.count("Stream/Output/Audio");
    }));
    for (const auto& [kind, seconds] : asked) {
        EXPECT_GE(seconds, 1024 / 44100.0 - 1e-6) << kind.toStdString();
        // A block of 8000 frames still ends soon after its sound.
        EXPECT_LE(seconds, 0.03) << kind.toStdString();
    }
}

using AlsaWindowPulse = AlsaWindow<PulseServer>;

TEST_F(AlsaWindowPulse, AStoppedServerLeavesTheWindowRunningOnItsLastBlock) {
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

// The mixer of a server that hangs holds no call of the window: the gain
// switch's steps and the close return at once, and what they asked for
// reaches the server in order once it answers again; until then the mixer
// state file stays for the next start.
class HungMixer : public OnPulseServer {
protected:
    void SetUp() override {
        OnPulseServer::SetUp();
        ASSERT_TRUE(state_.isValid());
        oldState_ = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", state_.path().toUtf8());
    }
    void TearDown() override {
        server_->release();
        qputenv("XDG_STATE_HOME", oldState_);
    }
    QString sourceVolume() const {
        return server_->pactl({"get-source-volume", "zo7null.monitor"});
    }

    QTemporaryDir state_;
    QByteArray oldState_;
};

TEST_F(HungMixer, NoMixerCallWaitsForItAndNoChangeIsLost) {
    server_->pactl({"set-source-volume", "zo7null.monitor", "30%"});
    auto form = std::make_unique<TForm1>();
    form->show();
    const QString journal = mixerJournalPath();
    // The set-up brings the server's capture to full level and keeps the
    // way back.
    ASSERT_TRUE(waitFor(5000, [&] { return sourceVolume().contains("100%"); }))
        << sourceVolume().toStdString();
    ASSERT_TRUE(QFile::exists(journal));
    TVolume* level = form->AudioMixer1->LineInputLevel();
    ASSERT_TRUE(level);

    Responsiveness loop;
    server_->hold();
    QTest::qWait(100);
    // Down to the reduced gain and back, as the gain switch does, and close.
    form->AudioMixer1->SetLeft(level, measure::reducedGainLevel);
    QTest::qWait(100);
    form->AudioMixer1->SetLeft(level, measure::fullGainLevel);
    QTest::qWait(100);
    form->close();
    QTest::qWait(300);
    std::cout << "with the server held, the event loop paused up to " << loop.largestGapMs()
              << " ms, sleeping up to " << loop.largestSleepMs() << " ms\n";
    EXPECT_LT(loop.largestSleepMs(), 50) << "the window waited for the mixer";
    form.reset();
    EXPECT_TRUE(QFile::exists(journal)) << "removed before the mixer was given back";

    // The server goes on: the steps and the restore reach it, in order.
    server_->release();
    EXPECT_TRUE(waitFor(5000, [&] { return !QFile::exists(journal); }));
    EXPECT_TRUE(sourceVolume().contains("30%")) << sourceVolume().toStdString();
}

} // namespace
