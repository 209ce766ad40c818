// Levels (0..65535, linear share of full amplitude) against the ranges of
// real elements: hardware faders in dB, the sound servers' cubic volumes,
// faders that know no dB. Values worked out by hand from the gain.

#include "platform/alsa/VolumeScale.h"

#include <gtest/gtest.h>

namespace {

using namespace platform::alsa;

const VolumeRange pulse{Taper::cubic, 0, 65536, 0, 0};
const VolumeRange ac97Steps{Taper::linear, 0, 31, 0, 0};
const VolumeRange hdaMaster{Taper::decibel, 0, 87, -6525, 0};
const VolumeRange hdaCapture{Taper::decibel, 0, 63, -1650, 3075};
const VolumeRange quietOnly{Taper::decibel, 0, 50, -6000, -1000};
const VolumeRange shallowCapture{Taper::decibel, 0, 22, -300, 3000};
const VolumeRange unityBottom{Taper::decibel, 0, 31, 0, 2325};

struct RawCase {
    const char* name;
    VolumeRange range;
    std::uint32_t level;
    long raw;
};

// Shown by its name in test listings.
void PrintTo(const RawCase& c, std::ostream* os) {
    *os << c.name;
}

class LevelToRaw : public ::testing::TestWithParam<RawCase> {};

TEST_P(LevelToRaw, GivesTheRawValueOfTheGain) {
    EXPECT_EQ(levelToRaw(GetParam().level, GetParam().range), GetParam().raw);
}

INSTANTIATE_TEST_SUITE_P(Ranges, LevelToRaw,
                         ::testing::Values(RawCase{"ServerFull", pulse, 65535, 65536},
                                           RawCase{"ServerSilent", pulse, 0, 0},
                                           // an eighth of the amplitude is half the cubic volume
                                           RawCase{"ServerEighth", pulse, 8192, 32768},
                                           // the reduced line-input level: 0.5422 of the amplitude
                                           RawCase{"ServerReducedGain", pulse, 35535, 53441},
                                           RawCase{"StepsFull", ac97Steps, 65535, 31},
                                           RawCase{"StepsHalf", ac97Steps, 32768, 16},
                                           RawCase{"StepsBeyondFullIsFull", ac97Steps, 70000, 31}),
                         [](const auto& info) { return std::string(info.param.name); });

struct DbCase {
    const char* name;
    VolumeRange range;
    std::uint32_t level;
    long hundredthsDb;
};

// Shown by its name in test listings.
void PrintTo(const DbCase& c, std::ostream* os) {
    *os << c.name;
}

class LevelToDb : public ::testing::TestWithParam<DbCase> {};

TEST_P(LevelToDb, IsTheGainOfTheAmplitudeShare) {
    EXPECT_EQ(levelToDb(GetParam().level, GetParam().range), GetParam().hundredthsDb);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, LevelToDb,
    ::testing::Values(DbCase{"FullIsUnityGain", hdaMaster, 65535, 0},
                      DbCase{"HalfAmplitudeIsMinus6dB", hdaMaster, 32768, -602},
                      DbCase{"ReducedGain", hdaMaster, 35535, -532},
                      DbCase{"SilentIsTheBottom", hdaMaster, 0, -6525},
                      DbCase{"TooQuietStopsAtTheBottom", hdaMaster, 1, -6525},
                      // a capture fader that could amplify stays at unity gain
                      DbCase{"FullNeverAmplifies", hdaCapture, 65535, 0},
                      // a fader that cannot reach 0 dB counts from its top
                      DbCase{"FullIsTheTopBelowUnity", quietOnly, 65535, -1000},
                      DbCase{"HalfBelowTheTop", quietOnly, 32768, -1602}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VolumeScale, ReadingBackGivesTheLevel) {
    struct Case {
        const char* what;
        VolumeRange range;
        long value; // raw, or hundredths of a dB for the decibel taper
        std::uint32_t level;
    };
    const Case cases[] = {
        {"server at half volume: an eighth of the amplitude", pulse, 32768, 8192},
        {"server beyond its top", pulse, 70000, 65535},
        {"steps: 16 of 31", ac97Steps, 16, 33825},
        {"steps: bottom", ac97Steps, 0, 0},
        {"-6 dB", hdaMaster, -600, 32845},
        {"the bottom of the range is silence", hdaMaster, -6525, 0},
        {"an amplifying gain reads as full", hdaCapture, 1200, 65535},
        {"the top of a quiet fader is full", quietOnly, -1000, 65535},
        // A capture control that stops at -3 dB is not silent at its bottom:
        // the gain switch reads back 10^(-3/20) of full there.
        {"a bottom above -60 dB is its gain", shallowCapture, -300, 46395},
        {"a bottom at 0 dB is full", unityBottom, 0, 65535},
    };
    for (const auto& c : cases) {
        const auto level = c.range.taper == Taper::decibel ? dbToLevel(c.value, c.range)
                                                           : rawToLevel(c.value, c.range);
        EXPECT_EQ(level, c.level) << c.what;
    }
}

} // namespace
