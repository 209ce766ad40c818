#include "measure/Fundamental.h"

#include "core/Lanes.h"
#include "measure/ZeroCrossing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace measure {

namespace {

constexpr double framesPerSecond = 44100;

// Solves the N x N system m v = r by Gaussian elimination with pivoting;
// false when it is singular.
template <std::size_t N>
bool solve(std::array<std::array<double, N>, N> m, std::array<double, N> r,
           std::array<double, N>& v) {
    for (std::size_t col = 0; col < N; ++col) {
        std::size_t pivot = col;
        for (std::size_t row = col + 1; row < N; ++row)
            if (std::abs(m[row][col]) > std::abs(m[pivot][col])) pivot = row;
        if (std::abs(m[pivot][col]) < 1e-12) return false;
        std::swap(m[pivot], m[col]);
        std::swap(r[pivot], r[col]);
        for (std::size_t row = col + 1; row < N; ++row) {
            const double f = m[row][col] / m[col][col];
            for (std::size_t k = col; k < N; ++k)
                m[row][k] -= f * m[col][k];
            r[row] -= f * r[col];
        }
    }
    for (std::size_t row = N; row-- > 0;) {
        double sum = r[row];
        for (std::size_t k = row + 1; k < N; ++k)
            sum -= m[row][k] * v[k];
        v[row] = sum / m[row][row];
    }
    return true;
}

double degrees(double radians) {
    double d = radians * 180 / std::numbers::pi;
    while (d > 180)
        d -= 360;
    while (d <= -180)
        d += 360;
    return d;
}

} // namespace

