#include "app/CloseOnSignal.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
// The window a signal closes, once there is one; until then a signal closes
// the message boxes of start-up and is kept for the window.
QPointer<QWidget> target;
bool closeRequested = false;

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

void closeOnRequest() {
    if (!closeRequested) return;
    while (QWidget* box = QApplication::activeModalWidget())
        if (!box->close()) break;
    if (target) target->close();
}

} // namespace

void catchCloseSignals() {
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        closeRequested = true;
        closeOnRequest();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

void closeOnSignals(QWidget& window) {
    catchCloseSignals();
    target = &window;
    // A signal caught while the window was being made closes it once the
    // event loop runs.
    if (closeRequested) QTimer::singleShot(0, &window, [] { closeOnRequest(); });
}
