// One line of the block log: what it leaves empty when a reading cannot be
// trusted.

#include "measure/BlockExport.h"

#include <gtest/gtest.h>

namespace {

using measure::CircuitReading;

CircuitReading reading(bool valid, bool currentTooSmall, bool overdriven) {
    CircuitReading r;
    r.valid = valid;
    r.currentTooSmall = currentTooSmall;
    r.overdriven = overdriven;
    r.currentRms = 5.3636;
    r.voltageRms = 100.72;
    r.impedance = 18.779;
    r.phaseDegrees = -57.432;
    return r;
}

TEST(LogLine, ReadingsThatCannotBeTrustedStayEmpty) {
    struct Case {
        const char* what;
        CircuitReading reading;
        const char* line;
    };
    const Case cases[] = {
        {"fitted", reading(true, false, false), "T,100.00,100.00,5.3636,100.72,18.779,-57.432\n"},
        {"current too small to divide by", reading(true, true, false),
         "T,100.00,100.00,5.3636,100.72,,\n"},
        // A channel at full scale: the amplitudes, and with them |Z| and the
        // phase, are the clipping's; the frequencies still hold.
        {"clipped", reading(true, false, true), "T,100.00,100.00,,,,\n"},
        {"no periodic signal", reading(false, false, false), "T,100.00,100.00,,,,\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(measure::logLine("T", 100.0, 100.0, c.reading), c.line) << c.what;
}

} // namespace
