#pragma once
// The whole window on a bench sound card with the manual clock: tests let
// sound pass, hand the window what the card reports, and run idle passes one
// at a time, so every run gives the same readouts. On the real-time clock
// the window runs as the program does, driven by the event loop.

#include "app/Form1.h"
#include "platform/bench/BenchSoundCard.h"

#include <cstdint>
#include <memory>

namespace testcard {

// Bench options with the circuit that `spec` names ("R=10,C=100u" ...),
// which must be one the bench understands.
platform::bench::BenchOptions circuit(const char* spec);

class BenchWindow {
public:
    // Installs a bench card with these options (the circuit, mixers ...) on
    // this clock and opens the window on it; start-up runs at once.
    explicit BenchWindow(platform::bench::BenchOptions options = {},
                         platform::bench::ClockMode clock = platform::bench::ClockMode::manual);
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    TForm1& form() { return *form_; }
    SharedState& state() { return form_->state; }
    platform::bench::BenchSoundCard& bench() { return *bench_; }

    // One pass of the idle cycle.
    void pass();
    // `frames` frames of sound pass; what the card reports reaches the window.
    void advance(std::uint64_t frames);
    // Captures follow each other as in the running program: `captures`
    // times, a pass (which starts the next capture) and the capture's
    // 16000 frames. Then one more pass measures the last block.
    void capture(int captures = 1);
    // Lets the four queued playback buffers play out, so that the output
    // carries what the generator variables say now.
    void settleOutput();

private:
    platform::bench::BenchSoundCard* bench_ = nullptr;
    std::unique_ptr<TForm1> form_;
};

} // namespace testcard