namespace {

// The sums of the normal equations of fitSines that depend on the values,
// each accumulated in the order of the samples. The sums of the values and
// of their squares are whole numbers: kept as such, they cost no
// floating-point work, and as sound-card values have 16 bits they stay far
// below 2^53, where a double holds every whole number and adding them in any
// order gives the same. With `Drift`, also those of a straight line
// t = (k - middle) / count.
template <bool Drift> struct FitSums {
    double rx0 = 0, rx1 = 0, ry0 = 0, ry1 = 0;
    std::int64_t uu = 0, vv = 0, u1 = 0, v1 = 0;
    double ct = 0, st = 0, t1 = 0, tt = 0, rxt = 0, ryt = 0;

    // Sample k, whose cosine and sine are ck and sk and whose line value is
    // tk; (c, s) then moves on by the rotation (cw, sw).
    void add(double& c, double& s, double cw, double sw, std::int32_t u, std::int32_t v,
             double tk) {
        const double ck = c, sk = s;
        uu += std::int64_t{u} * u;
        vv += std::int64_t{v} * v;
        u1 += u;
        v1 += v;
        rx0 += ck * u;
        rx1 += sk * u;
        ry0 += ck * v;
        ry1 += sk * v;
        if constexpr (Drift) {
            ct += ck * tk;
            st += sk * tk;
            t1 += tk;
            tt += tk * tk;
            rxt += tk * u;
            ryt += tk * v;
        }
        c = ck * cw - sk * sw;
        s = sk * cw + ck * sw;
    }
};

// The sums of cos(theta k) and of sin(theta k) over k = 0 .. n - 1: the
// real and imaginary part of a geometric series of e^(i theta), whose
// closed form is e^(i theta (n - 1) / 2) sin(n theta / 2) / sin(theta / 2).
std::array<double, 2> angleSums(double theta, int n) {
    const double half = std::sin(theta / 2);
    // theta a whole number of turns: every term is 1.
    if (std::abs(half) < 1e-12) return {static_cast<double>(n), 0.0};
    const double ratio = std::sin(n * theta / 2) / half;
    const double middle = theta * (n - 1) / 2;
    return {ratio * std::cos(middle), ratio * std::sin(middle)};
}

template <bool Drift>
std::array<Phasor, 2> fitSinesOf(const std::int32_t* x, const std::int32_t* y,
                                 std::ptrdiff_t stride, int count, double frequency) {
    const double w = 2 * std::numbers::pi * frequency / framesPerSecond;
    // Normal equations of v ~ a cos + b sin + c (+ d t); the matrix is the
    // same for both signals, only the right-hand sides differ.
    FitSums<Drift> sums;
    const double middle = (count - 1) / 2.0, perValue = 1.0 / std::max(count, 1);
    const auto line = [&](int k) { return Drift ? (k - middle) * perValue : 0.0; };
    // cos and sin of w k by rotation, four interleaved runs (k = 4j + r) so
    // that the processor overlaps them, taken afresh every 1024 samples so
    // that rounding cannot build up. The runs stay in registers: the samples
    // go by in fours, and every 1024 samples the runs start anew.
    constexpr int lanes = 4;
    constexpr int fresh = 1024;
    const double cw = std::cos(lanes * w), sw = std::sin(lanes * w);
    for (int start = 0; start < count; start += fresh) {
        const int end = std::min(count, start + fresh);
        double c[lanes], s[lanes];
        for (int lane = 0; lane < lanes; ++lane) {
            c[lane] = std::cos(w * (start + lane));
            s[lane] = std::sin(w * (start + lane));
        }
        double c0 = c[0], s0 = s[0], c1 = c[1], s1 = s[1], c2 = c[2], s2 = s[2], c3 = c[3],
               s3 = s[3];
        int k = start;
        for (; k + lanes <= end; k += lanes) {
            const std::int32_t* u = x + k * stride;
            const std::int32_t* v = y + k * stride;
            sums.add(c0, s0, cw, sw, u[0], v[0], line(k));
            sums.add(c1, s1, cw, sw, u[stride], v[stride], line(k + 1));
            sums.add(c2, s2, cw, sw, u[2 * stride], v[2 * stride], line(k + 2));
            sums.add(c3, s3, cw, sw, u[3 * stride], v[3 * stride], line(k + 3));
        }
        double* const rest[2 * lanes] = {&c0, &s0, &c1, &s1, &c2, &s2, &c3, &s3};
        for (int lane = 0; k < end; ++k, ++lane)
            sums.add(*rest[2 * lane], *rest[2 * lane + 1], cw, sw, x[k * stride], y[k * stride],
                     line(k));
    }
    constexpr std::size_t n = Drift ? 4 : 3;
    const auto& [rx0, rx1, ry0, ry1, uu, vv, u1, v1, ct, st, t1, tt, rxt, ryt] = sums;
    // The sums of the sines and cosines alone do not depend on the values:
    // cos^2 = (1 + cos 2x) / 2, sin^2 = (1 - cos 2x) / 2, cos sin = sin 2x / 2.
    const auto [c1, s1] = angleSums(w, count);
    const auto [c2, s2] = angleSums(2 * w, count);
    const double cc = (count + c2) / 2, ss = (count - c2) / 2, cs = s2 / 2;
    std::array<double, n> rx, ry;
    std::array<std::array<double, n>, n> m;
    if constexpr (Drift) {
        rx = {rx0, rx1, static_cast<double>(u1), rxt};
        ry = {ry0, ry1, static_cast<double>(v1), ryt};
        m = {{{cc, cs, c1, ct},
              {cs, ss, s1, st},
              {c1, s1, static_cast<double>(count), t1},
              {ct, st, t1, tt}}};
    } else {
        rx = {rx0, rx1, static_cast<double>(u1)};
        ry = {ry0, ry1, static_cast<double>(v1)};
        m = {{{cc, cs, c1}, {cs, ss, s1}, {c1, s1, static_cast<double>(count)}}};
    }
    std::array<Phasor, 2> fitted{};
    const std::array<double, n>* sides[2] = {&rx, &ry};
    const double squares[2] = {static_cast<double>(uu), static_cast<double>(vv)};
    for (int i = 0; i < 2; ++i) {
        std::array<double, n> v{};
        if (!solve(m, *sides[i], v)) continue;
        // The sum of the squared residuals of a least-squares fit: the
        // values' own squares less what the fitted terms explain.
        const std::array<double, n>& r = *sides[i];
        double explained = v[0] * r[0] + v[1] * r[1] + v[2] * r[2];
        if constexpr (Drift) explained += v[3] * r[3];
        const double left = std::max(0.0, squares[i] - explained);
        // a cos + b sin = A cos(wk - atan2(b, a))
        fitted[static_cast<std::size_t>(i)] = {
            std::hypot(v[0], v[1]), -std::atan2(v[1], v[0]), v[2],
            std::sqrt(left / std::max(1, count - static_cast<int>(n)))};
    }
    return fitted;
}

} // namespace

