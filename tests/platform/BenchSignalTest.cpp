// The bench's signal path: played samples through the line output, the ZO7
// and a circuit to the recorded UR and IL, checked against circuit theory and
// against the readout computation the measurement uses.
#include "BenchTestSupport.h"
#include "platform/bench/ReconstructionFilter.h"

#include <QCoreApplication>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using namespace platform;
using bench::BenchOptions;
using bench::BenchSoundCard;
using benchtest::Buffer;
using benchtest::Recorder;

constexpr double pi = std::numbers::pi;

struct Block {
    std::vector<int> voltage; // first value of each frame
    std::vector<int> current; // second value
};

// Plays `played` (looped buffers of 22050 samples) from frame 0, starts
// recording after `settle` frames and returns one block of `frames` frames.
Block record(BenchSoundCard& card, const std::vector<std::int16_t>& played, std::uint32_t frames,
             std::uint32_t settle = 4410) {
    Recorder recorder;
    std::unique_ptr<WaveOutput> out;
    std::unique_ptr<WaveInput> in;
    EXPECT_EQ(card.openOutput(-1, benchtest::outputFormat(), &recorder, out), error::ok);
    EXPECT_EQ(card.openInput(-1, benchtest::inputFormat(), &recorder, in), error::ok);
    const std::uint32_t total = settle + frames;
    std::vector<std::unique_ptr<Buffer>> buffers;
    for (std::uint32_t queued = 0; queued < total; queued += 22050) {
        auto b = std::make_unique<Buffer>(44100);
        for (std::size_t n = 0; n < 22050; ++n)
            b->setSample(n, played[n % played.size()]);
        EXPECT_EQ(out->prepareHeader(b->header), error::ok);
        EXPECT_EQ(out->write(b->header), error::ok);
        buffers.push_back(std::move(b));
    }
    Buffer block(frames * 4);
    EXPECT_EQ(in->prepareHeader(block.header), error::ok);
    EXPECT_EQ(in->addBuffer(block.header), error::ok);
    card.advance(settle);
    EXPECT_EQ(in->start(), error::ok);
    card.advance(frames);
    QCoreApplication::processEvents();
    EXPECT_EQ(block.header.bytesRecorded, frames * 4);
    EXPECT_EQ(out->reset(), error::ok);
    EXPECT_EQ(out->close(), error::ok);
    EXPECT_EQ(in->close(), error::ok);
    Block result;
    for (std::uint32_t f = 0; f < frames; ++f) {
        result.voltage.push_back(block.sample(2 * f));
        result.current.push_back(block.sample(2 * f + 1));
    }
    return result;
}

// One buffer of a sine of peak `amplitude`, as the generator plays it.
std::vector<std::int16_t> sine(double frequency, double amplitude) {
    std::vector<std::int16_t> samples(22050);
    for (std::size_t n = 0; n < samples.size(); ++n)
        samples[n] = static_cast<std::int16_t>(
            std::nearbyint(std::sin(n / 44100.0 * 2 * pi * frequency) * amplitude));
    return samples;
}

// The readout as the measurement computes it from an 8000-frame block:
// sqrt(S / N) * factor, S over entries 1..N of the channel, N = 16000 values.
double readout(const std::vector<int>& channel, double factor) {
    const std::size_t n = 2 * channel.size();
    double s = 0;
    for (std::size_t j = 1; j < channel.size(); ++j)
        s += double(channel[j]) * channel[j];
    return std::sqrt(s / n) * factor;
}

// Phase (degrees) of the `frequency` component over whole periods.
double phaseOf(const std::vector<int>& x, double frequency, std::size_t samples) {
    double re = 0, im = 0;
    for (std::size_t n = 0; n < samples; ++n) {
        const double w = 2 * pi * frequency * n / 44100.0;
        re += x[n] * std::sin(w);
        im += x[n] * std::cos(w);
    }
    return std::atan2(im, re) * 180 / pi;
}

double wrapDegrees(double d) {
    while (d > 180)
        d -= 360;
    while (d <= -180)
        d += 360;
    return d;
}

BenchOptions withCircuit(const std::string& spec) {
    BenchOptions options;
    auto parsed = bench::parseCircuit(spec);
    EXPECT_TRUE(parsed.circuit) << parsed.error;
    if (parsed.circuit) options.circuit = *parsed.circuit;
    return options;
}

struct CircuitCase {
    const char* name;
    const char* spec;
    double frequency;
    std::size_t wholePeriods; // samples spanning whole periods, within 8000
};

// Shown by its name in test listings.
void PrintTo(const CircuitCase& c, std::ostream* os) {
    *os << c.name;
}

class BenchCircuits : public ::testing::TestWithParam<CircuitCase> {};

