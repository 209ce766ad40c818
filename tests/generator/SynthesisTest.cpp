// Sample synthesis of generators 1 + 2 and the sweep burst.
#include "generator/Synthesis.h"

#include "core/Exception.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

constexpr int R = 44100;

// The documented per-sample value: sin(n / R x 3.14159 x 2 x f) x A in
// extended precision, rounded half to even.
long long formula(long long n, int f, int a) {
    const long double phase = static_cast<long double>(n) / R * 3.14159L * 2 * f;
    return std::llrint(std::sin(phase) * a);
}

std::vector<std::int16_t> samplesOf(const std::vector<char>& bytes, std::int32_t size) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(size / 2));
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

struct Generators : ::testing::Test {
    Generators() {
        state = std::make_unique<SharedState>();
        state->generator1Amplitude = 3000;
        state->generator1Frequency = 100;
    }
    std::vector<std::int16_t> fill(std::int32_t capacity = 44100) {
        buffer.assign(static_cast<std::size_t>(capacity) + 16, '\x5A');
        size = synthesis::fillGenerators(*state, buffer.data(), capacity, R);
        return samplesOf(buffer, size);
    }
    std::unique_ptr<SharedState> state;
    std::vector<char> buffer;
    std::int32_t size = 0;
};

TEST_F(Generators, StartUpOutputIsA100HzSineOfPeak3000) {
    const auto s = fill();
    EXPECT_EQ(size, 44100);
    ASSERT_EQ(s.size(), 22050u);
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 3000);
    EXPECT_EQ(*std::min_element(s.begin(), s.end()), -3000);
    EXPECT_EQ(s[0], 0);
    // 50 periods in half a second: 100 sign changes from + to - and back.
    int changes = 0;
    for (std::size_t i = 1; i < s.size(); ++i)
        changes += (s[i - 1] < 0) != (s[i] < 0);
    EXPECT_NEAR(changes, 100, 1);
    EXPECT_NEAR(s[110], 3000, 2); // a quarter period in
    EXPECT_NEAR(s[331], -3000, 2);
}

TEST_F(Generators, FirstBufferFollowsTheFormulaSampleForSample) {
    const struct {
        int f1, a1, f2, a2;
    } cases[] = {
        {100, 3000, 0, 0}, {1000, 10000, 500, 10000}, {101, 32767, 0, 5000}, {7, 1, 13000, 2}};
    for (const auto& c : cases) {
        state = std::make_unique<SharedState>();
        state->generator1Frequency = c.f1;
        state->generator1Amplitude = c.a1;
        state->generator2Frequency = c.f2;
        state->generator2Amplitude = c.a2;
        const auto s = fill();
        ASSERT_EQ(s.size(), 22050u);
        int mismatches = 0;
        for (long long n = 0; n < 22050; ++n) {
            const long long expected = formula(n, c.f1, c.a1) + formula(n, c.f2, c.a2);
            mismatches += s[static_cast<std::size_t>(n)] != expected;
        }
        EXPECT_EQ(mismatches, 0) << c.f1 << " Hz + " << c.f2 << " Hz";
    }
}

TEST_F(Generators, TwoGeneratorsAt1000And500HzSum) {
    state->generator1Frequency = 1000;
    state->generator1Amplitude = 10000;
    state->generator2Frequency = 500;
    state->generator2Amplitude = 10000;
    const auto s = fill();
    EXPECT_EQ(size, 44100);
    // n = 11: 1000 Hz near its crest, 500 Hz at sin(0.0499 x 2 pi).
    EXPECT_EQ(s[11], 10000 + 7058);
    const auto peak = *std::max_element(s.begin(), s.end());
    EXPECT_GT(peak, 17000); // the two crests nearly meet
    EXPECT_LT(peak, 20000);
}

TEST_F(Generators, OddFrequencyContinuesAcrossTheBufferBoundary) {
    state->generator1Frequency = 101;
    state->generator1Amplitude = 10000;
    const auto first = fill();
    const auto second = fill();
    // The largest step between neighbouring samples inside a buffer.
    int steepest = 0;
    for (std::size_t i = 1; i < first.size(); ++i)
        steepest = std::max(steepest, std::abs(first[i] - first[i - 1]));
    EXPECT_LE(std::abs(second.front() - first.back()), steepest);
    EXPECT_EQ(second.front(), formula(22050, 101, 10000));
    // Restarting at phase 0 would have put 0 there, half a period off.
    EXPECT_GT(std::abs(second[50] - formula(50, 101, 10000)), 5000);
}

