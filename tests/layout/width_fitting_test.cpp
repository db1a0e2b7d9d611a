#include "layout/width_fitting.h"

#include <gtest/gtest.h>

#include "document/error.h"

namespace velorin {
namespace {

// Every character is as wide as the font's point size; remembers what it measured.
class FixedWidthMeasurer : public TextMeasurer {
 public:
  int Width(std::string_view utf8, const SubtitleFont& font) override {
    measured.emplace_back(utf8);
    int chars = 0;
    for (char c : utf8)
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
    return chars * font.size;
  }
  std::vector<std::string> measured;
};

// Ten pixels a character.
WidthLimit Limit(int32_t resolution) { return {SubtitleFont{"Arial", 1, 10}, resolution}; }

TEST(WidthFitting, ResolutionMustBeAWholeNumberAboveZero) {
  EXPECT_EQ(ParseResolution("640"), 640);
  for (const char* bad : {"", "0", "-800", "800px", "1,5"})
    EXPECT_THROW(ParseResolution(bad), Error) << bad;
}

TEST(WidthFitting, OnlyTheTextAfterTheTagsIsMeasured) {
  FixedWidthMeasurer m;
  EXPECT_FALSE(LineTooWide("{Y:b}{c:$FFFFFF}abcd|{y:i}efgh", m, Limit(40), true));
  EXPECT_EQ(m.measured, (std::vector<std::string>{"abcd", "efgh"}));
  EXPECT_TRUE(LineTooWide("abcd|efghi", m, Limit(40), true));
  // The sixth line is not shown and not measured.
  EXPECT_FALSE(LineTooWide("a|b|c|d|e|fffffffff", m, Limit(40), true));
  // A Windows-1250 text is measured decoded: three characters, not raw bytes.
  m.measured.clear();
  EXPECT_FALSE(LineTooWide("\x9E\xE8\x9E", m, Limit(30), false));
  EXPECT_EQ(m.measured.front(), "žčž");
}

TEST(WidthFitting, AdjustSubtitleAddsLinesUntilItFits) {
  struct Case {
    const char* name;
    std::string text;
    int32_t resolution;
    std::string result;
    bool fits;
  } cases[] = {
      {"two lines fit at three", "aaaa bbbb|cccc dddd eeee", 90, "aaaa bbbb|cccc|dddd eeee", true},
      {"two lines need five", "aaaa bbbb|cccc dddd eeee", 40, "aaaa|bbbb|cccc|dddd|eeee", true},
      {"five lines re-balanced, still too wide", "{Y:i}aaaaaa|{y:b}b|c|d|e", 40,
       "{Y:i}aaaaaa|{y:b}b c|{y:b}d e", false},
      {"one word cannot be broken", "{y:i}{Y:b}Nejneobhospodařovávatelnějšími", 100,
       "{Y:b}{y:i}Nejneobhospodařovávatelnějšími", false},
      {"tags carried to the new lines", "{C:$0000FF}{y:i}aaa bbb ccc", 80,
       "{C:$0000FF}{y:i}aaa|{y:i}bbb ccc", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FixedWidthMeasurer m;
    AdjustedSubtitle a = AdjustSubtitle(c.text, m, Limit(c.resolution), true);
    EXPECT_EQ(a.text, c.result);
    EXPECT_EQ(a.fits, c.fits);
  }
}

TEST(WidthFitting, LargestSizeIsEvenOrZero) {
  SubtitleList list;
  list.Assign({"{1}{2}{Y:b}{S:99}abcdefghij|abc", "{3}{4}abcde"});
  struct Case {
    int32_t resolution;
    int32_t size;
  } cases[] = {{500, 50}, {510, 50}, {1000, 72}, {19, 0}, {20, 2}};
  for (const auto& c : cases) {
    FixedWidthMeasurer m;
    EXPECT_EQ(LargestFittingSize(list, m, Limit(c.resolution)), c.size) << c.resolution;
  }
  FixedWidthMeasurer m;
  EXPECT_EQ(LargestFittingSize(SubtitleList(), m, Limit(640)), 72);
  EXPECT_EQ(LargestSizeMessage(50),
            "Všechny titulky se vejdou na obrazovku při velikosti písma 50.");
}

TEST(WidthFitting, CountAndAdjustEveryRow) {
  SubtitleList list;
  list.Assign({"{1}{2}aaaa bbbb", "{3}{4}abc", "{5}{}{y:i}aaaaaaa", "{6}{7}cccc dddd"});
  list.SetUtf8(true);
  list.SelectAll();
  FixedWidthMeasurer m;
  EXPECT_EQ(CountTooWide(list, m, Limit(2048)), 0);
  EXPECT_EQ(CountTooWide(list, m, Limit(40)), 3);
  EXPECT_EQ(TooWideCountMessage(22, 3),
            "Počet titulků, které se při velikosti písma 22 nevejdnou na obrazovku je 3.");

  // Manual: the proposal goes to the caller and nothing is written.
  std::vector<int> rows;
  SubtitleList manual = list;
  int notAdjusted = AdjustTooWide(manual, m, Limit(40),
                                  [&](int row, const SubtitleFields& f, const AdjustedSubtitle& p) {
                                    rows.push_back(row);
                                    if (row == 2) {
                                      EXPECT_EQ(f.first, 5);
                                      EXPECT_EQ(p.plain, "aaaaaaa");
                                      EXPECT_EQ(p.tags.lines[0], "{y:i}");
                                    }
                                  });
  EXPECT_EQ(notAdjusted, 1);
  EXPECT_EQ(rows, (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(manual.Lines(), list.Lines());

  EXPECT_EQ(AdjustTooWide(list, m, Limit(40)), 1);
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"{1}{2}aaaa|bbbb", "{3}{4}abc",
                                                    "{5}{}{y:i}aaaaaaa", "{6}{7}cccc|dddd"}));
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1}));
  EXPECT_EQ(NotAdjustedMessage(1), "Počet titulků, které nešlo upravit je 1.");
}

}  // namespace
}  // namespace velorin
