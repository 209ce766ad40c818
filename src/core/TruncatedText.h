#pragma once
// Text cut to the length of a fixed-size name field: the first `maxLength`
// bytes of a longer text, a shorter one as it is.

#include <cstddef>
#include <string>

inline std::string truncated(const std::string& text, std::size_t maxLength) {
    return text.size() > maxLength ? text.substr(0, maxLength) : text;
}
