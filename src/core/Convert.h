#pragma once
// The standard conversion of typed text to an integer, as every number box
// of the window uses it: leading blanks, an optional sign, decimal digits (or
// $ / 0x and hexadecimal digits), nothing after them, within the 32-bit
// range. Anything else raises EConvertError with the text in its message:
// "'<text>' is not a valid integer value".

#include <cstdint>
#include <string>

std::int32_t StrToInt(const std::string& text);
