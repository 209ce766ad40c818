// The spectrum of a block and its harmonic table, on synthetic blocks whose
// lines are known: amplitudes between bins, two-tone mixtures whose harmonic
// is the second tone, distortion-free sines, the 20 kHz limit, and the table
// without a signal.

#include "measure/Harmonics.h"

#include "measure/Fundamental.h"
#include "measure/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

using std::numbers::pi;

struct Tone {
    double frequency, amplitude, phase = 0;
};

// 8000 frames (a whole block): the voltage the sum of `voltage` tones, the
// current that of `current` tones, each rounded to whole units as recorded.
std::unique_ptr<SharedState> block(const std::vector<Tone>& voltage,
                                   const std::vector<Tone>& current, double offset = 0,
                                   int frames = 8000) {
    auto s = std::make_unique<SharedState>();
    for (int k = 0; k < frames; ++k) {
        double u = offset, i = -offset;
        for (const Tone& t : voltage)
            u += t.amplitude * std::cos(2 * pi * t.frequency * k / 44100 + t.phase);
        for (const Tone& t : current)
            i += t.amplitude * std::cos(2 * pi * t.frequency * k / 44100 + t.phase);
        s->rawSamples[static_cast<std::size_t>(2 * k)] = static_cast<std::int32_t>(std::lround(u));
        s->rawSamples[static_cast<std::size_t>(2 * k + 1)] =
            static_cast<std::int32_t>(std::lround(i));
    }
    s->sampleCount = 2 * frames;
    return s;
}

double highestNear(const std::vector<float>& a, double binWidth, double f) {
    const auto k = static_cast<std::size_t>(std::lround(f / binWidth));
    return std::max({a[k - 1], a[k], a[k + 1]});
}

TEST(Spectrum, KeepsASineAmplitudeWhereverItFallsBetweenBins) {
    // Bin width 44100 / 8000 = 5.5125 Hz; the fractions are the offsets from a bin.
    const struct {
        double frequency, amplitude;
    } cases[] = {{100.0, 10000},          // 18.14 bins
                 {1234.5, 3000},          // 223.95 bins
                 {5.5125 * 400.5, 20000}, // exactly between two bins
                 {5.5125 * 1000.25, 800}, {5.5125 * 3000.75, 15000}, {19000.3, 5000}};
    measure::SpectrumAnalyser analyser;
    measure::BlockSpectra spectra;
    for (const auto& c : cases) {
        const auto s = block({{c.frequency, c.amplitude, 0.7}}, {{c.frequency, c.amplitude / 2}});
        analyser.analyse(s->rawSamples, s->sampleCount, spectra);
        ASSERT_EQ(spectra.frames, 8000);
        EXPECT_DOUBLE_EQ(spectra.binWidth, 5.5125);
        EXPECT_NEAR(highestNear(spectra.voltage, spectra.binWidth, c.frequency), c.amplitude,
                    c.amplitude * 0.005)
            << c.frequency;
        EXPECT_NEAR(highestNear(spectra.current, spectra.binWidth, c.frequency), c.amplitude / 2,
                    c.amplitude / 2 * 0.005)
            << c.frequency;
        // Six bins away the line has gone (side lobes below -90 dB).
        const auto far = static_cast<std::size_t>(std::lround(c.frequency / 5.5125)) + 7;
        EXPECT_LT(spectra.voltage[far], c.amplitude * 1e-4) << c.frequency;
    }
}

TEST(Spectrum, OffsetStaysInTheFirstBinsAndShortBlocksGiveNone) {
    measure::SpectrumAnalyser analyser;
    measure::BlockSpectra spectra;
    auto s = block({{500, 4000}}, {}, 300);
    analyser.analyse(s->rawSamples, s->sampleCount, spectra);
    EXPECT_NEAR(spectra.voltage[0], 300, 3);
    EXPECT_NEAR(spectra.current[0], 300, 3);
    EXPECT_LT(spectra.voltage[10], 0.05);
    // A different length is planned anew: 4410 frames, 10 Hz per bin.
    s = block({{500, 4000}}, {}, 0, 4410);
    analyser.analyse(s->rawSamples, s->sampleCount, spectra);
    EXPECT_EQ(spectra.frames, 4410);
    EXPECT_NEAR(spectra.voltage[50], 4000, 20);
    // An odd frame count drops its last frame.
    s = block({{500, 4000}}, {}, 0, 4411);
    analyser.analyse(s->rawSamples, s->sampleCount, spectra);
    EXPECT_EQ(spectra.frames, 4410);
    for (const int frames : {0, 10, 63}) {
        s = block({{500, 4000}}, {}, 0, frames);
        analyser.analyse(s->rawSamples, s->sampleCount, spectra);
        EXPECT_EQ(spectra.frames, 0) << frames;
        EXPECT_TRUE(spectra.voltage.empty()) << frames;
    }
}