std::array<Phasor, 2> fitSines(const std::int32_t* x, const std::int32_t* y, std::ptrdiff_t stride,
                               int count, double frequency, bool drift) {
    return drift ? fitSinesOf<true>(x, y, stride, count, frequency)
                 : fitSinesOf<false>(x, y, stride, count, frequency);
}

std::optional<double> crossingFrequency(const std::int32_t* x, std::ptrdiff_t stride, int count,
                                        int hysteresis) {
    std::optional<double> first;
    double last = 0;
    int crossings = 0;
    const auto at = [&](int k) { return x[k * stride]; };
    // Two searches by turns, each testing one thing a sample: for a sample
    // below -hysteresis, which arms; then for the first sample above zero
    // after it, which crosses from the one before it (that one is not above
    // zero, or the search would have stopped there).
    int k = 0;
    while (true) {
        while (k + 1 < count && at(k) >= -hysteresis)
            ++k;
        while (k + 1 < count && at(k + 1) <= 0)
            ++k;
        if (k + 1 >= count) break;
        const double crossing = zeroCrossing(k, at(k), at(k + 1));
        if (!first) first = crossing;
        last = crossing;
        ++crossings;
        ++k;
    }
    if (crossings < 2 || last <= *first) return std::nullopt;
    return (crossings - 1) * framesPerSecond / (last - *first);
}

namespace {

// A channel whose largest value is below this carries no signal.
constexpr int smallestPeak = 16;

int framesOf(std::int32_t sampleCount) {
    return std::clamp<std::int32_t>(sampleCount, 0, sampleCapacity) / 2;
}

// What one look at every frame of a block tells: each channel's largest
// magnitude, and how often each changes sign between neighbouring frames.
struct BlockScan {
    std::array<int, 2> peak{};
    std::array<int, 2> signChanges{};
};

// Four values of a block at once: two frames of both channels.
using Quad = lanes::Ints4;

BlockScan scanBlock(const SharedState::SampleArray& raw, int frames) {
    BlockScan scan;
    if (frames < 1) return scan;
    const std::int32_t* x = raw.data();
    // Highest and lowest value of each channel, and how often each changes
    // sign from a frame to the next, two frames at a time: lanes 0 and 2
    // hold the voltage, 1 and 3 the current. Each frame's signs are compared
    // with those of the frame after it, which the quad two values on holds.
    Quad high{}, low{}, changes{};
    int k = 0;
    for (; k + 2 < frames; k += 2) {
        const Quad now = lanes::load<Quad>(x + 2 * k), next = lanes::load<Quad>(x + 2 * k + 2);
        high = now > high ? now : high;
        low = now < low ? now : low;
        // A comparison gives -1 in each lane where it holds.
        changes -= (now > 0) != (next > 0);
    }
    std::array<std::int32_t, 2> highest = {std::max(high[0], high[2]), std::max(high[1], high[3])};
    std::array<std::int32_t, 2> lowest = {std::min(low[0], low[2]), std::min(low[1], low[3])};
    scan.signChanges = {changes[0] + changes[2], changes[1] + changes[3]};
    for (; k < frames; ++k) {
        for (std::size_t c = 0; c < 2; ++c) {
            const std::int32_t v = x[2 * k + c];
            highest[c] = std::max(highest[c], v);
            lowest[c] = std::min(lowest[c], v);
            if (k + 1 < frames) scan.signChanges[c] += (v > 0) != (x[2 * k + 2 + c] > 0);
        }
    }
    scan.peak = {std::max(highest[0], -lowest[0]), std::max(highest[1], -lowest[1])};
    return scan;
}

// The frequency of one channel of a block from its zero crossings, its peak
// and sign changes already counted.
std::optional<double> frequencyOf(const SharedState::SampleArray& raw, int frames, int frameOffset,
                                  const BlockScan& scan) {
    const int peak = scan.peak[static_cast<std::size_t>(frameOffset)];
    if (peak < smallestPeak) return std::nullopt;
    // With fewer than eight samples per period a sample next to a crossing
    // may lie anywhere up to the peak, and a hysteresis would miss
    // crossings; noise cannot add any there, as no two neighbouring samples
    // are both near zero.
    const bool fast = scan.signChanges[static_cast<std::size_t>(frameOffset)] > frames / 4;
    return crossingFrequency(raw.data() + frameOffset, 2, frames, fast ? 0 : peak / 4);
}

// The frequency of the block from the channel with the clearer crossings:
// the voltage's, else the current's.
std::optional<double> blockFrequency(const SharedState::SampleArray& raw, int frames,
                                     const BlockScan& scan) {
    if (std::optional<double> f = frequencyOf(raw, frames, 0, scan)) return f;
    return frequencyOf(raw, frames, 1, scan);
}

} // namespace

