// CP932 conversion and the colour texts of project files.
#include <gtest/gtest.h>

#include "document/color_text.h"
#include "document/cp932.h"

namespace zelko {
namespace {

TEST(Cp932, ConvertsJapaneseBothWays) {
  EXPECT_EQ(Utf8ToCp932("ＭＳ ゴシック"), "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e");
  EXPECT_EQ(Cp932ToUtf8("\x91\xaa\x93\x5f\x82\x50"), "測点１");
  // The backslash and tilde are themselves, so paths survive.
  EXPECT_EQ(Utf8ToCp932("a\\b~"), "a\\b~");
  EXPECT_EQ(Cp932ToUtf8("a\\b~"), "a\\b~");
}

TEST(Cp932, UnrepresentableCharacterBecomesQuestionMarkAlone) {
  // U+00E9 and an emoji have no CP932 form; their neighbours stay intact.
  EXPECT_EQ(Utf8ToCp932("caf\xc3\xa9 \xe6\xb8\xac"), "caf? \x91\xaa");
  EXPECT_EQ(Utf8ToCp932("\xf0\x9f\x98\x80メ"), "?\x83\x81");
  // Bytes that are no UTF-8 at all.
  EXPECT_EQ(Utf8ToCp932("a\xff"
                        "b\xe6"),
            "a?b?");
}

TEST(Cp932, InvalidBytesAndZeroWhenReading) {
  // 0xA0 is no character; a lead byte at the very end has no second byte.
  EXPECT_EQ(Cp932ToUtf8("a\xa0"
                        "b"),
            "a?b");
  EXPECT_EQ(Cp932ToUtf8("\x83\x81\x83"), "メ?");
  EXPECT_EQ(Cp932ToUtf8(std::string_view("ab\0cd", 5)), "ab");
}

TEST(ColorText, WritesTableNamesOrHex) {
  EXPECT_EQ(ColorToText(0x000000FF), "clRed");
  EXPECT_EQ(ColorToText(0x00000000), "clBlack");
  EXPECT_EQ(ColorToText(0xFF000008), "clWindowText");
  EXPECT_EQ(ColorToText(0x1FFFFFFF), "clNone");
  EXPECT_EQ(ColorToText(0x20000000), "clDefault");
  EXPECT_EQ(ColorToText(0x0080FF40), "$0080FF40");
  EXPECT_EQ(ColorToText(0xFF000099), "$FF000099");
}

TEST(ColorText, ReadsNamesInAnyCaseAndNumbers) {
  EXPECT_EQ(ColorFromText("clred"), 0x000000FFu);
  EXPECT_EQ(ColorFromText("CLSKYBLUE"), 0x00F0CAA6u);
  EXPECT_EQ(ColorFromText("cl3DLight"), 0xFF000016u);
  EXPECT_EQ(ColorFromText("$0080FF40"), 0x0080FF40u);
  EXPECT_EQ(ColorFromText("$ff"), 0xFFu);
  EXPECT_EQ(ColorFromText("0x00FF0000"), 0x00FF0000u);
  EXPECT_EQ(ColorFromText("255"), 0xFFu);
  EXPECT_EQ(ColorFromText("-16777201"), 0xFF00000Fu);
  EXPECT_EQ(ColorFromText("4294967295"), 0xFFFFFFFFu);
}

TEST(ColorText, RejectsEverythingElse) {
  for (const char* text : {"purple", "", "$", "0x", "$123456789", "4294967296", "12a", " 12",
                           "clRedd", "-2147483649", "$-1"})
    EXPECT_FALSE(ColorFromText(text).has_value()) << text;
}

}  // namespace
}  // namespace zelko