TEST_F(Generators, SampleIndexRunsModuloTheFrameRate) {
    state->generator1Frequency = 333;
    const auto first = fill();
    fill();
    EXPECT_EQ(state->generatorSampleIndex, 0); // 44100 samples = one second
    const auto third = fill();
    EXPECT_EQ(third, first);
    EXPECT_EQ(state->generatorSampleIndex, 22050);
}

TEST_F(Generators, SumSaturatesInsteadOfWrapping) {
    state->generator1Amplitude = 32767;
    state->generator2Amplitude = 32767;
    state->generator2Frequency = 100;
    const auto s = fill();
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 32767);
    EXPECT_EQ(*std::min_element(s.begin(), s.end()), -32768);
    // Where both crests add up past the range the sample stays at the top.
    EXPECT_EQ(s[110], 32767);
    EXPECT_EQ(s[331], -32768);
    for (std::size_t n = 0; n < 220; ++n)
        EXPECT_GE(s[n], 0) << n; // first half period
    EXPECT_EQ(synthesis::saturate(65534), 32767);
    EXPECT_EQ(synthesis::saturate(-65534), -32768);
    EXPECT_EQ(synthesis::saturate(-5), -5);
}

TEST_F(Generators, SilentGeneratorsAndBadFrameRates) {
    state->generator1Amplitude = 0;
    auto s = fill();
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](std::int16_t v) { return v == 0; }));
    state->generator1Amplitude = 3000;
    state->generator1Frequency = 0;
    s = fill();
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](std::int16_t v) { return v == 0; }));
    state->generator1Frequency = 100;
    buffer.assign(44100, 1);
    EXPECT_EQ(synthesis::fillGenerators(*state, buffer.data(), 44100, 0), 44100);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](char v) { return v == 0; }));
}

TEST_F(Generators, SmallBufferIsFilledOnlyUpToItsCapacity) {
    const auto s = fill(1001);
    EXPECT_EQ(size, 1000);
    EXPECT_EQ(s.size(), 500u);
    for (std::size_t i = 1000; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], '\x5A') << i;
    EXPECT_EQ(synthesis::fillGenerators(*state, buffer.data(), 0, R), 0);
    EXPECT_EQ(synthesis::fillGenerators(*state, buffer.data(), -4, R), 0);
}

TEST(Sweep, BurstRisesFrom20To269) {
    auto state = std::make_unique<SharedState>();
    state->generator1Amplitude = 3000;
    std::vector<char> buffer(44100 + 16, '\x5A');
    const std::int32_t size =
        synthesis::fillSweep(*state, buffer.data(), 44100, R, synthesis::sweepStartFrequency(100),
                             synthesis::sweepStepFor(500));
    EXPECT_EQ(size, 10000);
    const auto s = samplesOf(buffer, size);
    ASSERT_EQ(s.size(), 5000u);
    int mismatches = 0;
    for (int n = 0; n < 5000; ++n) {
        const int f = 20 + n / 20; // 20 for 0..19, 21 for 20..39, ..., 269 for 4980..4999
        mismatches += s[static_cast<std::size_t>(n)] != formula(n, f, 3000);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(formula(4999, 269, 3000), s[4999]);
    EXPECT_EQ(state->sweepStepSamples, 20);
    EXPECT_EQ(state->sweepFrequency, 270);
    EXPECT_EQ(state->sweepStepCounter, 0);
    for (std::size_t i = 10000; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], '\x5A');
    // Every burst is the same.
    std::vector<char> again(10000);
    synthesis::fillSweep(*state, again.data(), 10000, R, 20, 20);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), buffer.begin()));
}

TEST(Sweep, StepOfOneRaisesTheFrequencyAfterEverySample) {
    auto state = std::make_unique<SharedState>();
    state->generator1Amplitude = 1000;
    std::vector<char> buffer(10000);
    synthesis::fillSweep(*state, buffer.data(), 10000, R, 1, 1);
    const auto s = samplesOf(buffer, 10000);
    for (int n : {0, 1, 2, 100, 4999})
        EXPECT_EQ(s[static_cast<std::size_t>(n)], formula(n, 1 + n, 1000)) << n;
    EXPECT_EQ(state->sweepFrequency, 5001);
}