std::optional<double> channelFrequency(const SharedState::SampleArray& raw,
                                       std::int32_t sampleCount, int frameOffset) {
    const int frames = framesOf(sampleCount);
    return frequencyOf(raw, frames, frameOffset, scanBlock(raw, frames));
}

namespace {

// With fewer than eight frames a period, crossings interpolated along a
// straight line between two frames place the frequency only to about 1e-4
// of itself; over the thousands of periods of a block the sine then drifts
// against the fitted one by a good part of a turn (at 20 kHz the amplitudes
// read 5 % low, the power 10 %). The phases of the block's two halves,
// fitted apart, show the drift, and the frequency moves by what it comes to:
// by less than half a turn over half the block, 5 Hz for 8000 frames.
double refinedFrequency(const SharedState::SampleArray& raw, int frames, double f) {
    if (f * 8 <= framesPerSecond) return f;
    const int half = frames / 2;
    const std::int32_t* x = raw.data();
    const auto [u0, i0] = fitSines(x, x + 1, 2, half, f);
    const auto [u1, i1] = fitSines(x + 2 * half, x + 2 * half + 1, 2, half, f);
    // The channel with the larger sine holds its phase best.
    const bool voltage = u0.amplitude >= i0.amplitude;
    const double first = voltage ? u0.phase : i0.phase;
    const double second = voltage ? u1.phase : i1.phase;
    // The second half begins `half` frames on: at frequency f its phase
    // would be w half further.
    const double w = 2 * std::numbers::pi * f / framesPerSecond;
    const double slip = std::remainder(second - first - w * half, 2 * std::numbers::pi);
    return f + slip / half * framesPerSecond / (2 * std::numbers::pi);
}

// The fit of a block at frequency f over a whole number of its periods.
CircuitReading fitBlock(const SharedState::SampleArray& raw, int frames,
                        double currentReadoutFactor, double voltageReadoutFactor, double f,
                        bool drift) {
    CircuitReading reading;
    const std::int32_t* voltage = raw.data();
    const std::int32_t* current = raw.data() + 1;
    // A whole number of periods from the start of the block.
    const double period = framesPerSecond / f;
    const double periods = std::floor(frames / period);
    if (periods < 1) return reading;
    const int count = std::clamp(static_cast<int>(std::lround(periods * period)), 3, frames);

    // Below 1 kHz a period has more than 44 frames: every other frame fits
    // the fundamental as well (nothing up to 11 kHz folds onto it) in half
    // the time, so the analysis of a block stays cheap beside its drawing.
    const int every = f < 1000 ? 2 : 1;
    const int fitted = (count + every - 1) / every;
    const auto [u, i] = fitSines(voltage, current, 2 * every, fitted, f * every, drift);
    // A readout is the channel's RMS / sqrt(2) x factor, so a sine of
    // amplitude A reads A / 2 x factor.
    reading.valid = true;
    reading.frequency = f;
    reading.frames = count;
    reading.voltageRms = u.amplitude / 2 * voltageReadoutFactor;
    reading.currentRms = i.amplitude / 2 * currentReadoutFactor;
    reading.currentTooSmall =
        i.amplitude < smallestCurrentAmplitude || i.amplitude < currentOverNoise * i.residual;
    reading.phaseDegrees = degrees(u.phase - i.phase);
    if (!reading.currentTooSmall) {
        reading.impedance = reading.voltageRms / reading.currentRms;
        // A residual of RMS s leaves each fitted amplitude A open by
        // s sqrt(2 / n), and its phase by that / A radians; |Z| and phi
        // take both channels' share.
        const double spread = std::sqrt(2.0 / fitted);
        const double relative = std::hypot(u.residual * spread / std::max(u.amplitude, 1e-9),
                                           i.residual * spread / i.amplitude);
        // Two and a half standard deviations: nearly every block's value
        // lies within them of the truth (99 in 100 for Gaussian noise).
        reading.impedanceUncertainty = uncertaintyCoverage * relative * reading.impedance;
        reading.phaseUncertainty = uncertaintyCoverage * relative * 180 / std::numbers::pi;
    }
    reading.power = reading.voltageRms * reading.currentRms * std::cos(u.phase - i.phase) / 1000;
    return reading;
}

// Either channel reached full scale somewhere in the block.
bool clipped(const BlockScan& scan) {
    return scan.peak[0] >= fullScale || scan.peak[1] >= fullScale;
}

} // namespace

