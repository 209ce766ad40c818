// Test entry point: GoogleTest on top of a headless QApplication, so that
// component, window and event-loop tests can all run in one process.
//
// Every test starts on a fresh bench sound card with a manual clock, so that
// a window built without further ado has a card to run on. The error box of
// the program is replaced by one that fails the test: a modal message box
// would wait for a click that never comes. Tests that expect reports install
// their own box.
#include "app/Application.h"
#include "app/ErrorReport.h"
#include "platform/SoundCard.h"
#include "platform/bench/BenchSoundCard.h"

#include <gtest/gtest.h>

namespace {

class BenchPerTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        platform::installSoundCard(std::make_unique<platform::bench::BenchSoundCard>());
        app::setErrorBox([](const QString& caption, const QString& text) {
            ADD_FAILURE() << "unexpected error box \"" << caption.toStdString()
                          << "\": " << text.toStdString();
        });
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        app::setErrorBox({});
        platform::installSoundCard(nullptr);
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    // The program's own application object, so that its error report is under test too.
    TApplication app(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new BenchPerTest);
    return RUN_ALL_TESTS();
}