// The recorded UR and IL have the RMS, ratio and phase of circuit theory.
TEST_P(BenchCircuits, RecordedVoltageAndCurrentFollowCircuitTheory) {
    const auto c = GetParam();
    const auto options = withCircuit(c.spec);
    BenchSoundCard card(options);
    benchtest::setUpMixer(card);
    const double amplitude = 3000;
    const Block block = record(card, sine(c.frequency, amplitude), 8000);

    const double u = amplitude / 32.767 * 1.1; // mV RMS at the line output
    const double w = 2 * pi * c.frequency;
    std::complex<double> z(options.circuit.resistance, 0);
    if (options.circuit.inductance) z += std::complex<double>(0, w * *options.circuit.inductance);
    if (options.circuit.capacitance)
        z += std::complex<double>(0, -1 / (w * *options.circuit.capacitance));
    const double i = u / std::abs(z);
    const double lead = -std::arg(z) * 180 / pi;

    const double shownU = readout(block.voltage, 0.0357);
    const double shownI = readout(block.current, 0.03);
    EXPECT_NEAR(shownU, u, 0.01 * u);
    EXPECT_NEAR(shownI, i, 0.01 * i);
    EXPECT_NEAR(shownU / shownI, std::abs(z), 0.01 * std::abs(z));
    const double measuredLead = wrapDegrees(phaseOf(block.current, c.frequency, c.wholePeriods) -
                                            phaseOf(block.voltage, c.frequency, c.wholePeriods));
    EXPECT_NEAR(measuredLead, lead, 0.5) << "current phase relative to the voltage";
}

