// Automatic frequency stepping and the swept generator in the window.
#include "GeneratorWindow.h"
#include "audio/AudioOut.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <cmath>
#include <cstring>
#include <ostream>

namespace {

class Form1Stepping : public GeneratorWindow {
protected:
    void SetUp() override {
        GeneratorWindow::SetUp();
        form->zobrazit3->trigger();
    }
    void setBoxes(const char* start, const char* end, const char* step, const char* delay) {
        form->Edit206->setText(QString::fromUtf8(start));
        form->Edit216->setText(QString::fromUtf8(end));
        form->Edit223->setText(QString::fromUtf8(step));
        form->Edit222->setText(QString::fromUtf8(delay));
    }
    // Ticks the timer until it stops; the frequencies played, the start's first.
    std::vector<std::int32_t> runToTheEnd() {
        std::vector<std::int32_t> played{form->state.generator1Frequency};
        for (int tick = 0; form->Timer1->isActive() && tick < 100; ++tick) {
            form->Timer1Timer();
            played.push_back(form->state.generator1Frequency);
        }
        return played;
    }
};

struct StepCase {
    const char* name;
    const char *start, *end, *step, *delay;
    int frequencyRange; // item of ComboBox8, -1: the start-up range
    const char *shownStart, *shownEnd, *shownStep, *shownDelay;
    int intervalMs;
    std::vector<std::int32_t> played;
};

void PrintTo(const StepCase& c, std::ostream* out) {
    *out << c.name;
}

class Form1SteppingRun : public Form1Stepping, public ::testing::WithParamInterface<StepCase> {};

TEST_P(Form1SteppingRun, PlaysEachStepOncePerTick) {
    const StepCase& c = GetParam();
    if (c.frequencyRange >= 0) choose(*form->ComboBox8, c.frequencyRange);
    setBoxes(c.start, c.end, c.step, c.delay);
    form->Button203->click();
    EXPECT_EQ(form->Button203->text(), "stop");
    EXPECT_EQ(form->Edit206->text(), c.shownStart);
    EXPECT_EQ(form->Edit216->text(), c.shownEnd);
    EXPECT_EQ(form->Edit223->text(), c.shownStep);
    EXPECT_EQ(form->Edit222->text(), c.shownDelay);
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), c.intervalMs);
    EXPECT_EQ(form->state.steppingActive, 1);

    EXPECT_EQ(runToTheEnd(), c.played);
    EXPECT_EQ(form->Button203->text(), "start");
    EXPECT_EQ(form->state.steppingActive, 0);
    EXPECT_TRUE(errors.empty());
}

