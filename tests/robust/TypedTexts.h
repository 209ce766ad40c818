#pragma once
// Texts a user might type into a number box, each with what the standard
// integer conversion makes of it. A text is built from its reading, never
// read back: a number written in one of the accepted ways (leading blanks,
// a sign, leading zeros, $ or 0x hexadecimal), or a text that the conversion
// refuses (empty, blanks only, signs, decimal points, letters, non-ASCII
// characters, trailing blanks, numbers beyond 32 bits, very long texts).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace robust {

struct TypedText {
    std::string text;                   // UTF-8, as typed
    std::optional<std::int32_t> number; // nullopt: not an integer
    const char* kind;                   // how it was made, for failure messages
};

class TypedTexts {
public:
    explicit TypedTexts(std::uint64_t seed) : random_(seed) {}

    // The next text; about half of them are integers.
    TypedText next();
    // An integer written in one of the accepted ways.
    TypedText integer();

    // An integer from one of the ranges the boxes care about (small, slider
    // positions, the edges of 16 and 32 bits, anything).
    std::int32_t number();
    // True with probability 1 / n.
    bool oneIn(int n);
    // 0 .. n - 1.
    int below(int n);
    // One of the entries.
    template <class T, std::size_t N> const T& pick(const std::array<T, N>& entries) {
        return entries[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }

private:
    TypedText refused();
    std::string blanks(int most);

    std::mt19937_64 random_;
};

// Describes a text for a failure message: its kind and its first characters.
std::string describe(const TypedText& typed);

} // namespace robust