INSTANTIATE_TEST_SUITE_P(
    Theory, BenchCircuits,
    ::testing::Values(CircuitCase{"Resistor", "R=10", 100, 7938},
                      CircuitCase{"DefaultRC", "R=10,C=100u", 100, 7938},
                      CircuitCase{"RL", "R=10,L=100m", 100, 7938},
                      CircuitCase{"RLC", "R=10,L=100m,C=10u", 100, 7938},
                      CircuitCase{"RLCAtResonance", "R=10,L=100m,C=25.33u", 100, 7938},
                      CircuitCase{"RCAt1kHz", "R=10,C=10u", 1000, 4410},
                      CircuitCase{"RLAt1kHz", "R=47,L=10m", 1000, 4410},
                      CircuitCase{"RCAt300Hz", "R=100,C=10u", 300, 7350},
                      // Up to 20 kHz the line output is a
                      // smooth sine, as a real card's.
                      CircuitCase{"RCAt5kHz", "R=100,C=1u", 5000, 7938},
                      CircuitCase{"RCAt20kHz", "R=100,C=1u", 20000, 7938},
                      CircuitCase{"RLAt20kHz", "R=47,L=1m", 20000, 7938},
                      CircuitCase{"RLCAt10kHz", "R=10,L=1m,C=1u", 10000, 7938},
                      CircuitCase{"RLCAt20kHz", "R=10,L=1m,C=1u", 20000, 7938}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BenchSignal, TheDefaultCircuitsCurrentVisiblyLeads) {
    BenchSoundCard card;
    benchtest::setUpMixer(card);
    const Block block = record(card, sine(100, 3000), 8000);
    const double lead =
        wrapDegrees(phaseOf(block.current, 100, 7938) - phaseOf(block.voltage, 100, 7938));
    EXPECT_GT(lead, 30.0);
    EXPECT_LT(lead, 80.0);
    const double shownI = readout(block.current, 0.03);
    EXPECT_GT(shownI, 2.0) << "a readable current in mA";
    EXPECT_LT(shownI, 20.0);
}

// The generator 1 amplitude readout (position / 32.767 * 1.1) is the RMS of
// the line output in mV, and the line input reads it back exactly.
TEST(BenchSignal, AmplitudeReadoutIsTheLineOutputRms) {
    for (double amplitude : {300.0, 1000.0, 3000.0, 10000.0}) {
        BenchSoundCard card(withCircuit("R=10"));
        benchtest::setUpMixer(card);
        const Block block = record(card, sine(100, amplitude), 8000);
        const double u = amplitude / 32.767 * 1.1;
        EXPECT_NEAR(readout(block.voltage, 0.0357), u, 0.005 * u) << amplitude;
        EXPECT_NEAR(readout(block.current, 0.03), u / 10, 0.01 * u / 10) << amplitude;
    }
}

struct LevelCase {
    const char* name;
    std::uint32_t waveOut, master, line;
};

// Shown by its name in test listings.
void PrintTo(const LevelCase& c, std::ostream* os) {
    *os << c.name;
}

class BenchLevels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(BenchLevels, MixerLevelsScaleTheRecordedValues) {
    const auto c = GetParam();
    BenchSoundCard card(withCircuit("R=10"));
    benchtest::setUpMixer(card, c.line);
    auto& mixer = card.mixer(0);
    mixer.setValues(mixer.findControl(lineType::sourceWaveOut, controlType::volume),
                    {c.waveOut, c.waveOut});
    mixer.setValues(mixer.findControl(lineType::destinationSpeakers, controlType::volume),
                    {c.master, c.master});
    const Block block = record(card, sine(100, 3000), 8000);
    const double gain = (c.waveOut / 65535.0) * (c.master / 65535.0) * (c.line / 65535.0);
    const double u = 3000 / 32.767 * 1.1 * gain;
    EXPECT_NEAR(readout(block.voltage, 0.0357), u, 0.01 * u);
    EXPECT_NEAR(readout(block.current, 0.03), u / 10, 0.01 * u / 10);
}

INSTANTIATE_TEST_SUITE_P(Levels, BenchLevels,
                         ::testing::Values(LevelCase{"AllFull", 65535, 65535, 65535},
                                           LevelCase{"LineHalf", 65535, 65535, 32768},
                                           LevelCase{"LineFifth", 65535, 65535, 13107},
                                           LevelCase{"WaveOutHalf", 32768, 65535, 65535},
                                           LevelCase{"MasterQuarter", 65535, 16384, 65535},
                                           LevelCase{"AllHalf", 32768, 32768, 32768}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BenchSignal, OnlyTheSelectedLineInputReachesTheRecording) {
    BenchSoundCard card(withCircuit("R=10"));
    benchtest::setUpMixer(card);
    benchtest::selectRecordingSource(card, 1); // the microphone
    const Block other = record(card, sine(100, 3000), 8000);
    for (std::size_t f = 0; f < other.voltage.size(); ++f) {
        ASSERT_LE(std::abs(other.voltage[f]), 1) << f;
        ASSERT_LE(std::abs(other.current[f]), 1) << f;
    }
    EXPECT_LT(readout(other.voltage, 0.0357), 0.05) << "shows 0.0mV";

    benchtest::selectRecordingSource(card, 0);
    const Block line = record(card, sine(100, 3000), 8000);
    EXPECT_GT(readout(line.voltage, 0.0357), 100.0);
}

TEST(BenchSignal, SilenceRecordsOnlyASmallNoise) {
    BenchSoundCard card;
    benchtest::setUpMixer(card);
    const Block block = record(card, std::vector<std::int16_t>(22050, 0), 8000);
    int nonZero = 0;
    for (std::size_t f = 0; f < block.voltage.size(); ++f) {
        ASSERT_LE(std::abs(block.voltage[f]), 1);
        ASSERT_LE(std::abs(block.current[f]), 1);
        nonZero += block.voltage[f] != 0;
    }
    EXPECT_GT(nonZero, 1000) << "the input is not dead silent";
    EXPECT_LT(readout(block.current, 0.03), 0.05);
}

TEST(BenchSignal, FullScaleSignalsClipWithoutWrapping) {
    BenchSoundCard card(withCircuit("R=1"));
    benchtest::setUpMixer(card);
    const auto played = sine(100, 32767);
    const Block block = record(card, played, 8000, 0);
    int atTop = 0, atBottom = 0;
    // The line output's reconstruction filter delays what is recorded.
    const std::size_t lag = bench::ReconstructionFilter::taps / 2;
    for (std::size_t f = lag; f < block.voltage.size(); ++f) {
        const int p = played[(f - lag) % played.size()];
        for (int v : {block.voltage[f], block.current[f]}) {
            atTop += v == 32767;
            atBottom += v == -32768;
            if (p > 1000) {
                EXPECT_GT(v, 0) << "frame " << f;
            }
            if (p < -1000) {
                EXPECT_LT(v, 0) << "frame " << f;
            }
        }
    }
    EXPECT_GT(atTop, 1000);
    EXPECT_GT(atBottom, 1000);
}

TEST(BenchSignal, RunsAreBitIdentical) {
    auto once = [] {
        BenchSoundCard card(withCircuit("R=10,L=100m,C=10u"));
        benchtest::setUpMixer(card, 40000);
        return record(card, sine(440, 12000), 16000, 1234);
    };
    const Block a = once();
    const Block b = once();
    EXPECT_EQ(a.voltage, b.voltage);
    EXPECT_EQ(a.current, b.current);
}

TEST(BenchSignal, WithoutAMixerTheLevelsAreFull) {
    BenchOptions options = withCircuit("R=10");
    options.mixers.clear();
    BenchSoundCard card(options);
    const Block block = record(card, sine(100, 3000), 8000);
    const double u = 3000 / 32.767 * 1.1;
    EXPECT_NEAR(readout(block.voltage, 0.0357), u, 0.01 * u);
}

} // namespace