measure::HarmonicTable tableOf(const SharedState& s, double fundamental) {
    measure::SpectrumAnalyser analyser;
    measure::BlockSpectra spectra;
    analyser.analyse(s.rawSamples, s.sampleCount, spectra);
    return measure::harmonicTable(spectra, fundamental, 0.03, 0.0357);
}

TEST(Harmonics, TwoTonesReadAsFundamentalAndOneHarmonic) {
    // Generator 2 at an odd multiple of generator 1: its share is the
    // harmonic's percentage and the THD; the other harmonics are empty.
    const struct {
        double f1, f2, ratio;
    } cases[] = {{100, 300, 0.2}, {200, 1000, 0.1}, {441, 441 * 7, 0.35}, {1000, 2000, 0.05}};
    for (const auto& c : cases) {
        const auto s = block({{c.f1, 12000}, {c.f2, 12000 * c.ratio, 1.1}},
                             {{c.f1, 6000, 0.4}, {c.f2, 6000 * c.ratio, -2.0}});
        const auto t = tableOf(*s, c.f1);
        ASSERT_TRUE(t.valid) << c.f1;
        const int order = static_cast<int>(std::lround(c.f2 / c.f1));
        // A sine of peak A reads A / 2 x factor as its RMS.
        EXPECT_NEAR(t.rows[0].voltage, 12000 / 2 * 0.0357, 12000 / 2 * 0.0357 * 0.005);
        EXPECT_NEAR(t.rows[0].current, 6000 / 2 * 0.03, 6000 / 2 * 0.03 * 0.005);
        for (const auto& row : t.rows) {
            ASSERT_TRUE(row.inRange);
            ASSERT_TRUE(row.voltagePercent && row.currentPercent);
            if (row.order == 1) {
                EXPECT_DOUBLE_EQ(*row.voltagePercent, 100);
            } else if (row.order == order) {
                EXPECT_NEAR(*row.voltagePercent / 100, c.ratio, c.ratio * 0.005) << c.f1;
                EXPECT_NEAR(*row.currentPercent / 100, c.ratio, c.ratio * 0.005) << c.f1;
            } else {
                EXPECT_LT(*row.voltagePercent, 0.1) << c.f1 << " order " << row.order;
                EXPECT_LT(*row.currentPercent, 0.1) << c.f1 << " order " << row.order;
            }
        }
        EXPECT_NEAR(*t.voltageThd / 100, c.ratio, c.ratio * 0.005) << c.f1;
        EXPECT_NEAR(*t.currentThd / 100, c.ratio, c.ratio * 0.005) << c.f1;
    }
}

TEST(Harmonics, PureSineHasNoDistortionAtAnyFrequency) {
    for (const double f : {40.0, 100.0, 159.15, 1234.5, 2000.0, 7777.0}) {
        const auto s = block({{f, 20000}}, {{f, 3000, 0.3}});
        const auto t = tableOf(*s, f);
        ASSERT_TRUE(t.valid) << f;
        EXPECT_LT(*t.voltageThd, 0.05) << f;
        EXPECT_LT(*t.currentThd, 0.05) << f;
    }
}

TEST(Harmonics, BetweenBinsTheFundamentalMatchesTheFittedReadout) {
    // The fit of the fundamental over whole periods is the RMS readout of the
    // circuit line; the spectrum reads the same sine within 0.5 %.
    for (const double f : {1234.5, 77.7, 3001.3}) {
        const auto s = block({{f, 9000, 0.2}}, {{f, 2500, 1.3}});
        const auto fit = measure::analyseBlock(s->rawSamples, s->sampleCount, 0.03, 0.0357, 0);
        const auto t = tableOf(*s, fit.frequency);
        ASSERT_TRUE(t.valid);
        EXPECT_NEAR(t.rows[0].voltage, fit.voltageRms, fit.voltageRms * 0.005) << f;
        EXPECT_NEAR(t.rows[0].current, fit.currentRms, fit.currentRms * 0.005) << f;
    }
}

TEST(Harmonics, HarmonicsAbove20kHzAreLeftOut) {
    // 3 kHz: orders 1..6 (18 kHz) are in range, 7 (21 kHz) is not, even
    // though the block holds a line there.
    const auto s = block({{3000, 10000}, {18000, 1000}}, {{3000, 10000}, {21000, 5000}});
    const auto t = tableOf(*s, 3000);
    ASSERT_TRUE(t.valid);
    EXPECT_EQ(t.ordersInRange, 6);
    EXPECT_TRUE(t.rows[5].inRange);
    EXPECT_FALSE(t.rows[6].inRange);
    EXPECT_DOUBLE_EQ(t.rows[6].frequency, 21000);
    EXPECT_FALSE(t.rows[6].currentPercent);
    EXPECT_NEAR(*t.voltageThd, 10, 0.05);
    EXPECT_LT(*t.currentThd, 0.05); // the 21 kHz line is not counted
    EXPECT_EQ(t.rows[6].current, 0);
}