TEST(Sweep, ParametersAreRoundedAndAtLeastOne) {
    const struct {
        std::int32_t value, start, step;
    } cases[] = {{12, 2, 0}, {62, 12, 2},  {100, 20, 4}, {500, 100, 20}, {1, 1, 1},
                 {0, 1, 1},  {-100, 1, 1}, {8, 2, 1},    {7, 1, 1},      {38, 8, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(synthesis::sweepStartFrequency(c.value), c.start) << c.value;
        EXPECT_EQ(synthesis::sweepStepFor(c.value), std::max(c.step, 1)) << c.value;
    }
}

TEST(Sweep, SilenceFillsTheBurstSize) {
    std::vector<char> buffer(44100, 3);
    EXPECT_EQ(synthesis::fillSilence(buffer.data(), 44100, synthesis::sweepBytes), 10000);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + 10000, [](char v) { return v == 0; }));
    EXPECT_EQ(buffer[10000], 3);
}

} // namespace

namespace {

// The playback handler's work, without the window: the sweep boxes are plain texts.
struct OutputBuffer : ::testing::Test {
    OutputBuffer() {
        state = std::make_unique<SharedState>();
        state->generator1Amplitude = 3000;
        state->generator1Frequency = 100;
    }
    bool fill(bool first = false) {
        buffer.assign(44100, '\x5A');
        size = 44100;
        error.clear();
        return synthesis::fillOutputBuffer(*state, buffer.data(), size, R, first, from, to, error);
    }
    std::vector<std::int16_t> samples() const { return samplesOf(buffer, size); }

    std::unique_ptr<SharedState> state;
    std::vector<char> buffer;
    std::int32_t size = 0;
    std::string from = "100";
    std::string to = "500";
    std::string error;
};

TEST_F(OutputBuffer, GeneratorModeContinuesAndRestartsWithAStream) {
    ASSERT_TRUE(fill(true));
    EXPECT_EQ(size, 44100);
    const auto first = samples();
    state->generator1Frequency = 101;
    ASSERT_TRUE(fill());
    EXPECT_EQ(samples()[0], formula(22050, 101, 3000));
    state->generator1Frequency = 100;
    ASSERT_TRUE(fill(true)); // a new playback stream starts at n = 0
    EXPECT_EQ(samples(), first);
    EXPECT_EQ(from, "100"); // the boxes are not read in generator mode
}

TEST_F(OutputBuffer, SweepModeMakesTheBurstFromTheBoxes) {
    state->sweepActive = 1;
    ASSERT_TRUE(fill());
    EXPECT_EQ(size, 10000);
    EXPECT_TRUE(error.empty());
    const auto s = samples();
    EXPECT_EQ(s[19], formula(19, 20, 3000));
    EXPECT_EQ(s[20], formula(20, 21, 3000));
    EXPECT_EQ(s[4999], formula(4999, 269, 3000));
    state->generator1Amplitude = 0; // generator 1 cancelled: silent sweep
    ASSERT_TRUE(fill());
    const auto quiet = samples();
    EXPECT_TRUE(std::all_of(quiet.begin(), quiet.end(), [](std::int16_t v) { return v == 0; }));
}

TEST_F(OutputBuffer, EmptyBoxesBecomeOne) {
    state->sweepActive = 1;
    from.clear();
    to.clear();
    ASSERT_TRUE(fill());
    EXPECT_EQ(from, "1");
    EXPECT_EQ(to, "1");
    EXPECT_EQ(state->sweepStepSamples, 1);
    const auto s = samples();
    EXPECT_EQ(s[3], formula(3, 4, 3000)); // rises after every sample
}

TEST_F(OutputBuffer, BadSweepTextKeepsTheOutputRunning) {
    state->sweepActive = 1;
    from = "12a";
    ASSERT_TRUE(fill()); // no valid values yet: a silent burst
    EXPECT_EQ(size, 10000);
    EXPECT_EQ(error, "'12a' is not a valid integer value");
    auto s = samples();
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](std::int16_t v) { return v == 0; }));
    ASSERT_TRUE(fill());
    EXPECT_EQ(error, ""); // reported once, not at every buffer

    from = "200";
    ASSERT_TRUE(fill());
    EXPECT_EQ(samples()[5], formula(5, 40, 3000));
    from = "2OO"; // letters O: the last valid values go on
    ASSERT_TRUE(fill());
    EXPECT_EQ(error, "'2OO' is not a valid integer value");
    EXPECT_EQ(size, 10000);
    EXPECT_EQ(samples()[5], formula(5, 40, 3000));
    to = "x";
    ASSERT_TRUE(fill());
    EXPECT_EQ(error, ""); // the first bad text is still the one in force
    from = "100";
    ASSERT_TRUE(fill());
    EXPECT_EQ(error, "'x' is not a valid integer value");
    EXPECT_EQ(state->sweepStepSamples, 20); // from the last valid pair
    to = "500";
    ASSERT_TRUE(fill());
    EXPECT_EQ(error, "");
    from = "12a"; // the same mistake again after valid texts is reported again
    ASSERT_TRUE(fill());
    EXPECT_EQ(error, "'12a' is not a valid integer value");
}

} // namespace

