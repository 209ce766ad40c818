// The bench's simulation of one recorded block (8000 frames, 181 ms, both
// channels) while the line output plays a sine into a series R-L-C circuit:
// what the simulated card costs the running program per block; and the same
// with a diode and a capacitor, whose circuit is solved by Newton's method.

#include "Bench.h"
#include "platform/bench/BenchSoundCard.h"

#include <QCoreApplication>
#include <QObject>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

using namespace platform;
namespace sim = platform::bench;

constexpr std::uint32_t blockFrames = 8000;

struct Header {
    explicit Header(std::uint32_t bytes) : data(bytes) {
        header.data = data.data();
        header.length = bytes;
    }
    std::vector<char> data;
    WaveHeader header{};
};

// The circuits by the benchmark's argument.
const char* const circuits[] = {"R=10,L=100m,C=10u", "R=100,C=10u,D"};

void BM_BenchBlock(benchmark::State& run) {
    sim::BenchOptions options;
    options.circuit = *sim::parseCircuit(circuits[run.range(0)]).circuit;
    run.SetLabel(circuits[run.range(0)]);
    sim::BenchSoundCard card(options);
    QObject target;
    std::unique_ptr<WaveOutput> out;
    std::unique_ptr<WaveInput> in;
    card.openOutput(-1, {1, 1, 44100, 88200, 2, 16, 0}, &target, out);
    card.openInput(-1, {1, 2, 44100, 176400, 4, 16, 0}, &target, in);
    // One second of a 1 kHz sine, played over and over.
    Header played[2] = {Header(2 * 44100), Header(2 * 44100)};
    for (Header& h : played) {
        for (std::uint32_t n = 0; n < 44100; ++n) {
            const auto s = static_cast<std::int16_t>(
                std::lround(10000 * std::sin(2 * std::numbers::pi * 1000 * n / 44100.0)));
            std::memcpy(h.data.data() + 2 * n, &s, 2);
        }
        out->prepareHeader(h.header);
    }
    Header block(4 * blockFrames);
    in->prepareHeader(block.header);
    in->start();
    std::uint64_t playedUntil = 0;
    int next = 0;
    for (auto _ : run) {
        if (card.frameCount() + blockFrames > playedUntil) {
            if (out->write(played[next].header) != error::ok) run.SkipWithError("output");
            next = 1 - next;
            playedUntil += 44100;
        }
        in->addBuffer(block.header);
        card.advance(blockFrames);
        card.deliverNotifications();
        benchmark::DoNotOptimize(block.data.data());
    }
    out->reset();
    in->reset();
    card.deliverNotifications();
    out->close();
    in->close();
    card.deliverNotifications();
}

} // namespace

BENCHMARK(BM_BenchBlock)->ArgName("circuit")->Arg(0)->Arg(1)->Apply(::bench::repeated);

int main(int argc, char** argv) {
    return ::bench::runWithApplication<QCoreApplication>(argc, argv);
}
