// Real-time pacing of the running program on the bench: the time between two
// recorded blocks of one capture (8000 frames: 181.4 ms) and between two
// playback buffers taken (22050 samples: 500 ms), measured in the window's own
// handlers on the bench's real-time clock. Reported as manual time per block.
#include "Bench.h"
#include "app/Application.h"
#include "app/Form1.h"
#include "audio/AudioIn.h"
#include "audio/AudioOut.h"
#include "platform/bench/BenchSoundCard.h"
#include "support/BenchWindow.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// The window on a real-time bench; `onEvent` marks the arrivals to be timed.
struct RunningProgram : testcard::BenchWindow {
    RunningProgram() : BenchWindow({}, platform::bench::ClockMode::realTime) {}
    // Runs the event loop until the next arrival; its time.
    Clock::time_point next(int& arrivals) {
        const int before = arrivals;
        while (arrivals == before) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            QThread::usleep(200);
        }
        return last;
    }
    Clock::time_point last;
};

void InputBlockInterval(benchmark::State& run) {
    RunningProgram program;
    int blocks = 0;
    bool second = false;
    const TBufferEvent original = program.form().AudioIn1->OnBufferFilled;
    program.form().AudioIn1->OnBufferFilled = [&](char* buffer, std::int32_t& size) {
        program.last = Clock::now();
        // Every capture is two blocks.
        second = ++blocks % 2 == 0;
        return original(buffer, size);
    };
    for (auto _ : run) {
        // The first block of a capture, then the second one: its interval.
        Clock::time_point first;
        do {
            first = program.next(blocks);
        } while (second);
        const Clock::time_point then = program.next(blocks);
        run.SetIterationTime(std::chrono::duration<double>(then - first).count());
    }
}
BENCHMARK(InputBlockInterval)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8)
    ->Repetitions(3);

void OutputBufferInterval(benchmark::State& run) {
    RunningProgram program;
    int buffers = 0;
    const TBufferEvent original = program.form().AudioOut1->OnFillBuffer;
    program.form().AudioOut1->OnFillBuffer = [&](char* buffer, std::int32_t& size) {
        program.last = Clock::now();
        ++buffers;
        return original(buffer, size);
    };
    // The first four buffers are filled at once when playback starts.
    while (buffers < 1)
        program.next(buffers);
    Clock::time_point previous = program.next(buffers);
    for (auto _ : run) {
        const Clock::time_point now = program.next(buffers);
        run.SetIterationTime(std::chrono::duration<double>(now - previous).count());
        previous = now;
    }
}
BENCHMARK(OutputBufferInterval)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6)
    ->Repetitions(3);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithApplication<TApplication>(argc, argv);
}
