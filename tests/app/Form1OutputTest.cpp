// The window's playback handler on the bench: the output signal comes from
// the generator variables, and a typed sweep text that is not a number is
// reported once while the output goes on.
#include "GeneratorWindow.h"
#include "audio/AudioOut.h"

namespace {

using Form1Output = GeneratorWindow;

TEST_F(Form1Output, PlaybackRunsFromStartUpOn) {
    ASSERT_TRUE(form->AudioOut1->DeviceOpen) << form->AudioOut1->LastError;
    const auto before = form->AudioOut1->BuffersReturned;
    play(6);
    EXPECT_EQ(form->AudioOut1->BuffersReturned, before + 6);
    EXPECT_TRUE(form->AudioOut1->DeviceOpen);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Form1Output, ABadSweepTextIsReportedOnceAndTheOutputGoesOn) {
    form->Edit106->setText(QStringLiteral("12a"));
    form->Edit110->setText(QStringLiteral("62"));
    form->state.sweepActive = 1;
    play(8);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "'12a' is not a valid integer value.");
    EXPECT_TRUE(form->AudioOut1->DeviceOpen);
    EXPECT_GE(form->AudioOut1->InFlight, 1);

    // Corrected, the sweep runs; typed wrong again, it is reported again.
    form->Edit106->setText(QStringLiteral("12"));
    play(4);
    form->Edit106->setText(QStringLiteral("x"));
    play(4);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1], "'x' is not a valid integer value.");
    EXPECT_TRUE(form->AudioOut1->DeviceOpen);
}

TEST_F(Form1Output, EmptySweepBoxesAreGivenOne) {
    form->Edit106->clear();
    form->Edit110->clear();
    form->state.sweepActive = 1;
    play(5);
    EXPECT_EQ(form->Edit106->text(), "1");
    EXPECT_EQ(form->Edit110->text(), "1");
    EXPECT_TRUE(errors.empty());
}

} // namespace