// clang-format off
const StepCase stepCases[] = {
    // name                       start  end    step  delay range  shown: start end    step delay ms
    {"DesignValues",              "100", "200", "10", "1", -1,     "100", "200", "10", "1", 1000,
     {100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200}},
    {"EverythingBelowItsLeast",   "10",  "15",  "0",  "0",  3,     "20",  "21",  "1",  "1", 1000,
     {20, 21}},
    {"EmptyBoxes",                "",    "",    "",   "",   3,     "20",  "20",  "1",  "1", 1000,
     {20, 21}},
    {"SpanOfTenAndAHalfSteps",    "100", "205", "10", "1", -1,     "100", "205", "10", "1", 1000,
     {100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200}},
    {"SpanOfElevenAndAHalfSteps", "100", "215", "10", "1", -1,     "100", "215", "10", "1", 1000,
     {100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200, 210, 220}},
    {"EndBelowStart",             "300", "200", "10", "1", -1,     "300", "200", "10", "1", 1000,
     {300, 310}},
    {"DelayTwo",                  "100", "120", "10", "2", -1,     "100", "120", "10", "2", 2000,
     {100, 110, 120}},
    // Beyond the slider's 1 kHz the slider stops; from the second tick past
    // it the stepped value holds.
    {"PastTheSlidersEnd",         "900", "1200", "100", "1", -1,   "900", "1200", "100", "1", 1000,
     {900, 1000, 1100, 1200}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Steps, Form1SteppingRun, ::testing::ValuesIn(stepCases),
                         [](const ::testing::TestParamInfo<StepCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Form1Stepping, TheSlidersReadoutsFollowEachStep) {
    // Below the slider's range, which the slider already stands at the start
    // of: the slider does not move and the stepped value plays.
    setBoxes("50", "150", "50", "1");
    form->Button203->click();
    EXPECT_EQ(form->ScrollBar5->value(), 100);
    EXPECT_EQ(form->state.generator1Frequency, 50);
    EXPECT_EQ(ItemIndex(*form->ComboBox8), 0);
    form->Timer1Timer();
    EXPECT_EQ(form->Edit14->text(), " 100");
    EXPECT_EQ(form->state.generator1Frequency, 100);
    EXPECT_EQ(ItemIndex(*form->ComboBox8), 1);

    choose(*form->ComboBox8, 3);
    setBoxes("1500", "3500", "1000", "1");
    form->Button203->click(); // completes the stop
    form->Button203->click();
    EXPECT_EQ(form->state.generator1Frequency, 1500);
    EXPECT_EQ(form->Edit14->text(), " 1.5"); // the slider's kHz readout
    EXPECT_FALSE(form->Panel14->isVisible());
    form->Timer1Timer();
    EXPECT_EQ(form->state.generator1Frequency, 2500);
    EXPECT_FALSE(form->Panel14->isVisible());
    form->Timer1Timer();
    EXPECT_EQ(form->state.generator1Frequency, 3500);
    EXPECT_EQ(form->Edit14->text(), " 3.5");
    EXPECT_EQ(form->Edit3->text(), "kHz");
    EXPECT_TRUE(form->Panel14->isVisible());
    EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(Form1Stepping, CancelStopsTheTimerAndTheNextPressCompletesTheStop) {
    form->Button203->click();
    form->state.sweepActive = 1;
    form->Button204->click();
    EXPECT_FALSE(form->Panel215->isVisible());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->state.sweepActive, 0);
    EXPECT_EQ(form->state.steppingActive, 1);
    EXPECT_EQ(form->Button203->text(), "stop");

    form->zobrazit3->trigger();
    form->Button203->click();
    EXPECT_EQ(form->Button203->text(), "start");
    EXPECT_EQ(form->state.steppingActive, 0);
    EXPECT_FALSE(form->Timer1->isActive());
    form->Button203->click();
    EXPECT_EQ(form->Button203->text(), "stop");
    EXPECT_TRUE(form->Timer1->isActive());
}

TEST_F(Form1Stepping, ABadTextCannotBlockStop) {
    form->Button203->click();
    form->Edit216->setText(QStringLiteral("2OO"));
    form->Button203->click();
    EXPECT_EQ(form->Button203->text(), "start");
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(errors.empty());
    // Starting reads the boxes: reported, and nothing starts.
    form->Button203->click();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "'2OO' is not a valid integer value.");
    EXPECT_EQ(form->Button203->text(), "start");
    EXPECT_EQ(form->state.steppingActive, 0);
    EXPECT_FALSE(form->Timer1->isActive());
}

// The swept generator replaces generators 1 + 2 once the queued buffers have played.
class Form1Sweep : public GeneratorWindow {
protected:
    void SetUp() override {
        GeneratorWindow::SetUp();
        form->zobrazit4->trigger();
    }
    // The samples of every buffer the output holds now; all must be `bytes` long.
    std::vector<std::vector<std::int16_t>> queued(std::uint32_t bytes) {
        std::vector<std::vector<std::int16_t>> buffers;
        for (int i = 0; i < form->AudioOut1->NumBuffers(); ++i) {
            const auto& header = *form->AudioOut1->Headers[static_cast<std::size_t>(i)];
            EXPECT_EQ(header.length, bytes) << i;
            std::vector<std::int16_t> samples(header.length / 2);
            std::memcpy(samples.data(), header.data, samples.size() * 2);
            buffers.push_back(std::move(samples));
        }
        return buffers;
    }
};

// The formula's sample n of a sine of frequency f and amplitude a.
std::int16_t sample(long long n, int f, int a) {
    return static_cast<std::int16_t>(
        std::llrint(std::sin(static_cast<long double>(n) / 44100 * 3.14159L * 2 * f) * a));
}

TEST_F(Form1Sweep, StartGivesTheBurstAndTheFixedTimeBase) {
    QSignalSpy timeBaseClicks(form->ComboBox1, &QComboBox::activated);
    form->Button103->click();
    EXPECT_EQ(ItemIndex(*form->ComboBox1), 1);
    EXPECT_EQ(timeBaseClicks.count(), 0);
    EXPECT_EQ(form->state.autoTimeBase, 0);
    EXPECT_EQ(form->state.generatorTimeBase, 0);
    EXPECT_EQ(form->state.sweepActive, 1);
    EXPECT_EQ(form->Button103->text(), "start");

    play(4);
    for (const auto& burst : queued(10000)) {
        EXPECT_EQ(burst[19], sample(19, 20, 3000));
        EXPECT_EQ(burst[20], sample(20, 21, 3000));
        EXPECT_EQ(burst[4999], sample(4999, 269, 3000));
    }

    form->Button104->click();
    EXPECT_FALSE(form->Panel110->isVisible());
    EXPECT_EQ(form->state.sweepActive, 0);
    bench->advance(4 * 5000);
    QCoreApplication::processEvents();
    // Generator 1 alone again: 100 Hz of peak 3000.
    for (const auto& buffer : queued(44100)) {
        EXPECT_EQ(*std::max_element(buffer.begin(), buffer.end()), 3000);
        EXPECT_EQ(*std::min_element(buffer.begin(), buffer.end()), -3000);
        EXPECT_NEAR(buffer[110], 3000, 1); // a quarter period in
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(Form1Sweep, WithGenerator1CancelledTheSweepIsSilent) {
    form->zruit1->trigger();
    form->Button103->click();
    play(4);
    for (const auto& burst : queued(10000))
        EXPECT_TRUE(std::all_of(burst.begin(), burst.end(), [](std::int16_t v) { return v == 0; }));
}

} // namespace
