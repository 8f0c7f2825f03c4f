#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace {
std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}
} // namespace

// Narrow literals are compiled as CP932, so "①" here is the two CP932 bytes.
TEST(Cp932, ExtensionCharactersBackslashAndTildeSurviveBothWays) {
    const std::string cp932 = "①Ⅲ㈱髙﨑 C:\\ソ表\\a~b";
    std::string utf8;
    ASSERT_TRUE(sw::cp932::ToUtf8(cp932, utf8));
    EXPECT_EQ(utf8, Utf8(u8"①Ⅲ㈱髙﨑 C:\\ソ表\\a~b"));
    std::string back;
    ASSERT_TRUE(sw::cp932::FromUtf8(utf8, back));
    EXPECT_EQ(back, cp932);
    EXPECT_EQ(std::string("\x87\x40"), "①");
}

TEST(Cp932, InvalidInputIsReportedWithItsOffset) {
    std::size_t bad = 0;
    EXPECT_FALSE(sw::cp932::IsValid("ab\x81", &bad)); // lead byte without trail
    EXPECT_EQ(bad, 2u);
    EXPECT_FALSE(sw::cp932::IsValid("a\x81\x20", &bad));
    EXPECT_EQ(bad, 1u);
    EXPECT_TRUE(sw::cp932::IsValid("ｱｲｳ漢字"));
    std::string out;
    EXPECT_FALSE(sw::cp932::FromUtf8(Utf8(u8"\U0001F600"), out, &bad)); // no CP932 form
    EXPECT_EQ(sw::cp932::ToUtf8ForDisplay("a\x81"), "a?");
}

TEST(Cp932, ByteSearchesSkipTrailBytes) {
    // ソ and 表 end in 0x5C, the backslash byte.
    EXPECT_EQ(sw::cp932::FindLastOf("dir\\ソ表", "\\/"), 3u);
    EXPECT_EQ(sw::cp932::FindLastOf("ソ表", "\\"), std::string::npos);
    EXPECT_EQ(sw::cp932::ReplaceChar("a\\ソ\\表", '\\', '/'), "a/ソ/表");
    EXPECT_TRUE(sw::cp932::EqualsIgnoreAsciiCase("C:/BG/Ａ.PNG", "c:/bg/Ａ.png"));
    // Trail bytes in the letter range are not letters: ア (83 41) and ッ (83 61) differ.
    EXPECT_FALSE(sw::cp932::EqualsIgnoreAsciiCase("\x83\x41", "\x83\x61"));
}
