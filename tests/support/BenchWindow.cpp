#include "support/BenchWindow.h"

#include "platform/bench/Circuit.h"

#include <QCoreApplication>

namespace testcard {

platform::bench::BenchOptions circuit(const char* spec) {
    platform::bench::BenchOptions options;
    options.circuit = *platform::bench::parseCircuit(spec).circuit;
    return options;
}

BenchWindow::BenchWindow(platform::bench::BenchOptions options, platform::bench::ClockMode clock) {
    options.clock = clock;
    auto card = std::make_unique<platform::bench::BenchSoundCard>(std::move(options));
    bench_ = card.get();
    platform::installSoundCard(std::move(card));
    form_ = std::make_unique<TForm1>();
}

BenchWindow::~BenchWindow() {
    form_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BenchWindow::pass() {
    bool done = true;
    form_->MyIdleEvent(form_.get(), done);
}

void BenchWindow::advance(std::uint64_t frames) {
    bench_->advance(frames);
    bench_->deliverNotifications();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BenchWindow::capture(int captures) {
    for (int i = 0; i < captures; ++i) {
        pass();
        advance(16000);
    }
    pass();
}

void BenchWindow::settleOutput() {
    // Four buffers of half a second are queued ahead of any change.
    advance(4 * 22050);
}

} // namespace testcard
