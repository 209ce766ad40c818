// The user's text quoted in a one-line message.
#include "core/PrintableText.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintableText, ControlCharactersAreWrittenOutAndTheRestStays) {
    const struct {
        const char* given;
        const char* shown;
    } table[] = {
        {"bench", "bench"},
        {"ben\nch", "ben\\nch"},
        {"R=10\r\n", "R=10\\r\\n"},
        {"\thw:1", "\\thw:1"},
        {"\x1b[2J", "\\x1B[2J"},
        {"5\x7f", "5\\x7F"},
        {"\x01", "\\x01"},
        {"R=1\xc2\xb5", "R=1\xc2\xb5"}, // non-ASCII stays
        {"", ""},
    };
    for (const auto& c : table)
        EXPECT_EQ(printable(c.given), c.shown) << c.shown;
}

} // namespace
