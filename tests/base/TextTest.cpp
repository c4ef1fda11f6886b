#include "platform/base/Text.h"

#include <gtest/gtest.h>

using namespace tarnwel;

TEST(Text, DecodesAndEncodesEveryUtf8Length)
{
    const std::string text = "a\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80";  // a ü € 😀
    EXPECT_EQ(ToUtf32(text), (std::u32string{U'a', 0xFC, 0x20AC, 0x1F600}));
    EXPECT_EQ(ToUtf8(ToUtf32(text)), text);
    EXPECT_EQ(CodePointCount(text), 4u);
    EXPECT_EQ(LeftCodePoints(text, 2), "a\xC3\xBC");
}

TEST(Text, InvalidBytesBecomeReplacementCharacters)
{
    struct Case {
        const char* bytes;
        std::u32string expected;
    };
    const Case cases[] = {
        {"\xFF" "a", {0xFFFD, U'a'}},              // byte that starts nothing
        {"\xC3", {0xFFFD}},                        // cut-off sequence
        {"\xC0\xAF", {0xFFFD, 0xFFFD}},            // overlong "/"
        {"\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}}, // encoded surrogate
        {"\xE2\x82" "a", {0xFFFD, 0xFFFD, U'a'}},  // continuation missing
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToUtf32(c.bytes), c.expected) << c.bytes;
}

TEST(Text, TrimRemovesTheSixWhiteSpaceCharactersOnly)
{
    EXPECT_EQ(TrimSpace(" \t\r\n\v\fGr\xC3\xBC\xC3\x9F" "e \r\n"), "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(TrimSpace("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // no-break space stays
    EXPECT_EQ(TrimSpace(" \t "), "");
}

TEST(Text, ComparesWithoutRegardToCaseIncludingGermanLetters)
{
    EXPECT_TRUE(EqualsNoCase("\xC3\x84RGER \xC3\x96L \xC3\x9C" "BER", "\xC3\xA4rger \xC3\xB6l \xC3\xBC" "ber"));
    EXPECT_TRUE(EqualsNoCase("STRA\xE1\xBA\x9E" "E", "stra\xC3\x9F" "e"));  // capital sharp s
    EXPECT_FALSE(EqualsNoCase("Strasse", "Stra\xC3\x9F" "e"));
    EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
    EXPECT_LT(CompareNoCase("Alpha", "beta"), 0);
    EXPECT_GT(CompareNoCase("Gamma", "ALPINE"), 0);
    EXPECT_EQ(CompareNoCase("ALPHA", "alpha"), 0);
    EXPECT_TRUE(EqualsAsciiNoCase("LAST_UPDATED", "last_updated"));
    EXPECT_FALSE(EqualsAsciiNoCase("\xC3\x84", "\xC3\xA4"));
}

TEST(Text, ReplaceAllDoesNotRescanInsertedText)
{
    EXPECT_EQ(ReplaceAll("a\nb\n", "\n", "\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(ReplaceAll("&&", "&", "&amp;"), "&amp;&amp;");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}
