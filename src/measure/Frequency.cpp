#include "measure/Frequency.h"

#include "core/Round.h"
#include "measure/Smoothing.h"
#include "measure/ZeroCrossing.h"

#include <algorithm>

namespace measure {

namespace {

constexpr double tenVoltThreshold = 1 / 0.01; // 1 / the gain of the 10 V range
constexpr double halfPeriodsPerSecond = 22050.0;
constexpr double coarseLimit = 100; // shown from the coarse pass up to here

int findFirst(ChannelView channel, std::int32_t N, HalfWave halfWave) {
    const int last = std::min<std::int32_t>(N, sampleCapacity - 1);
    for (int i = 1; i <= last; ++i) {
        const std::int32_t x = channel.samples[static_cast<std::size_t>(i)];
        if (halfWave == HalfWave::positive ? x > 0 : x < 0) {
            channel.startMark = static_cast<std::uint16_t>(i);
            channel.smoothed[static_cast<std::size_t>(i)] = x;
            return i;
        }
    }
    return 0;
}

} // namespace

int findFirstPositive(ChannelView channel, std::int32_t N) {
    return findFirst(channel, N, HalfWave::positive);
}

int findFirstNegative(ChannelView channel, std::int32_t N) {
    return findFirst(channel, N, HalfWave::negative);
}

HalfPeriod searchHalfPeriod(ChannelView channel, std::int32_t N, SearchPass pass,
                            double threshold) {
    const int s = channel.startMark;
    Smoother y(channel.samples, channel.smoothed, s, N, channel.smoothingDivisor,
               HalfWave::positive);
    const int d = pass.step;

    // Begin: a value at most the threshold followed by two larger ones.
    HalfPeriod result;
    result.start = lastStartPosition;
    for (int p = s; p <= lastStartPosition; ++p) {
        const auto a = static_cast<std::uint16_t>(y.at(p));
        if (a > threshold) continue;
        if (static_cast<std::uint16_t>(y.at(p + d)) > a &&
            static_cast<std::uint16_t>(y.at(p + 2 * d)) > a) {
            result.start = p;
            break;
        }
    }

    // End: one past the first zero after the skip; a search that begins
    // inside the searched span ends at its limit.
    const int first = result.start + 1 + pass.skip;
    for (int q = first;; ++q) {
        if (first < searchLimit && q >= searchLimit) {
            result.end = searchLimit;
            break;
        }
        if (y.at(q) == 0) {
            result.end = q + 1;
            break;
        }
    }
    if (result.end == result.start) result.end = result.start + 1;
    result.samples = result.end - result.start;

    // The zero crossings of the samples themselves: rising next to S,
    // falling just before E.
    const auto& x = channel.samples;
    std::optional<double> rise;
    for (int i = std::max(result.start - 1, 0); i <= result.start + 2 * d && !rise; ++i) {
        const std::int32_t a = sampleAt(x, N, i), b = sampleAt(x, N, i + 1);
        if (a <= 0 && b > 0) rise = zeroCrossing(i, a, b);
    }
    std::optional<double> fall;
    for (int j = std::max(result.end - 3, 0); j <= result.end - 1 && !fall; ++j) {
        const std::int32_t a = sampleAt(x, N, j), b = sampleAt(x, N, j + 1);
        if (a > 0 && b <= 0) fall = zeroCrossing(j, a, b);
    }
    if (rise && fall && *fall > *rise) result.samples = *fall - *rise;
    return result;
}

double searchThreshold(const SharedState& state, Channel channel) {
    if (channel == Channel::voltage && (state.activeVoltageRange == range::voltage20V ||
                                        state.activeVoltageRange == range::voltage50V))
        return tenVoltThreshold;
    const double gain = channel == Channel::current ? state.currentGain : state.voltageGain;
    return 1 / gain;
}

double measurePeriod(SharedState& state, Channel channel, SearchPass pass) {
    ChannelView c = view(state, channel);
    findFirstPositive(c, state.sampleCount);
    const HalfPeriod half =
        searchHalfPeriod(c, state.sampleCount, pass, searchThreshold(state, channel));
    c.frequencyMeasured = halfPeriodsPerSecond / half.samples;
    return c.frequencyMeasured;
}

FrequencyDisplay coarseFrequencyDisplay(double frequency) {
    const NumberText text = frequencyText(Round(frequency), 5);
    return {text.text, text.number, false};
}

FrequencyDisplay fineFrequencyDisplay(double frequency, bool fromGenerator) {
    if (frequency > displayLimitHz) return {beyondDisplayLimitText, std::nullopt, false};
    // A measured frequency is shown in even hertz, the generator's as it is.
    const std::int64_t hertz = fromGenerator ? Round(frequency) : 2 * Round(frequency / 2);
    const NumberText text = frequencyText(hertz, 4);
    return {text.text, text.number, true};
}

FrequencyDisplay showFrequency(SharedState& state, Channel channel) {
    ChannelView c = view(state, channel);
    const bool generator = state.generatorTimeBase == 1;
    // The generator's frequency that played while the block was recorded:
    // the newest one reaches the line output only after the queued buffers.
    const std::int32_t played = state.blockGeneratorFrequency > 0 ? state.blockGeneratorFrequency
                                                                  : state.generator1Frequency;
    auto shown = [&](double measured) {
        return generator ? static_cast<double>(played) : measured;
    };
    c.frequency = shown(measurePeriod(state, channel, coarsePass));
    if (c.frequency <= coarseLimit) return coarseFrequencyDisplay(c.frequency);
    c.frequency = shown(measurePeriod(state, channel, finePass));
    return fineFrequencyDisplay(c.frequency, generator);
}

} // namespace measure
