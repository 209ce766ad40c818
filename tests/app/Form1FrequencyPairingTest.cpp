// With the time base " generátoru" the frequency boxes show generator 1's
// frequency: the one the line output carried while the block on the screen
// was recorded, not the one typed or stepped to while the buffers queued
// before it still play. Checked against circuit theory: the readouts of a
// series R = 10 ohm, C = 100 uF give |Z| = UR / IL, which must be the
// circuit's impedance at the frequency shown beside them.

#include "app/ComboBoxItem.h"
#include "measure/TimeBase.h"
#include "support/BenchWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <numbers>

namespace {

using testcard::BenchWindow;

double impedanceRC(double frequency) {
    const double reactance = 1 / (2 * std::numbers::pi * frequency * 100e-6);
    return std::hypot(10.0, reactance);
}

struct Reading {
    double frequency;
    double impedance;
};

// The window on the bench with the generator time base, its output settled.
struct Pairing : ::testing::Test {
    BenchWindow bench{testcard::circuit("R=10,C=100u")};
    TForm1& form = bench.form();
    std::vector<Reading> readings;

    void SetUp() override {
        SetItemIndex(*form.ComboBox1, measure::timeBaseGeneratorItem);
        form.ComboBox1Click();
        bench.settleOutput();
        QObject::connect(&form, &TForm1::blockRecorded, [this] { ++blocks_; });
    }
    // `seconds` of sound in steps of 10 ms, an idle pass after each; what
    // each new block shows is kept. `tick` runs after every whole second.
    template <class Tick> void run(int seconds, Tick tick) {
        for (int second = 0; second < seconds; ++second) {
            for (int step = 0; step < 100; ++step) {
                const int before = blocks_;
                bench.advance(441);
                bench.pass();
                if (blocks_ != before)
                    readings.push_back({form.state.currentFrequency,
                                        form.state.voltageReading / form.state.currentReading});
            }
            tick();
        }
    }
    // Every reading's frequency is the one of `played` whose impedance lies
    // nearest the reading's, and most lie within 3 % of it (a block recorded
    // across a change is a mixture; it shows the frequency that played for
    // the larger part of it).
    void expectPaired(const std::vector<double>& played) {
        ASSERT_GE(readings.size(), 10u);
        std::size_t close = 0;
        std::map<double, int> seen;
        for (const Reading& r : readings) {
            double nearest = played.front();
            for (double f : played)
                if (std::abs(impedanceRC(f) - r.impedance) <
                    std::abs(impedanceRC(nearest) - r.impedance))
                    nearest = f;
            EXPECT_DOUBLE_EQ(r.frequency, nearest) << "|Z| read " << r.impedance;
            if (std::abs(r.impedance - impedanceRC(r.frequency)) < 0.03 * impedanceRC(r.frequency))
                ++close;
            ++seen[r.frequency];
        }
        EXPECT_GE(close * 4, readings.size() * 3) << close << " of " << readings.size();
        EXPECT_EQ(seen.size(), played.size());
    }

private:
    int blocks_ = 0;
};

TEST_F(Pairing, ATypedFrequencyIsShownOnceItPlays) {
    form.Edit14->setText(QStringLiteral("400"));
    form.Edit14DblClick();
    // The newest frequency is 400 Hz at once; the line output carries it
    // after the four buffers queued before (2 s).
    EXPECT_EQ(form.state.generator1Frequency, 400);
    run(4, [] {});
    expectPaired({100, 400});
    EXPECT_DOUBLE_EQ(readings.front().frequency, 100);
    EXPECT_DOUBLE_EQ(readings.back().frequency, 400);
}

TEST_F(Pairing, SteppingWithOneSecondDelayPairsEveryFrequencyWithItsCurrent) {
    form.zobrazit3Click();
    form.Edit206->setText(QStringLiteral("100"));
    form.Edit216->setText(QStringLiteral("400"));
    form.Edit223->setText(QStringLiteral("100"));
    form.Edit222->setText(QStringLiteral("1"));
    form.Button203Click();
    ASSERT_EQ(form.state.steppingActive, 1);
    // The timer's ticks, one a second of sound.
    run(7, [this] {
        if (form.state.steppingActive == 1) form.Timer1Timer();
    });
    EXPECT_EQ(form.state.steppingActive, 0);
    expectPaired({100, 200, 300, 400});
}

} // namespace
