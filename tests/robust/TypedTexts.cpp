#include "TypedTexts.h"

#include <array>
#include <cstdio>
#include <limits>

namespace robust {

namespace {

constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();

// Values at the edges of what the boxes, sliders and 16- and 32-bit numbers hold.
constexpr std::array<std::int32_t, 30> edges = {
    0,       1,       -1,       19,         20,    21,    99,    100,      999,          1000,
    1001,    2500,    2501,     20000,      20001, 32767, 32768, 65535,    65536,        -32768,
    2147483, 2147484, 65536000, 1073741824, 16384, 8200,  3280,  int32Max, int32Max - 1, int32Min};

// Blanks other than those the conversion skips, and characters beyond ASCII
// that look like numbers or units.
constexpr std::array<const char*, 14> foreign = {"\xef\xbc\x91\xef\xbc\x92", // fullwidth 1 2
                                                 "\xd9\xa1\xd9\xa2",         // Arabic-Indic 1 2
                                                 "\xe2\x88\x92"
                                                 "5", // minus sign 5
                                                 "\xc2\xa0"
                                                 "5",         // no-break space 5
                                                 "5\xc2\xb5", // 5 micro
                                                 "\xc4\x8d"
                                                 "12",               // c caron 12
                                                 "12\xc5\xbe",       // 12 z caron
                                                 "\xf0\x9f\x8e\x9b", // control knobs
                                                 "5\xe2\x82\xac",    // 5 euro
                                                 "\xc2\xbd",         // one half
                                                 "1\xe2\x80\x89"
                                                 "000",           // thin space in a number
                                                 "7\xef\xbb\xbf", // 7 byte order mark
                                                 "100 Hz",        //
                                                 "\xe2\x80\x8b"
                                                 "42"}; // zero-width space 42

constexpr std::array<const char*, 24> words = {
    "abc",   "inf", "-inf", "nan", "NaN", "e5",  "1e5", "1E3",  "zero", "mV",   "Hz",   "x12",
    "0b101", "$",   "0x",   "0X",  "$g",  "0xZ", "$ 5", "0x-5", "$$5",  "0x 5", "true", "null"};

constexpr std::array<const char*, 12> signs = {"+",  "-",  "+-5", "-+5", "--5", "++5",
                                               "5-", "5+", "+ 5", "- 5", "+$",  "-0x"};

// Letters that are no digit in any base the conversion knows, and no "x".
constexpr const char* notDigits = "ghijklmnopqrstuvwyzGHIJKLMNOPQRSTUVWYZ_#%&*/=?@";

std::string decimal(std::uint64_t magnitude) {
    return std::to_string(magnitude);
}

std::string hexadecimal(std::uint64_t magnitude, bool upper) {
    char digits[24];
    std::snprintf(digits, sizeof digits, upper ? "%llX" : "%llx",
                  static_cast<unsigned long long>(magnitude));
    return digits;
}

std::uint64_t magnitudeOf(std::int32_t value) {
    return value < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(value))
                     : static_cast<std::uint64_t>(value);
}

} // namespace

bool TypedTexts::oneIn(int n) {
    return below(n) == 0;
}

int TypedTexts::below(int n) {
    return static_cast<int>(random_() % static_cast<std::uint64_t>(n));
}

std::int32_t TypedTexts::number() {
    switch (below(4)) {
    case 0:
        return below(201) - 100;
    case 1:
        return below(32768);
    case 2:
        return pick(edges);
    default:
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(random_()));
    }
}

std::string TypedTexts::blanks(int most) {
    std::string text;
    const int count = below(most + 1);
    for (int i = 0; i < count; ++i)
        text += oneIn(4) ? '\t' : ' ';
    return text;
}

TypedText TypedTexts::next() {
    return oneIn(2) ? integer() : refused();
}

TypedText TypedTexts::integer() {
    const std::int32_t value = number();
    const std::uint64_t magnitude = magnitudeOf(value);
    std::string sign = value < 0 ? "-" : "";
    if (value >= 0 && oneIn(5)) sign = oneIn(4) ? "-" : "+";
    if (value > 0 && sign == "-") sign = "+"; // "-" is only harmless before 0

    TypedText typed;
    typed.number = value;
    std::string body;
    switch (below(10)) {
    case 0: {
        const bool upper = oneIn(2);
        body = (oneIn(2) ? "$" : (upper ? "0X" : "0x")) + std::string(below(3), '0') +
               hexadecimal(magnitude, upper);
        typed.kind = "hexadecimal";
        break;
    }
    case 1:
        body = std::string(static_cast<std::size_t>(200 + below(3000)), '0') + decimal(magnitude);
        typed.kind = "long leading zeros";
        break;
    case 2:
        typed.text = std::string(static_cast<std::size_t>(100 + below(2000)), ' ');
        body = decimal(magnitude);
        typed.kind = "long leading blanks";
        break;
    default:
        body = std::string(below(3), '0') + decimal(magnitude);
        typed.kind = "decimal";
        break;
    }
    typed.text += blanks(3) + sign + body;
    return typed;
}

