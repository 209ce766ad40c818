#include "RobustWindow.h"

#include "app/ComboBoxItem.h"
#include "app/ErrorReport.h"
#include "app/IdleCycle.h"
#include "audio/AudioOut.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <algorithm>

namespace robust {

namespace {

// A played output buffer is refilled when its notification is handled; with
// four buffers of 22050 frames (or 5000 in the sweep) queued, steps of this
// size never let the queue run dry.
constexpr std::uint64_t longestStep = 4000;

bool isFlag(std::int32_t value) {
    return value == 0 || value == 1;
}

} // namespace

void RobustWindow::SetUp() {
    app::setErrorBox([this](const QString&, const QString& text) { errors.push_back(text); });
    window = std::make_unique<testcard::BenchWindow>();
    // Passes run when the test says so, not whenever the event loop is idle.
    form().idleCycle().unhook();
}

void RobustWindow::TearDown() {
    window.reset();
}

bool RobustWindow::type(QLineEdit& box, const std::string& text) {
    const QString typed = QString::fromStdString(text);
    box.setText(typed);
    if (box.text() == typed) return true;
    ADD_FAILURE() << "the box does not hold the text";
    return false;
}

void RobustWindow::doubleClick(QLineEdit& box) {
    const QPointF at(box.width() / 2.0, box.height() / 2.0);
    QMouseEvent event(QEvent::MouseButtonDblClick, at, box.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &event);
}

void RobustWindow::click(QPushButton& button) {
    button.click();
}

void RobustWindow::choose(QComboBox& box, int item) {
    SetItemIndex(box, item);
    emit box.activated(item);
}

void RobustWindow::typeAndEnter(QComboBox& box, const QString& text) {
    box.setEditText(text);
    QTest::keyClick(box.lineEdit(), Qt::Key_Return);
}

void RobustWindow::play(std::uint64_t frames) {
    while (frames > 0) {
        const std::uint64_t step = std::min(frames, longestStep);
        window->advance(step);
        frames -= step;
    }
    // Reports of a refill are shown once the buffer is queued.
    QCoreApplication::sendPostedEvents();
}

void RobustWindow::capture(int captures) {
    window->capture(captures);
    QCoreApplication::sendPostedEvents();
}

void RobustWindow::pass() {
    window->pass();
}

void RobustWindow::expectSane(const std::string& context, bool outputMayStop) {
    SCOPED_TRACE(context);
    const SharedState& s = state();
    EXPECT_GE(s.generator1Amplitude, 0);
    EXPECT_LE(s.generator1Amplitude, 32767);
    EXPECT_GE(s.generator2Amplitude, 0);
    EXPECT_LE(s.generator2Amplitude, 32767);
    EXPECT_GE(s.generator1Frequency, 0);
    EXPECT_GE(s.generator2Frequency, 0);
    EXPECT_GE(s.sweepFrequency, 0);
    for (const QScrollBar* amplitude : {form().ScrollBar4, form().ScrollBar403}) {
        EXPECT_GE(amplitude->minimum(), 0) << amplitude->objectName().toStdString();
        EXPECT_LE(amplitude->maximum(), 32767) << amplitude->objectName().toStdString();
    }
    for (const QScrollBar* frequency : {form().ScrollBar5, form().ScrollBar406}) {
        EXPECT_GE(frequency->minimum(), 10) << frequency->objectName().toStdString();
        EXPECT_LE(frequency->maximum(), 20000) << frequency->objectName().toStdString();
    }
    for (const std::int32_t flag :
         {s.periodicMode, s.sweepActive, s.steppingActive, s.autoTimeBase, s.currentAutoRange,
          s.voltageAutoRange, static_cast<std::int32_t>(s.generatorTimeBase)})
        EXPECT_TRUE(isFlag(flag)) << flag;
    if (!outputMayStop) {
        const TAudioOut& out = *form().AudioOut1;
        EXPECT_TRUE(out.DeviceOpen && out.Streaming && out.InFlight > 0)
            << "the output has stopped: open " << out.DeviceOpen << ", streaming " << out.Streaming
            << ", " << out.InFlight << " buffers in flight; last error \"" << out.LastError << "\"";
    }
}

QString conversionError(const std::string& text) {
    return QString::fromStdString("'" + text + "' is not a valid integer value.");
}

} // namespace robust
