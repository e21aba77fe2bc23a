#include "framework/platform/text/StringToInt.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

// The value read, or 12345 as a mark that the text was refused and the value left alone.
int32_t Read(std::string_view text) {
    int32_t value = 12345;
    return StringToInt(text, value) ? value : 12345;
}

} // namespace

TEST(StringToIntTest, DecimalHexadecimalAndSign) {
    EXPECT_EQ(Read("0"), 0);
    EXPECT_EQ(Read("42"), 42);
    EXPECT_EQ(Read("-17"), -17);
    EXPECT_EQ(Read("0x1A"), 26);
    EXPECT_EQ(Read("0Xff"), 255);
    EXPECT_EQ(Read("-0x10"), -16);
    EXPECT_EQ(Read("007"), 7);
    EXPECT_EQ(Read("2147483647"), INT32_MAX);
    EXPECT_EQ(Read("-2147483648"), INT32_MIN);
    EXPECT_EQ(Read("0x7fffffff"), INT32_MAX);
}

TEST(StringToIntTest, AnythingElseFailsAndLeavesTheValue) {
    for (std::string_view text : {"", "-", "0x", "-0x", "+5", " 5", "5 ", "12a", "0x1g", "5;ext", "0x0x5",
                                  "1.5", "2147483648", "-2147483649", "0x80000000", "0xFFFFFFFFFFFFFFFF1"})
        EXPECT_EQ(Read(text), 12345) << "'" << text << "'";
}