namespace {

// The generator values of one buffer in a scripted run of the output.
struct Setting {
    const char* what;
    std::int32_t f1, a1, f2, a2;
    bool newStream;
    std::int32_t rate = R;
    std::int32_t capacity = 44100;
};

// A run in which the values change, stay, come back and new streams start.
// The first sample alternates between 0 and 22050, so each buffer meets the
// one kept from two buffers before at the same first sample: most steps
// differ from that one in a single value, which must not be taken for it.
// Every buffer the kept ones give must be the buffer computed afresh.
TEST(GeneratorBuffers, KeptBuffersAreTheComputedOnesToTheBit) {
    const Setting run[] = {
        {"start-up", 100, 3000, 0, 0, true},
        {"second half", 100, 3000, 0, 0, false},
        {"unchanged", 100, 3000, 0, 0, false},
        {"unchanged", 100, 3000, 0, 0, false},
        {"frequency 1", 101, 3000, 0, 0, false},
        {"unchanged", 101, 3000, 0, 0, false},
        {"amplitude 1", 101, 3001, 0, 0, false},
        {"unchanged", 101, 3001, 0, 0, false},
        {"generator 2", 101, 3001, 500, 7, false},
        {"unchanged", 101, 3001, 500, 7, false},
        {"amplitude 2", 101, 3001, 500, 8, false},
        {"unchanged", 101, 3001, 500, 8, false},
        {"frequency 2", 101, 3001, 501, 8, false},
        {"back", 100, 3000, 0, 0, false},
        {"new stream", 100, 3000, 0, 0, true},
        {"other frame rate", 100, 3000, 0, 0, true, 48000},
        {"small buffer", 300, 2000, 0, 0, true, R, 1000},
        {"whole buffer", 300, 2000, 0, 0, true},
    };
    auto kept = std::make_unique<SharedState>();
    auto computed = std::make_unique<SharedState>();
    synthesis::GeneratorBufferCache cache;
    std::string none;
    for (const Setting& s : run) {
        SCOPED_TRACE(s.what);
        for (SharedState* state : {kept.get(), computed.get()}) {
            state->generator1Frequency = s.f1;
            state->generator1Amplitude = s.a1;
            state->generator2Frequency = s.f2;
            state->generator2Amplitude = s.a2;
        }
        std::vector<char> a(44100), b(44100);
        std::int32_t sizeA = s.capacity, sizeB = s.capacity;
        std::string from, to;
        synthesis::fillOutputBuffer(*kept, a.data(), sizeA, s.rate, s.newStream, from, to, none,
                                    &cache);
        synthesis::fillOutputBuffer(*computed, b.data(), sizeB, s.rate, s.newStream, from, to,
                                    none);
        ASSERT_EQ(sizeA, s.capacity);
        ASSERT_EQ(sizeB, s.capacity);
        ASSERT_EQ(kept->generatorSampleIndex, computed->generatorSampleIndex);
        ASSERT_TRUE(a == b);
    }
}

TEST(GeneratorBuffers, AnUnchangedGeneratorRepeatsItsTwoHalfSecondBuffers) {
    auto state = std::make_unique<SharedState>();
    state->generator1Frequency = 100;
    state->generator1Amplitude = 3000;
    synthesis::GeneratorBufferCache cache;
    std::vector<char> buffer(44100);
    const synthesis::GeneratorBufferKey firstHalf{R, 0, 22050, 100, 3000, 0, 0};
    const synthesis::GeneratorBufferKey secondHalf{R, 22050, 22050, 100, 3000, 0, 0};
    synthesis::fillGenerators(*state, buffer.data(), 44100, R, &cache);
    synthesis::fillGenerators(*state, buffer.data(), 44100, R, &cache);
    EXPECT_NE(cache.find(firstHalf), nullptr);
    EXPECT_NE(cache.find(secondHalf), nullptr);
    // A third setting replaces the buffer kept longest.
    state->generator1Amplitude = 10;
    synthesis::fillGenerators(*state, buffer.data(), 44100, R, &cache);
    EXPECT_EQ(cache.find(firstHalf), nullptr);
    EXPECT_NE(cache.find(secondHalf), nullptr);
}

} // namespace
