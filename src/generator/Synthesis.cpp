#include "generator/Synthesis.h"

#include "core/Exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace synthesis {

namespace {

// The constant of the phase formula; deliberately not pi.
constexpr long double halfTurn = 3.14159L;

void store(char* buffer, std::int32_t index, std::int16_t sample) {
    std::memcpy(buffer + 2 * static_cast<std::ptrdiff_t>(index), &sample, sizeof sample);
}

// Whole 16-bit samples that fit both the wanted byte count and the buffer.
std::int32_t sampleCount(std::int32_t wantedBytes, std::int32_t capacity) {
    return std::max<std::int32_t>(0, std::min(wantedBytes, capacity)) / 2;
}

} // namespace

std::int64_t sineValue(std::int64_t n, std::int32_t frameRate, std::int32_t frequency,
                       std::int32_t amplitude) {
    if (frameRate <= 0 || frequency == 0 || amplitude == 0) return 0;
    const long double phase = static_cast<long double>(n) / frameRate * halfTurn * 2 *
                              static_cast<long double>(frequency);
    // Ties to even: the default rounding mode of the floating-point unit.
    return std::llrint(std::sin(phase) * static_cast<long double>(amplitude));
}

double playedFrequency(std::int32_t frequency) {
    return static_cast<double>(frequency * halfTurn / std::numbers::pi_v<long double>);
}

std::int16_t saturate(std::int64_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

std::int32_t fillGenerators(SharedState& state, char* Buffer, std::int32_t Capacity,
                            std::int32_t frameRate, GeneratorBufferCache* cache) {
    const std::int32_t count = sampleCount(generatorBytes, Capacity);
    const std::int32_t first =
        frameRate > 0 ? std::max(state.generatorSampleIndex % frameRate, 0) : 0;
    state.generatorSampleIndex =
        frameRate > 0 ? static_cast<std::int32_t>((std::int64_t{first} + count) % frameRate) : 0;

    const GeneratorBufferKey key{frameRate,
                                 first,
                                 count,
                                 state.generator1Frequency,
                                 state.generator1Amplitude,
                                 state.generator2Frequency,
                                 state.generator2Amplitude};
    if (cache != nullptr) {
        if (const std::int16_t* kept = cache->find(key)) {
            std::memcpy(Buffer, kept, static_cast<std::size_t>(count) * 2);
            return count * 2;
        }
    }
    std::int32_t n = first;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int64_t s1 =
            sineValue(n, frameRate, state.generator1Frequency, state.generator1Amplitude);
        const std::int64_t s2 =
            sineValue(n, frameRate, state.generator2Frequency, state.generator2Amplitude);
        store(Buffer, i, saturate(s1 + s2));
        if (++n >= frameRate) n = 0;
    }
    if (cache != nullptr) cache->keep(key, Buffer);
    return count * 2;
}

std::int32_t fillSweep(SharedState& state, char* Buffer, std::int32_t Capacity,
                       std::int32_t frameRate, std::int32_t startFrequency,
                       std::int32_t stepSamples) {
    const std::int32_t count = sampleCount(sweepBytes, Capacity);
    state.sweepFrequency = startFrequency;
    state.sweepStepSamples = std::max(stepSamples, 1);
    state.sweepStepCounter = 0;
    for (std::int32_t n = 0; n < count; ++n) {
        store(Buffer, n,
              saturate(sineValue(n, frameRate, state.sweepFrequency, state.generator1Amplitude)));
        if (++state.sweepStepCounter == state.sweepStepSamples) {
            if (state.sweepFrequency < std::numeric_limits<std::int32_t>::max())
                ++state.sweepFrequency;
            state.sweepStepCounter = 0;
        }
    }
    return count * 2;
}

std::int32_t fillSilence(char* Buffer, std::int32_t Capacity, std::int32_t bytes) {
    const std::int32_t count = sampleCount(bytes, Capacity);
    std::memset(Buffer, 0, static_cast<std::size_t>(count) * 2);
    return count * 2;
}

bool fillOutputBuffer(SharedState& state, char* Buffer, std::int32_t& Size, std::int32_t frameRate,
                      bool firstOfStream, std::string& fromText, std::string& toText,
                      std::string& errorToReport, GeneratorBufferCache* cache) {
    const std::int32_t capacity = Size;
    if (state.sweepActive != 1) {
        if (firstOfStream) state.generatorSampleIndex = 0;
        Size = fillGenerators(state, Buffer, capacity, frameRate, cache);
        return Size > 0;
    }
    try {
        const SweepParameters parameters = readSweepParameters(fromText, toText);
        state.lastSweepStartFrequency = parameters.startFrequency;
        state.lastSweepStepSamples = parameters.stepSamples;
        state.sweepErrorReported.clear();
    } catch (const EConvertError& error) {
        if (error.message() != state.sweepErrorReported) {
            errorToReport = error.message();
            state.sweepErrorReported = error.message();
        }
    }
    if (state.lastSweepStartFrequency < 1 || state.lastSweepStepSamples < 1)
        Size = fillSilence(Buffer, capacity, sweepBytes);
    else
        Size = fillSweep(state, Buffer, capacity, frameRate, state.lastSweepStartFrequency,
                         state.lastSweepStepSamples);
    return Size > 0;
}

} // namespace synthesis
