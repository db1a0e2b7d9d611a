#include "sync/retiming.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "document/error.h"
#include "document/subtitle_file.h"
#include "test_support.h"

namespace velorin {
namespace {

SubtitleList Doc(std::vector<std::string> lines) {
  SubtitleList doc;
  doc.Assign(std::move(lines));
  return doc;
}

TEST(ComputeRetiming, WorkedExamplesShowInTheFieldFormat) {
  struct Case {
    int32_t e1, e2, e3, e4;
    std::string offset, scale;
  } cases[] = {
      {2, 1002, 5, 1255, "2,5", "1,25"},
      {100, 1100, 200, 1450, "75", "1,25"},
      {1000, 2000, 800, 1800, "-200", "1"},
      {0, 3, 0, 1, "0", "0,333333333333333"},
      {0, 9999999, 0, 1, "0", "1,00000010000001E-7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.e1);
    RetimingValues v = ComputeRetiming(c.e1, c.e2, c.e3, c.e4);
    ASSERT_TRUE(v.success);
    EXPECT_EQ(FormatDecimal(v.offset), c.offset);
    EXPECT_EQ(FormatDecimal(v.scale), c.scale);
    // Pressing "=" again gives the same.
    RetimingValues again = ComputeRetiming(c.e1, c.e2, c.e3, c.e4);
    EXPECT_EQ(again.offset, v.offset);
    EXPECT_EQ(again.scale, v.scale);
  }
}

TEST(ComputeRetiming, PairsMustIncreaseStrictly) {
  EXPECT_FALSE(ComputeRetiming(5, 5, 1, 2).success);
  EXPECT_FALSE(ComputeRetiming(1, 2, 7, 7).success);
  EXPECT_FALSE(ComputeRetiming(9, 2, 1, 2).success);
  EXPECT_FALSE(ComputeRetiming(1, 2, 3, 1).success);
  EXPECT_TRUE(ComputeRetiming(0, 1, 0, 1).success);
}

TEST(FormatDecimal, GeneralFormatWithDecimalCommaRoundTrips) {
  struct Case {
    double value;
    std::string text;
  } cases[] = {
      {100, "100"},
      {1, "1"},
      {-12.5, "-12,5"},
      {1.25, "1,25"},
      {0, "0"},
      {-0.0, "0"},
      {2147483647, "2147483647"},
      {1e20, "1E20"},
      {1.5e-7, "1,5E-7"},
      {123456789012345.0, "123456789012345"},
      // Fifteen digits of the largest doubles would round past them.
      {DBL_MAX, "1,79769313486231E308"},
      {-DBL_MAX, "-1,79769313486231E308"},
      {DBL_TRUE_MIN, "4,94065645841247E-324"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDecimal(c.value), c.text);
    auto back = ParseDecimal(c.text);
    ASSERT_TRUE(back.has_value()) << c.text;
    EXPECT_NEAR(*back, c.value, std::fabs(c.value) * 1e-14) << c.text;
  }
}

TEST(ParseDecimal, AcceptsCommaNumbersOnly) {
  struct Case {
    std::string text;
    std::optional<double> value;
  } cases[] = {
      {"2,5", 2.5},  {"-3", -3},        {"+4", 4},   {",5", 0.5}, {"5,", 5},     {" 7 ", 7},
      {"1E3", 1000}, {"1,5e-2", 0.015}, {"", {}},    {"-", {}},   {",", {}},     {"1,2,3", {}},
      {"2.5", {}},   {"1e", {}},        {"abc", {}}, {"1 2", {}}, {"1e999", {}}, {"inf", {}},
      {"nan", {}},   {"0x10", {}},      {"--1", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseDecimal(c.text), c.value);
  }
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const std::pair<long double, long double> cases[] = {
      {2.5L, 2},
      {3.5L, 4},
      {4.5L, 4},
      {-2.5L, -2},
      {-3.5L, -4},
      {202.5L, 202},
      {207.5L, 208},
      {2.4999L, 2},
      {2.5001L, 3},
      {0.5L, 0},
      {-0.5L, 0},
      {7, 7},
      {-2.4L, -2},
      {-2.6L, -3},
      {-7, -7},
      // Around and beyond 2^62, where the rounding leaves 64-bit integers.
      {0x1p62L - 1.5L, 0x1p62L - 2},
      {0x1p62L + 0.5L, 0x1p62L},
      {-0x1p62L - 1.5L, -0x1p62L - 2},
      {1e30L, 1e30L},
  };
  for (auto [in, out] : cases) EXPECT_EQ(RoundHalfEven(in), out) << static_cast<double>(in);
}

struct LineCase {
  std::string line;
  std::string offset, scale;
  std::string expected;
};

TEST(RecalculateFrames, RewritesEveryLine) {
  const LineCase cases[] = {
      // Offset 2,5 is applied as 2: 2 -> 4,5 -> 4 and 1002 -> 1254,5 -> 1254.
      {"{2}{10}a", "2,5", "1,25", "{4}{14}a"},
      {"{1002}{}b", "2,5", "1,25", "{1254}{}b"},
      {"{102}{106}c", "75", "1,25", "{202}{208}c"},
      {"{10}{20}x", "3,5", "1", "{14}{24}x"},
      {"{300}{400}Text", "-500", "1", "{0}{0}Text"},
      {"{0}{}Text", "100", "1", "{100}{100}Text"},
      {"{10}{}Text", "100", "1", "{110}{}Text"},
      {"{120}{100}Text", "0", "1", "{120}{}Text"},
      {"{10}{20}{Y:i}Ahoj|světe", "0", "2", "{20}{40}{Y:i}Ahoj|světe"},
      {"{10}{20}a", "7", "0", "{7}{7}a"},
      {"{5}{9}}x}", "0", "1", "{5}{9}}x}"},
      {"{1a0}{-5}x", "0", "1", "{10}{}x"},
      {"{1a0}{x20}x", "0", "1", "{10}{20}x"},
      {"{1}", "0", "1", "{1}{}"},
      {"{2147483647}{}x", "0", "1", "{2147483647}{}x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line + " offset " + c.offset + " scale " + c.scale);
    SubtitleList doc = Doc({c.line});
    ASSERT_EQ(RecalculateFrames(doc, c.offset, c.scale, false), RecalcStatus::Done);
    EXPECT_EQ(doc.Line(0), c.expected);
  }
}

TEST(RecalculateFrames, BadFieldsChangeNothing) {
  const struct {
    std::string offset, scale;
    RecalcStatus status;
  } cases[] = {
      {"-", "1", RecalcStatus::BadOffset},     {",", "1", RecalcStatus::BadOffset},
      {"1,2,3", "1", RecalcStatus::BadOffset}, {"", "1", RecalcStatus::BadOffset},
      {"x", "", RecalcStatus::BadOffset},      {"0", "", RecalcStatus::BadScale},
      {"0", "1,2,3", RecalcStatus::BadScale},
  };
  for (const auto& c : cases) {
    SubtitleList doc = Doc({"{1}{2}a", "{3}{4}b"});
    doc.SelectAll();
    EXPECT_EQ(RecalculateFrames(doc, c.offset, c.scale, false), c.status);
    EXPECT_EQ(doc.Lines(), (std::vector<std::string>{"{1}{2}a", "{3}{4}b"}));
    EXPECT_EQ(doc.SelectedCount(), 2);
  }
}

TEST(RecalculateFrames, ResultBeyond32BitsChangesNothing) {
  const struct {
    std::vector<std::string> lines;
    std::string offset, scale;
  } cases[] = {
      {{"{1}{2}a", "{1000}{2000}b"}, "0", "2000000"},
      {{"{1}{2}a"}, "2147483647", "1"},
      {{"{1}{}a"}, "1E300", "1"},
      {{"{1}{2}a", "{3}{}b"}, "0", "1E300"},
      // A negative scale (pasted) makes the smallest frame the largest result.
      {{"{0}{0}a", "{10}{}b"}, "2147483650", "-1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset + " " + c.scale);
    SubtitleList doc = Doc(c.lines);
    EXPECT_EQ(RecalculateFrames(doc, c.offset, c.scale, false), RecalcStatus::TooLarge);
    EXPECT_EQ(doc.Lines(), c.lines);
  }
  // Exactly the largest frame still fits, and results below 0 are clamped.
  SubtitleList doc = Doc({"{1}{2}a"});
  EXPECT_EQ(RecalculateFrames(doc, "2147483645", "1", false), RecalcStatus::Done);
  EXPECT_EQ(doc.Line(0), "{2147483646}{2147483647}a");
  doc = Doc({"{1}{2}a"});
  EXPECT_EQ(RecalculateFrames(doc, "-1E300", "1", false), RecalcStatus::Done);
  EXPECT_EQ(doc.Line(0), "{0}{0}a");
}

TEST(RecalculateFrames, TooLargeFrameInTheListFailsBeforeAnyChange) {
  SubtitleList doc = Doc({"{1}{2}a", "{99999999999}{}b"});
  EXPECT_THROW(RecalculateFrames(doc, "5", "1", false), Error);
  EXPECT_EQ(doc.Line(0), "{1}{2}a");
}

TEST(RecalculateFrames, SelectedOnlyTouchesAndDeselectsTheSelectedRows) {
  SubtitleList doc = Doc({"{1}{2}a", "{3}{4}b", "{5}{6}c"});
  doc.SetSelected(0, true);
  doc.SetSelected(2, true);
  ASSERT_EQ(RecalculateFrames(doc, "10", "1", true), RecalcStatus::Done);
  EXPECT_EQ(doc.Lines(), (std::vector<std::string>{"{11}{12}a", "{3}{4}b", "{15}{16}c"}));
  EXPECT_EQ(doc.SelectedCount(), 0);

  // Nothing selected: nothing changes, and it is no failure.
  SubtitleList none = Doc({"{1}{2}a"});
  EXPECT_EQ(RecalculateFrames(none, "10", "1", true), RecalcStatus::Done);
  EXPECT_EQ(none.Line(0), "{1}{2}a");
  // Out-of-range results in unselected rows do not count.
  SubtitleList big = Doc({"{2000000000}{}a", "{1}{}b"});
  big.SetSelected(1, true);
  EXPECT_EQ(RecalculateFrames(big, "0", "2", true), RecalcStatus::Done);
  EXPECT_EQ(big.Lines(), (std::vector<std::string>{"{2000000000}{}a", "{2}{}b"}));
}

TEST(RecalculateFrames, KeepsTheOrderEvenWhenFramesCross) {
  SubtitleList doc = Doc({"{100}{}a", "{10}{}b"});
  ASSERT_EQ(RecalculateFrames(doc, "-50", "1", false), RecalcStatus::Done);
  // Both frames of the second line clamp to 0, so it gets a second frame.
  EXPECT_EQ(doc.Lines(), (std::vector<std::string>{"{50}{}a", "{0}{0}b"}));
}

// Writing a recalculated document without keeping it gives what
// recalculating the list and saving it gives: the same bytes, statuses and
// errors, in pieces of any number.
TEST(WriteRecalculatedLines, WritesWhatRecalculatingAndSavingWrites) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<char> selection;  // empty: every row
    const char* offset;
    const char* scale;
  } cases[] = {
      {"every row", {"{10}{20}a", "{}{}b", "{30}{25}c|d"}, {}, "12,5", "1,04"},
      {"selected rows", {"{10}{20}a", "{99999999999}{}x", "{30}{40}c"}, {1, 0, 1}, "-5", "2"},
      {"bad offset", {"{1}{2}a"}, {}, "x", "1"},
      {"bad scale", {"{1}{2}a"}, {}, "0", ""},
      {"too large", {"{1}{2}a", "{2000000000}{}b", "{3}{4}c"}, {}, "0", "2"},
      // An unreadable frame after a result that does not fit is the error.
      {"unreadable after too large", {"{2000000000}{}b", "{99999999999}{}x"}, {}, "0", "2"},
      {"many pieces",
       std::vector<std::string>(40000, "{7}{9}" + std::string(60, 'x')),
       {},
       "3",
       "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SubtitleList doc = Doc(c.lines);
    const bool selectedOnly = !c.selection.empty();
    for (size_t i = 0; i < c.selection.size(); ++i)
      doc.SetSelected(static_cast<int>(i), c.selection[i] != 0);
    std::string expectedError, error;
    RecalcStatus expected = RecalcStatus::Done, got = RecalcStatus::Done;
    try {
      expected = RecalculateFrames(doc, c.offset, c.scale, selectedOnly);
    } catch (const Error& e) {
      expectedError = e.what();
    }
    const LineSource views = [&](const LineSink& sink) {
      for (const std::string& line : c.lines) sink(line);
    };
    const std::vector<char>* flags = selectedOnly ? &c.selection : nullptr;
    std::string bytes;
    try {
      EXPECT_EQ(CheckRecalculatedLines(views, flags, c.offset, c.scale), expected);
      got = WriteRecalculatedLines(views, flags, c.offset, c.scale,
                                   [&](std::string_view piece) { bytes.append(piece); });
    } catch (const Error& e) {
      error = e.what();
    }
    EXPECT_EQ(error, expectedError);
    EXPECT_EQ(got, expected);
    if (expected == RecalcStatus::Done && expectedError.empty()) {
      EXPECT_EQ(bytes, ComposeFileBytes(doc.Lines()));
    }
  }
}

TEST(ExtractFirstFrameDigits, CollectsDigitsUpToTheFirstClosingBrace) {
  const std::pair<std::string, std::string> cases[] = {
      {"{1234}{1300}Text", "1234"},
      {"{}{1300}Text", ""},
      {"{", ""},
      {"", ""},
      {"{1a2b3}x", "123"},
      {"5}", ""},
      {"[12]", "12"},
      {"{99", "99"},
      {"x7", "7"},
  };
  for (const auto& [line, digits] : cases) EXPECT_EQ(ExtractFirstFrameDigits(line), digits) << line;
}

TEST(ScanSyncBounds, FirstSubtitleLineAndTheFinalLine) {
  const struct {
    std::string bytes;
    bool found, nonStandard;
    std::string first, last;
  } cases[] = {
      {"[INFO]\r\n\r\n{10}{20}a\r\nx\r\n{900}{950}b\r\n", true, false, "10", "900"},
      {"x\r\n[INFO]\r\n\r\n{10}{20}a\r\n{900}{950}b\r\n", false, true, "", ""},
      // A file ending in an empty line gives an empty last frame.
      {"{10}{20}a\r\n{900}{950}b\r\n\r\n", true, false, "10", ""},
      {"{10}{20}a", true, false, "10", "10"},
      {"{10}{20}a\n{30}{}b", true, false, "10", "30"},
      {"[only]\r\n\r\n", false, false, "", ""},
      // No subtitle line: the last frame is still the final line's digits.
      {"[12]\r\n", false, false, "", "12"},
      {"", false, false, "", ""},
      {"\xEF\xBB\xBF{5}{6}a\r\n", true, false, "5", "5"},
      {" {5}{6}a\r\n", false, true, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    SyncBounds b = ScanSyncBounds(c.bytes);
    EXPECT_EQ(b.found, c.found);
    EXPECT_EQ(b.nonStandard, c.nonStandard);
    EXPECT_EQ(b.first, c.first);
    EXPECT_EQ(b.last, c.last);
  }
}

TEST(ReadSyncBounds, MissingFileIsAFileError) {
  test::TempDir dir;
  EXPECT_THROW(ReadSyncBounds(dir.File("none.sub")), Error);
  test::WriteBytes(dir.File("s.sub"), "{1}{2}a\r\n{3}{4}b\r\n");
  EXPECT_EQ(ReadSyncBounds(dir.File("s.sub")).last, "3");
}

}  // namespace
}  // namespace velorin
