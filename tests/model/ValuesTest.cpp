#include "model/Values.h"

#include <gtest/gtest.h>

TEST(Values, IntegersAreReadWithBaseDetection) {
    EXPECT_EQ(sw::ParseInteger("42"), 42);
    EXPECT_EQ(sw::ParseInteger("  -7xyz"), -7);
    EXPECT_EQ(sw::ParseInteger("0x00FF8000"), 0x00FF8000);
    EXPECT_EQ(sw::ParseInteger("010"), 8);
    EXPECT_EQ(sw::ParseInteger("09"), 0); // octal stops at 9
    EXPECT_EQ(sw::ParseInteger(""), 0);
    EXPECT_EQ(sw::ParseInteger("abc"), 0);
    EXPECT_EQ(sw::ParseInteger("0x"), 0);
}

TEST(Values, OutOfRangeIntegersWrapOrClampWithoutOverflow) {
    // Unsigned value lines read back to the int32 that wrote them.
    EXPECT_EQ(sw::ParseInteger("4294967295"), -1);
    EXPECT_EQ(sw::ParseInteger("0xFFFFFFFF"), -1);
    EXPECT_EQ(sw::ParseInteger("99999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(sw::ParseInteger("-99999999999999999999999999"), INT32_MIN);
    EXPECT_EQ(sw::ParseFlag("7"), 1);
    EXPECT_EQ(sw::ParseFlag("0"), 0);
}

TEST(Values, QuotesAndColours) {
    EXPECT_EQ(sw::TrimQuotes("\"abc\""), "abc");
    EXPECT_EQ(sw::TrimQuotes("\"\"abc\"\""), "\"abc\"");
    EXPECT_EQ(sw::TrimQuotes("abc"), "abc");
    EXPECT_EQ(sw::TrimQuotes("\""), "");
    EXPECT_EQ(sw::SwapRedBlue(0x00FF8000), 0x000080FF);
    EXPECT_EQ(sw::SwapRedBlue(sw::SwapRedBlue(0x12345678)), 0x12345678);
    EXPECT_DOUBLE_EQ(sw::ParseReal("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(sw::ParseReal("x"), 0.0);
}