TypedText TypedTexts::refused() {
    TypedText typed;
    const auto valid = [this] { return decimal(magnitudeOf(number())); };
    switch (below(12)) {
    case 0:
        typed.kind = "empty";
        break;
    case 1:
        typed.text = " " + blanks(5);
        typed.kind = "blanks only";
        break;
    case 2:
        typed.text = pick(signs);
        typed.kind = "signs";
        break;
    case 3: {
        const std::string point = oneIn(3) ? "," : ".";
        switch (below(4)) {
        case 0:
            typed.text = valid() + point + valid();
            break;
        case 1:
            typed.text = point + valid();
            break;
        case 2:
            typed.text = valid() + point;
            break;
        default:
            // The frequency box's own kHz readout.
            typed.text = " " + std::to_string(1 + below(20)) + "." + std::to_string(below(10));
            break;
        }
        typed.kind = "decimal point";
        break;
    }
    case 4: {
        std::string text = blanks(2) + valid();
        const auto at = static_cast<std::size_t>(below(static_cast<int>(text.size()) + 1));
        text.insert(at, 1,
                    notDigits[below(static_cast<int>(std::char_traits<char>::length(notDigits)))]);
        typed.text = text;
        typed.kind = "letter in a number";
        break;
    }
    case 5:
        typed.text = pick(words);
        typed.kind = "word";
        break;
    case 6: {
        static constexpr std::array<const char*, 4> after = {" ", "\t", "\n", "\r"};
        typed.text = blanks(2) + valid() + pick(after);
        typed.kind = "trailing blank";
        break;
    }
    case 7: {
        const std::string a = std::to_string(1 + below(999));
        typed.text = a + (oneIn(2) ? " " : "\t") + std::to_string(below(1000));
        typed.kind = "blank inside";
        break;
    }
    case 8: {
        // Beyond 32 bits: above 2147483647, or below -2147483648.
        const bool negative = oneIn(2);
        const std::uint64_t least = negative ? 2147483649ull : 2147483648ull;
        std::string text;
        switch (below(3)) {
        case 0:
            text = decimal(least + random_() % 10000000000ull);
            break;
        case 1:
            text = "$" + hexadecimal(least + random_() % 0xFFFFFFFFull, oneIn(2));
            break;
        default:
            text = std::to_string(1 + below(9));
            for (int i = 0, n = 10 + below(30); i < n; ++i)
                text += static_cast<char>('0' + below(10));
            break;
        }
        typed.text = blanks(2) + (negative ? "-" : "") + text;
        typed.kind = "beyond 32 bits";
        break;
    }
    case 9:
        typed.text = pick(foreign);
        typed.kind = "non-ASCII";
        break;
    case 10: {
        const auto length = static_cast<std::size_t>(300 + below(5000));
        switch (below(3)) {
        case 0:
            typed.text = std::string(length, '9');
            typed.kind = "very long number";
            break;
        case 1:
            for (std::size_t i = 0; i < length; ++i)
                typed.text += static_cast<char>('g' + below(19));
            typed.kind = "very long word";
            break;
        default:
            typed.text = std::string(length, '1');
            typed.text[static_cast<std::size_t>(below(static_cast<int>(length)))] = 'k';
            typed.kind = "very long with a letter";
            break;
        }
        break;
    }
    default: {
        static constexpr std::array<const char*, 4> controls = {"\x01", "\x1b", "\x7f", "\x08"};
        const std::string c = pick(controls);
        typed.text = c == "\x7f" && oneIn(2) ? c + valid() : valid() + c;
        typed.kind = "control character";
        break;
    }
    }
    return typed;
}

std::string describe(const TypedText& typed) {
    std::string shown;
    for (char c : typed.text.substr(0, 40)) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", u);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    if (typed.text.size() > 40) shown += "...";
    return std::string(typed.kind) + " \"" + shown + "\" (" + std::to_string(typed.text.size()) +
           " bytes)";
}

} // namespace robust
