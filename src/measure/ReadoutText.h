#pragma once
// The texts of the RMS readouts and the frequency boxes. Every number is
// right-aligned in a minimum width with leading blanks and followed by its
// unit without a blank; the number part is also what the window keeps as
// the last formatted number.

#include <cstdint>
#include <string>

namespace measure {

struct NumberText {
    std::string number; // the formatted number, padding included
    std::string text;   // number and unit, as the box shows it
};

// An RMS reading X in the small unit (mA, mV):
//   X < 100          one decimal, width 4, small unit   (" 5.0mA", "46.5mA")
//   100 <= X < 1000  integer, width 4, small unit       (" 532mV")
//   1000 <= X        X / 1000 with two decimals, big unit ("1.50V", "12.34V")
// Every rounding goes to the nearest value, halves to even; in the third
// band on the integer X first and then on the hundredths.
NumberText readoutText(double X, const char* smallUnit, const char* bigUnit);

// A frequency integer right-aligned in `width`, after one blank: " " + "   50" + "Hz".
NumberText frequencyText(std::int64_t hertz, int width);

// Shown instead of a frequency beyond what the screen can show.
inline constexpr const char* beyondDisplayLimitText = "f > fmax";

} // namespace measure
