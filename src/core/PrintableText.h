#pragma once
// The user's text, quoted in a message of one line: control characters (a
// line break, a carriage return, a tab, an escape) are written as \n, \r, \t
// or \xNN, so that the message stays one line on the terminal and reads as
// what was typed. Everything else, non-ASCII text included, stays as it is.

#include <string>
#include <string_view>

std::string printable(std::string_view text);
