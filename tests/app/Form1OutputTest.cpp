// The window's playback handler on the bench: the output signal comes from
// the generator variables, and a typed sweep text that is not a number is
// reported once while the output goes on.
#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "audio/AudioOut.h"
#include "platform/bench/BenchSoundCard.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

class Form1Output : public ::testing::Test {
protected:
    void SetUp() override {
        bench = dynamic_cast<platform::bench::BenchSoundCard*>(&platform::soundCard());
        ASSERT_NE(bench, nullptr);
        app::setErrorBox([this](const QString&, const QString& text) { reports.push_back(text); });
        form = std::make_unique<TForm1>();
    }
    void TearDown() override { form.reset(); }
    // Plays `buffers` half-second buffers and lets the window handle what comes back.
    void play(int buffers) {
        for (int i = 0; i < buffers; ++i) {
            bench->advance(22050);
            QCoreApplication::processEvents();
            QCoreApplication::processEvents(); // the report posted by the handler
        }
    }

    platform::bench::BenchSoundCard* bench = nullptr;
    std::vector<QString> reports;
    std::unique_ptr<TForm1> form;
};

TEST_F(Form1Output, PlaybackRunsFromStartUpOn) {
    ASSERT_TRUE(form->AudioOut1->DeviceOpen) << form->AudioOut1->LastError;
    const auto before = form->AudioOut1->BuffersReturned;
    play(6);
    EXPECT_EQ(form->AudioOut1->BuffersReturned, before + 6);
    EXPECT_TRUE(form->AudioOut1->DeviceOpen);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Form1Output, ABadSweepTextIsReportedOnceAndTheOutputGoesOn) {
    form->Edit106->setText(QStringLiteral("12a"));
    form->Edit110->setText(QStringLiteral("62"));
    form->state.sweepActive = 1;
    play(8);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "'12a' is not a valid integer value.");
    EXPECT_TRUE(form->AudioOut1->DeviceOpen);
    EXPECT_GE(form->AudioOut1->InFlight, 1);

    // Corrected, the sweep runs; typed wrong again, it is reported again.
    form->Edit106->setText(QStringLiteral("12"));
    play(4);
    form->Edit106->setText(QStringLiteral("x"));
    play(4);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1], "'x' is not a valid integer value.");
    EXPECT_TRUE(form->AudioOut1->DeviceOpen);
}

TEST_F(Form1Output, EmptySweepBoxesAreGivenOne) {
    form->Edit106->clear();
    form->Edit110->clear();
    form->state.sweepActive = 1;
    play(5);
    EXPECT_EQ(form->Edit106->text(), "1");
    EXPECT_EQ(form->Edit110->text(), "1");
    EXPECT_TRUE(reports.empty());
}

} // namespace
