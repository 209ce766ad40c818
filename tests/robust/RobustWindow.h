#pragma once
// The whole window on the bench's manual clock, for the robustness suites:
// the user's ways in (typing into a box, a double-click, a button, a combo
// box, the menu), sound passing on the bench with the output kept flowing,
// error boxes recorded (and so dismissed) instead of shown, and what must
// hold whatever was typed or went wrong.

#include "support/BenchWindow.h"

#include <QString>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace robust {

class RobustWindow : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TForm1& form() { return window->form(); }
    SharedState& state() { return window->state(); }
    platform::bench::BenchSoundCard& bench() { return window->bench(); }

    // The user's ways in. type() puts the text into the box as it is (as a
    // paste would); false (and a failure) when the box does not hold it.
    [[nodiscard]] bool type(QLineEdit& box, const std::string& text);
    void doubleClick(QLineEdit& box);
    void click(QPushButton& button);
    // Picks an item from the list.
    void choose(QComboBox& box, int item);
    // Puts the text into the box's edit line and presses Enter.
    void typeAndEnter(QComboBox& box, const QString& text);

    // Sound passes: `frames` frames in steps short enough that every played
    // output buffer is refilled before the queue runs dry; what the card
    // reports reaches the window, and reports queued for the error box are shown.
    void play(std::uint64_t frames);
    // `captures` captures as the running program makes them: an idle pass
    // (which starts the capture) and its 16000 frames; then one more pass.
    void capture(int captures = 1);
    // One idle pass.
    void pass();

    // What must hold at any moment: generator amplitudes within 0..32767,
    // generator frequencies not wrapped below 0, every slider's position in
    // its range, flags 0 or 1, and (unless `outputMayStop`) the output
    // playing.
    void expectSane(const std::string& context, bool outputMayStop = false);

    std::unique_ptr<testcard::BenchWindow> window;
    // The texts of the error boxes shown so far.
    std::vector<QString> errors;
};

// The error box's text for a text that is not an integer.
QString conversionError(const std::string& text);

} // namespace robust
