#include "layout/width_fitting.h"

#include <gtest/gtest.h>

#include "document/error.h"

namespace velorin {
namespace {

// Every character as wide as the point size; remembers what it measured.
class FixedWidthMeasurer : public TextMeasurer {
 public:
  int Width(std::string_view utf8, const SubtitleFont& font) override {
    measured.emplace_back(utf8);
    int chars = 0;
    for (char c : utf8) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return chars * font.size;
  }
  std::vector<std::string> measured;
};

WidthLimit Limit(int32_t resolution) { return {SubtitleFont{"Arial", 1, 10}, resolution}; }

TEST(WidthFitting, MeasuresDecodedTextAfterTheTags) {
  FixedWidthMeasurer m;
  EXPECT_FALSE(LineTooWide("{Y:b}{c:$FFFFFF}abcd|{y:i}efgh", m, Limit(40), true));
  EXPECT_TRUE(LineTooWide("abcd|efghi", m, Limit(40), true));
  EXPECT_FALSE(LineTooWide("\x9E\xE8\x9E", m, Limit(30), false));  // Windows-1250
  EXPECT_EQ(m.measured, (std::vector<std::string>{"abcd", "efgh", "abcd", "efghi", "žčž"}));
  for (const char* bad : {"", "0", "-800", "800px"}) EXPECT_THROW(ParseResolution(bad), Error);
}

TEST(WidthFitting, AdjustSubtitleAddsLinesUntilItFits) {
  struct Case {
    std::string text;
    int32_t resolution;
    std::string result;
    bool fits;
  } cases[] = {
      {"aaaa bbbb|cccc dddd eeee", 90, "aaaa bbbb|cccc|dddd eeee", true},
      {"aaaa bbbb|cccc dddd eeee", 40, "aaaa|bbbb|cccc|dddd|eeee", true},
      {"{Y:i}aaaaaa|{y:b}b|c|d|e", 40, "{Y:i}aaaaaa|{y:b}b c|{y:b}d e", false},
      {"{y:i}{Y:b}Nejneobhospodařovávatelnějšími", 100, "{Y:b}{y:i}Nejneobhospodařovávatelnějšími",
       false},
  };
  for (const auto& c : cases) {
    FixedWidthMeasurer m;
    AdjustedSubtitle a = AdjustSubtitle(c.text, m, Limit(c.resolution), true);
    EXPECT_EQ(a.text, c.result);
    EXPECT_EQ(a.fits, c.fits) << c.text;
  }
}

TEST(WidthFitting, LargestSizeIsEvenOrZero) {
  SubtitleList list;
  list.Assign({"{1}{2}{Y:b}{S:99}abcdefghij|abc", "{3}{4}abcde"});
  FixedWidthMeasurer m;
  for (auto [resolution, size] : {std::pair{510, 50}, {1000, 72}, {19, 0}, {20, 2}})
    EXPECT_EQ(LargestFittingSize(list, m, Limit(resolution)), size) << resolution;
  EXPECT_EQ(LargestFittingSize(SubtitleList(), m, Limit(640)), 72);
}

TEST(WidthFitting, CountAndAdjustEveryRow) {
  SubtitleList list;
  list.Assign({"{1}{2}aaaa bbbb", "{3}{4}abc", "{5}{}{y:i}aaaaaaa"});
  list.SelectAll();
  FixedWidthMeasurer m;
  EXPECT_EQ(CountTooWide(list, m, Limit(2048)), 0);
  EXPECT_EQ(CountTooWide(list, m, Limit(40)), 2);
  std::vector<std::string> proposals;
  SubtitleList manual = list;
  EXPECT_EQ(AdjustTooWide(manual, m, Limit(40),
                          [&](int, const SubtitleFields&, const AdjustedSubtitle& p) {
                            proposals.push_back(p.tags.lines[0] + p.plain);
                          }),
            1);
  EXPECT_EQ(proposals, (std::vector<std::string>{"aaaa|bbbb", "{y:i}aaaaaaa"}));
  EXPECT_EQ(manual.Lines(), list.Lines());
  EXPECT_EQ(AdjustTooWide(list, m, Limit(40)), 1);
  EXPECT_EQ(list.Lines(),
            (std::vector<std::string>{"{1}{2}aaaa|bbbb", "{3}{4}abc", "{5}{}{y:i}aaaaaaa"}));
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1}));
  EXPECT_EQ(TooWideCountMessage(22, 3),
            "Počet titulků, které se při velikosti písma 22 nevejdnou na obrazovku je 3.");
}

// A long list repeats its display lines: each distinct text is measured
// once per command, and the answers are those of measuring every row.
TEST(WidthFitting, EachDistinctTextIsMeasuredOnce) {
  std::vector<std::string> lines;
  for (int i = 0; i < 300; ++i)
    lines.push_back("{" + std::to_string(i + 1) + "}{}" +
                    (i % 3 == 0   ? "{Y:i}aaaa bbbb|{y:b}cc"
                     : i % 3 == 1 ? "\xe8" "aj \xe8" "aj"  // Windows-1250
                                  : "abc"));
  SubtitleList list;
  list.Assign(lines);
  list.SetUtf8(false);
  FixedWidthMeasurer m;
  EXPECT_EQ(CountTooWide(list, m, Limit(60)), 200);
  // A row stops at its first line too wide.
  EXPECT_EQ(m.measured, (std::vector<std::string>{"aaaa bbbb", "čaj čaj", "abc"}));
  m.measured.clear();
  EXPECT_EQ(LargestFittingSize(list, m, Limit(300)), 32);
  EXPECT_EQ(m.measured.size(), 4u + 21u);  // the rows' texts, then sizes 72 down to 32
  FixedWidthMeasurer single;
  const std::string first = AdjustSubtitle("{Y:i}aaaa bbbb|{y:b}cc", single, Limit(60), false).text;
  m.measured.clear();
  EXPECT_EQ(AdjustTooWide(list, m, Limit(60)), 0);
  EXPECT_EQ(list.Line(0), "{1}{}" + first);
  EXPECT_EQ(list.Line(297), "{298}{}" + first);
  EXPECT_EQ(list.Line(1), "{2}{}\xe8" "aj|\xe8" "aj");
  EXPECT_EQ(list.Line(298), "{299}{}\xe8" "aj|\xe8" "aj");
  EXPECT_LT(m.measured.size(), 12u);
}

}  // namespace
}  // namespace velorin
