// The standard conversion of typed text to an integer.

#include "core/Convert.h"

#include "core/Exception.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(IntegerText, ConvertsLikeTheStandardConversion) {
    const struct {
        const char* text;
        std::int32_t value;
    } good[] = {{"100", 100},
                {"  500", 500},
                {"-5", -5},
                {"+7", 7},
                {"$1F", 31},
                {"0x10", 16},
                {"007", 7},
                {"\t12", 12},
                {"2147483647", 2147483647},
                {"-2147483648", -2147483647 - 1}};
    for (const auto& g : good)
        EXPECT_EQ(StrToInt(g.text), g.value) << g.text;
    for (const char* bad : {"", " ", "abc", "12a", "100 ", "1.5", "-", "$", "0x", "2147483648",
                            "-2147483649", "99999999999999999999", "1 2"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.message(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

} // namespace