TEST(Harmonics, NoTableWithoutSignalOrSeparableHarmonics) {
    using Missing = measure::HarmonicTable::Missing;
    measure::BlockSpectra none;
    const struct {
        double fundamental;
        bool withBlock;
        Missing missing;
    } cases[] = {{100, false, Missing::block},   {0, true, Missing::frequency},
                 {-5, true, Missing::frequency}, {30, true, Missing::tooLow},
                 {38.6, true, Missing::nothing}, {20000, true, Missing::nothing},
                 {20001, true, Missing::tooHigh}};
    for (const auto& c : cases) {
        const double f = c.fundamental > 0 ? c.fundamental : 100;
        const auto s = block({{f, 5000}}, {{f, 5000}});
        const auto t = c.withBlock ? tableOf(*s, c.fundamental)
                                   : measure::harmonicTable(none, c.fundamental, 0.03, 0.0357);
        EXPECT_EQ(t.missing, c.missing) << c.fundamental;
        EXPECT_EQ(t.valid, c.missing == Missing::nothing) << c.fundamental;
        EXPECT_EQ(measure::missingText(t).empty(), t.valid) << c.fundamental;
        EXPECT_EQ(measure::missingMessage(t).empty(), t.valid) << c.fundamental;
    }
    // A silent current channel: amplitudes, but nothing to divide by.
    const auto open = block({{100, 5000}}, {});
    const auto t = tableOf(*open, 100);
    ASSERT_TRUE(t.valid);
    EXPECT_FALSE(t.currentThd);
    EXPECT_FALSE(t.rows[0].currentPercent);
    EXPECT_TRUE(t.voltageThd);
    // Noise of a few units on both channels is no signal, whatever the
    // generator's frequency says.
    auto noise = std::make_unique<SharedState>();
    for (std::size_t k = 0; k < 16000; ++k)
        noise->rawSamples[k] = static_cast<std::int32_t>((k * 7919) % 5) - 2;
    noise->sampleCount = 16000;
    const auto quiet = tableOf(*noise, 100);
    EXPECT_FALSE(quiet.valid);
    EXPECT_EQ(quiet.missing, Missing::signal);
    EXPECT_EQ(measure::missingMessage(quiet).substr(0, 9), "no signal");
}

// The fields of line `index` of a CSV text.
std::vector<std::string> csvFields(const std::string& csv, int index) {
    std::size_t start = 0;
    for (int k = 0; k < index; ++k)
        start = csv.find('\n', start) + 1;
    const std::string line = csv.substr(start, csv.find('\n', start) - start);
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

TEST(Harmonics, CsvKeepsItsShapeWithAndWithoutATable) {
    const auto s = block({{2500, 10000}, {5000, 1000}}, {{2500, 2000}});
    const std::string csv = measure::harmonicCsv(tableOf(*s, 2500));
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "n,f [Hz],IL [mA],IL [%],UR [mV],UR [%]");
    // Peak 2000 x 0.03 / 2 = 30 mA, 10000 x 0.0357 / 2 = 178.5 mV; the
    // voltage's 2nd harmonic 10 %; 9 and 10 lie above 20 kHz.
    const struct {
        int line;
        const char* order;
        double frequency, current, currentPercent, voltage, voltagePercent;
    } rows[] = {{1, "1", 2500, 30, 100, 178.5, 100}, {2, "2", 5000, 0, 0, 17.85, 10}};
    for (const auto& r : rows) {
        const auto f = csvFields(csv, r.line);
        ASSERT_EQ(f.size(), 6u) << r.line;
        EXPECT_EQ(f[0], r.order);
        EXPECT_NEAR(std::stod(f[1]), r.frequency, 0.01);
        EXPECT_NEAR(std::stod(f[2]), r.current, 0.005 * 30);
        EXPECT_NEAR(std::stod(f[3]), r.currentPercent, 0.5);
        EXPECT_NEAR(std::stod(f[4]), r.voltage, 0.005 * 178.5);
        EXPECT_NEAR(std::stod(f[5]), r.voltagePercent, 0.05);
    }
    EXPECT_EQ(csvFields(csv, 9), (std::vector<std::string>{"9", "22500.00", "", "", "", ""}));
    const auto thd = csvFields(csv, 11);
    ASSERT_EQ(thd.size(), 6u);
    EXPECT_EQ(thd[0], "THD");
    EXPECT_TRUE(thd[1].empty() && thd[2].empty() && thd[4].empty());
    EXPECT_LT(std::stod(thd[3]), 0.05);
    EXPECT_NEAR(std::stod(thd[5]), 10, 0.05);

    const std::string empty = measure::harmonicCsv(measure::harmonicTable({}, 0, 0.03, 0.0357));
    EXPECT_EQ(std::count(empty.begin(), empty.end(), '\n'), 12);
    for (int line = 1; line <= 11; ++line) {
        const auto f = csvFields(empty, line);
        ASSERT_EQ(f.size(), 6u);
        for (std::size_t k = 1; k < 6; ++k)
            EXPECT_TRUE(f[k].empty()) << line;
    }
}

} // namespace