CircuitReading analyseBlock(const SharedState::SampleArray& raw, std::int32_t sampleCount,
                            double currentReadoutFactor, double voltageReadoutFactor,
                            double frequencyHint) {
    const int frames = framesOf(sampleCount);
    if (frames < 16) return {};
    BlockScan scan = scanBlock(raw, frames);
    std::optional<double> f = blockFrequency(raw, frames, scan);
    if (f)
        f = refinedFrequency(raw, frames, *f);
    else if (frequencyHint > 0)
        f = frequencyHint;
    if (!f || *f <= 0) return {};
    CircuitReading reading =
        fitBlock(raw, frames, currentReadoutFactor, voltageReadoutFactor, *f, false);
    reading.overdriven = reading.valid && clipped(scan);
    return reading;
}

CircuitReading analyseDrivenBlock(const SharedState::SampleArray& raw, std::int32_t sampleCount,
                                  double currentReadoutFactor, double voltageReadoutFactor,
                                  double driveFrequency) {
    const int frames = framesOf(sampleCount);
    if (frames < 16 || !(driveFrequency > 0)) return {};
    BlockScan scan = scanBlock(raw, frames);
    // Without a voltage there is nothing to fit.
    if (scan.peak[0] < smallestPeak) return {};
    // A new drive frequency leaves an offset in a slow circuit (a coil's
    // current: L / R may be a second) that dies away over many blocks; the
    // fit takes its drift across the block as a straight line, so that it
    // does not pass for part of the fundamental.
    CircuitReading reading =
        fitBlock(raw, frames, currentReadoutFactor, voltageReadoutFactor, driveFrequency, true);
    reading.overdriven = reading.valid && clipped(scan);
    const std::optional<double> own = blockFrequency(raw, frames, scan);
    reading.frequencyMismatch =
        reading.valid && own && std::abs(*own - driveFrequency) > 0.02 * driveFrequency;
    return reading;
}

} // namespace measure
