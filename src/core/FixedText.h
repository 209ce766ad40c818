#pragma once
// Fixed-point number text as the instrument shows numbers on its scales and in
// its readouts: the value rounded to `decimals` decimals, "." as the decimal
// point, right-aligned with leading blanks to at least `width` characters
// (a longer number is not cut). A value exactly halfway between two results
// goes to the even one (2.5 -> "2", 0.125 -> "0.12"); a result that rounds to
// zero carries no minus sign.

#include <string>

std::string fixedText(double value, int width, int decimals);

// The text right-aligned with leading blanks to at least `width` characters.
std::string padLeft(std::string text, int width);
