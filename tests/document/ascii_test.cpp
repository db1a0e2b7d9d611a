#include "document/ascii.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(Ascii, FoldsOnlyTheAsciiLetters) {
  // 0xC8 and 0xE8 are the two cases of one Czech letter in Windows-1250: left alone.
  EXPECT_EQ(AsciiLowerCase("AbZ@[`{\xC8"), "abz@[`{\xC8");
  EXPECT_EQ(AsciiToUpper('z'), 'Z');
  EXPECT_EQ(AsciiToUpper('\xE8'), '\xE8');
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Velorin", "vELORIN"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC8", "\xE8"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ab", "abc"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("@", "`"));  // 0x40 and 0x60 are not letters
}

TEST(Ascii, TrimsBlanksAndSkipsTheByteOrderMark) {
  EXPECT_EQ(TrimBlanks(" \t a b\t "), "a b");
  EXPECT_EQ(TrimBlanks("\r\na\n"), "\r\na\n");  // line ends are not blanks
  EXPECT_EQ(TrimBlanks(" \t"), "");
  EXPECT_EQ(SkipUtf8Bom("\xEF\xBB\xBF{1}"), "{1}");
  EXPECT_EQ(SkipUtf8Bom("\xEF\xBB{1}"), "\xEF\xBB{1}");  // half a mark is text
  EXPECT_EQ(SkipUtf8Bom("x\xEF\xBB\xBF"), "x\xEF\xBB\xBF");
  EXPECT_FALSE(IsAsciiDigit('/'));
  EXPECT_TRUE(IsAsciiDigit('0') && IsAsciiDigit('9'));
  EXPECT_FALSE(IsAsciiDigit(':'));
}

}  // namespace
}  // namespace velorin
