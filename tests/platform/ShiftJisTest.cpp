#include "platform/ShiftJis.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(ShiftJisTest, WindowsCodePageCharactersRoundTrip)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ごみ箱", "\x82\xB2\x82\xDD\x94\xA0"},
        {"\xEF\xBD\x9E", "\x81\x60"}, // U+FF5E fullwidth tilde, missing from strict Shift-JIS
        {"①", "\x87\x40"},           // NEC special character
        {"ｱ", "\xB1"},                // half-width katakana is one byte
        {"Rect.udf", "Rect.udf"},
    };
    for (const auto& [utf8, cp932] : cases) {
        EXPECT_EQ(Utf8ToCp932(utf8), cp932) << utf8;
        EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << utf8;
    }
}

TEST(ShiftJisTest, UnmappableOrInvalidInputIsReplacedAndTheRestKept)
{
    EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80" "b"), "a?b"); // emoji
    EXPECT_EQ(Utf8ToCp932("한글"), "??");
    EXPECT_EQ(Utf8ToCp932("x\xFFy"), "x?y");                // not UTF-8 at all
    EXPECT_EQ(Utf8ToCp932("\xE3\x81"), "?");                // truncated sequence: one mark
    EXPECT_EQ(Utf8ToCp932("\xE3\x81" "A"), "?A");

    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(Cp932ToUtf8("\x80"), replacement);
    EXPECT_EQ(Cp932ToUtf8("\xA0"), replacement);
    EXPECT_EQ(Cp932ToUtf8("\xFD" "A"), replacement + "A");
    EXPECT_EQ(Cp932ToUtf8("A\x81"), "A" + replacement);     // lead byte cut off at the end
    EXPECT_EQ(Cp932ToUtf8("\x81 "), replacement + " ");     // lead byte without a trail byte
    EXPECT_EQ(Cp932ToUtf8(std::string(1000, '\x80')).size(), 1000 * replacement.size());
}

TEST(ShiftJisTest, LeadBytesAreTheTwoDoubleByteRanges)
{
    for (const unsigned char byte : {0x00, 0x41, 0x7F, 0x80, 0xA0, 0xA1, 0xDF, 0xFD, 0xFF})
        EXPECT_FALSE(IsCp932LeadByte(byte)) << int(byte);
    for (const unsigned char byte : {0x81, 0x9F, 0xE0, 0xFC})
        EXPECT_TRUE(IsCp932LeadByte(byte)) << int(byte);
}

TEST(ShiftJisTest, UpperCaseFoldsAsciiLettersButNeverTrailBytes)
{
    // "ソフト" is 83 5C 83 74 83 67: its trail bytes are 't' and 'g'.
    const std::string soft = "\x83\x5C\x83\x74\x83\x67";
    EXPECT_EQ(Cp932ToUpperAscii("abc" + soft + "xyz"), "ABC" + soft + "XYZ");
    EXPECT_EQ(Cp932ToUpperAscii("\xB1z"), "\xB1Z"); // half-width kana is no lead byte
    EXPECT_EQ(Cp932ToUpperAscii("a\x83"), "A\x83"); // a lead byte at the very end
    EXPECT_EQ(Cp932ToUpperAscii("Width_1"), "WIDTH_1");
}

} // namespace
} // namespace qm
