#include "document/subtitle_line.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "document/error.h"

namespace velorin {
namespace {

struct ParseCase {
  std::string line;
  int32_t first, second;
  std::string text;
};

TEST(ParseSubtitleLine, TakesLinesApartByDigitsAndClosingBraces) {
  const ParseCase cases[] = {
      {"{100}{150}Ahoj|světe", 100, 150, "Ahoj|světe"},
      {"{100}{}Ahoj", 100, 0, "Ahoj"},
      {"{}{}Ahoj", 0, 0, "Ahoj"},
      {"{100}{150}{Y:i}Ahoj", 100, 150, "{Y:i}Ahoj"},
      {"{1a0}{-5}x", 10, 5, "x"},
      {"{100}abc5", 100, 5, ""},
      {"12}34}x", 12, 34, "x"},
      {"5}7}x", 5, 7, "x"},
      {"", 0, 0, ""},
      {"{100}", 100, 0, ""},
      {"{0}{0}text", 0, 0, "text"},
      {"{007}{08}}}", 7, 8, "}}"},
      {"{1}{2}", 1, 2, ""},
      {"{2147483647}{1}x", 2147483647, 1, "x"},
      {std::string("{1}{2}a\0b", 9), 1, 2, std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    auto f = ParseSubtitleLine(c.line);
    EXPECT_EQ(f.first, c.first);
    EXPECT_EQ(f.second, c.second);
    EXPECT_EQ(f.text, c.text);
    EXPECT_EQ(ParseFirstFrame(c.line), c.first);
  }
}

TEST(ParseSubtitleLine, FrameAboveInt32FailsWithInvalidNumberError) {
  try {
    ParseSubtitleLine("{2147483648}{1}x");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'02147483648' is not a valid integer value");
  }
  EXPECT_THROW(ParseSubtitleLine("{1}{9999999999}x"), Error);
  EXPECT_THROW(ParseFirstFrame("{99999999999999999999999}"), Error);
  // Digits in the text do not count.
  EXPECT_EQ(ParseSubtitleLine("{1}{2}99999999999999").second, 2);
}

// A message quotes at most 40 bytes of what it complains about, whatever the
// size of the offending text, and never cuts a UTF-8 character in two.
TEST(InvalidNumberError, QuotesAShortExcerpt) {
  const std::string digits(200000, '7');
  const std::string cut = "'0" + std::string(39, '7') + "\u2026' is not a valid integer value";
  const struct {
    const char* name;
    std::function<void()> fail;
    std::string message;
  } cases[] = {
      {"frame field", [&] { ParseSubtitleLine("{" + digits + "}{}x"); }, cut},
      {"second field", [&] { ParseSubtitleLine("{1}{x" + digits + "}"); }, cut},
      {"number field", [&] { ToInt32("0" + digits); }, cut},
      {"exactly 40 bytes", [] { ToInt32(std::string(40, 'a')); },
       "'" + std::string(40, 'a') + "' is not a valid integer value"},
      {"a two-byte character at the cut", [] { ToInt32(std::string(39, 'a') + "\u010Dxyz"); },
       "'" + std::string(39, 'a') + "\u2026' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.fail();
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
}

TEST(SubtitleLineView, FindsTheFieldsAndTheTextInPlace) {
  const struct {
    std::string_view line;
    int32_t first, second;
    size_t textStart;
  } cases[] = {
      {"{100}{150}Ahoj", 100, 150, 10},
      {"{1a0}{-5}x", 10, 5, 9},
      {"{100}abc5", 100, 5, 9},  // one '}': no text
      {"12}34}", 12, 34, 6},
      {"{}}{7}", 0, 0, 3},
      {"", 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    SubtitleLineView view(c.line);
    EXPECT_EQ(view.First(), c.first);
    EXPECT_EQ(view.Second(), c.second);
    EXPECT_EQ(view.TextStart(), c.textStart);
    // The text is the line's own bytes, not a copy.
    EXPECT_EQ(view.Text().data(), c.line.data() + c.textStart);
  }
}

TEST(SubtitleLineView, OnlyTheFieldThatDoesNotFitFails) {
  const std::string line = "{12}{99999999999}text";
  SubtitleLineView view(line);
  EXPECT_EQ(view.First(), 12);
  EXPECT_EQ(view.Text(), "text");
  EXPECT_FALSE(view.SecondField().Fits());
  EXPECT_EQ(view.SecondField().Digits(), "99999999999");
  EXPECT_THROW(view.Second(), Error);
  EXPECT_EQ(ParseFirstFrame(line), 12);
  EXPECT_THROW(ParseSubtitleLine(line), Error);
}

TEST(ComposeSubtitleLine, WritesZeroAsEmptyBracesAndRoundTrips) {
  EXPECT_EQ(ComposeSubtitleLine(100, 0, "Ahoj"), "{100}{}Ahoj");
  EXPECT_EQ(ComposeSubtitleLine(0, 0, "x"), "{}{}x");
  EXPECT_EQ(ComposeSubtitleLine(-5, 7, "x"), "{-5}{7}x");
  for (std::string text : {"", "}", "{Y:b}a|b", "{1}{2}", "|"}) {
    auto f = ParseSubtitleLine(ComposeSubtitleLine(12, 345, text));
    EXPECT_EQ(f, (SubtitleFields{12, 345, text}));
  }
}

TEST(SplitByChar, FillsSlotsAndNeverWritesPastThem) {
  auto split = [](std::string s) {
    std::array<std::string, 2> p{"keep0", "keep1"};
    SplitByChar('/', s, p);
    return p;
  };
  EXPECT_EQ(split("a/b"), (std::array<std::string, 2>{"a", "b"}));
  EXPECT_EQ(split("/b"), (std::array<std::string, 2>{"", "b"}));
  EXPECT_EQ(split("a/"), (std::array<std::string, 2>{"a", ""}));
  EXPECT_EQ(split(""), (std::array<std::string, 2>{"", "keep1"}));
  EXPECT_EQ(split("a/b/c"), (std::array<std::string, 2>{"a", "b/c"}));
}

TEST(DisplayLineCount, CountsBarsPlusOne) {
  EXPECT_EQ(DisplayLineCount(""), 1);
  EXPECT_EQ(DisplayLineCount("|"), 2);
  EXPECT_EQ(DisplayLineCount("a|b|c"), 3);
}

TEST(ToInt32, ConvertsOnlyWholeNumbersThatFit) {
  EXPECT_EQ(ToInt32("0"), 0);
  EXPECT_EQ(ToInt32("2147483647"), 2147483647);
  EXPECT_EQ(ToInt32("-12"), -12);
  for (const char* bad : {"", "2147483648", "1,5", "x", " 1"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ToInt32(bad), Error);
  }
}

}  // namespace
}  // namespace velorin
