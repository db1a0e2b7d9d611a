#include "layout/tags.h"

#include <gtest/gtest.h>

#include <functional>

#include "document/error.h"

namespace velorin {
namespace {

SubtitleList ListOf(std::vector<std::string> lines, std::vector<int> selected) {
  SubtitleList list;
  list.Assign(std::move(lines));
  for (int row : selected) list.SetSelected(row, true);
  return list;
}

TEST(Tags, SplitLeadingTagsCutsAtTheLastBrace) {
  struct Case {
    const char* text;
    const char* tags;
    const char* rest;
  } cases[] = {
      {"abc", "", "abc"},
      {"{Y:b}abc", "{Y:b}", "abc"},
      {"{y:i}a{s:30}b", "{y:i}a{s:30}", "b"},
      {"", "", ""},
      {"x}", "x}", ""},
  };
  for (const auto& c : cases) {
    LeadingTags r = SplitLeadingTags(c.text);
    EXPECT_EQ(r.tags, c.tags) << c.text;
    EXPECT_EQ(r.rest, c.rest) << c.text;
  }
}

TEST(Tags, StripTagsDropsBraceGroupsAndStrayBraces) {
  struct Case {
    const char* text;
    const char* plain;
  } cases[] = {
      {"a}b{c", "ab"},       {"{Y:b}Hello|{y:i}world", "Hello|world"},
      {"a{unclosed|b", "a"}, {"{x}{y}", ""},
      {"plain", "plain"},
  };
  for (const auto& c : cases) EXPECT_EQ(StripTags(c.text), c.plain) << c.text;
}

TEST(Tags, SplitIntoFiveLinesDropsTheSixthAndLater) {
  using Lines = std::array<std::string, 5>;
  struct Case {
    const char* text;
    Lines lines;
  } cases[] = {
      {"a|b|c|d|e|f", {"a", "b", "c", "d", "e"}},
      {"a||b", {"a", "", "b", "", ""}},
      {"", {"", "", "", "", ""}},
      {"1|2|3|4|5|6|7", {"1", "2", "3", "4", "5"}},
      {"a|", {"a", "", "", "", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitIntoFiveLines(c.text), c.lines) << c.text;
}

TEST(Tags, SeparateTagScopesSortsPiecesByLetterCase) {
  struct Case {
    const char* prefix;
    const char* whole;
    const char* line;
  } cases[] = {
      {"{Y:b}{c:$0000FF}{S:30}{x:1}", "{Y:b}{S:30}", "{c:$0000FF}"},
      {"junk{F:Arial}", "{F:Arial}", ""},
      {"{y:i}a{s:30}", "", "{y:i}a{s:30}"},
      {"{", "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    TagScopes r = SeparateTagScopes(c.prefix);
    EXPECT_EQ(r.whole, c.whole) << c.prefix;
    EXPECT_EQ(r.line, c.line) << c.prefix;
  }
}

TEST(Tags, JoinLinesWithSpacesCountsTheBars) {
  struct Case {
    const char* text;
    const char* joined;
    int count;
  } cases[] = {{"a|b|c", "a b c", 2}, {"abc", "abc", 0}, {"||", "  ", 2}};
  for (const auto& c : cases) {
    JoinedLines r = JoinLinesWithSpaces(c.text);
    EXPECT_EQ(r.text, c.joined);
    EXPECT_EQ(r.count, c.count);
  }
}

TEST(Tags, ColourValuesAreBlueGreenRed) {
  struct Case {
    int r, g, b;
    const char* hex;
  } cases[] = {
      {255, 0, 0, "$0000FF"}, {0, 0, 255, "$FF0000"},   {192, 192, 192, "$C0C0C0"},
      {0, 0, 0, "$000000"},   {18, 52, 171, "$AB3412"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColorToTagHex(TagColorFromRgb(c.r, c.g, c.b)), c.hex);
    EXPECT_EQ(TagHexToColor(c.hex), TagColorFromRgb(c.r, c.g, c.b)) << c.hex;
  }
  // The table's tag values are exactly what ColorToTagHex writes for its colours.
  EXPECT_EQ(ColorToTagHex(kTagColors[4].color), "$800000");
  EXPECT_EQ(ColorToTagHex(kTagColors[11].color), "$00FFFF");
  EXPECT_STREQ(kTagColors[kDefaultTagColorIndex].name, "bílá");
}

TEST(Tags, TagHexToColorReadsTheLastSixCharacters) {
  struct Case {
    const char* value;
    TagColor color;
  } cases[] = {
      {"$0000FF", 255}, {"0000ff", 255},       {"ff", 255},      {"", 0},
      {"$x0000F", 15},  {"1234567", 0x234567}, {"$GG00FF", 255},
  };
  for (const auto& c : cases) EXPECT_EQ(TagHexToColor(c.value), c.color) << c.value;
}

TEST(Tags, ScopeCaseTouchesOnlyKindLettersBeforeAColon) {
  struct Case {
    const char* tags;
    const char* whole;
    const char* line;
  } cases[] = {
      {"{y:b}{c:$0000FF}", "{Y:b}{C:$0000FF}", "{y:b}{c:$0000FF}"},
      {"{Y:i}", "{Y:i}", "{y:i}"},
      {"{F:Sans Serif}{x:1}", "{F:Sans Serif}{x:1}", "{f:Sans Serif}{x:1}"},
      {"{s:12}y", "{S:12}y", "{s:12}y"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToWholeScope(c.tags), c.whole);
    EXPECT_EQ(ToLineScope(c.tags), c.line);
  }
}

TEST(Tags, RemoveWholeTagKeepsLinesAndOtherTags) {
  struct Case {
    const char* text;
    char kind;
    const char* result;
  } cases[] = {
      {"{C:$FF0000}{y:i}Ahoj|světe", 'C', "{y:i}Ahoj|světe"},
      {"{Y:bu}text", 'Y', "text"},
      {"{S:20}{S:30}x", 'S', "{S:30}x"},
      {"{y:b}x", 'Y', "{y:b}x"},
      // Only the first line's prefix counts, empty lines after it close up.
      {"a||{C:$FF0000}b", 'C', "a|{C:$FF0000}b"},
      // Unknown tags in the first prefix are dropped on the way.
      {"{x:1}{F:Arial}a", 'C', "{F:Arial}a"},
      // A font name that holds a kind letter and a colon stays whole.
      {"{F:MS:x}{S:20}a", 'S', "{F:MS:x}a"},
      // Text after a fifth '|' goes; a '}' in the first line ends its prefix.
      {"{Y:b}1|2|3|4|5|6", 'Y', "1|2|3|4|5"},
      {"x{y:i}{Y:b}a}b|c", 'Y', "a}{y:i}b|c"},
  };
  for (const auto& c : cases) EXPECT_EQ(RemoveWholeTag(c.text, c.kind), c.result) << c.text;
}

TEST(Tags, RemoveTagsOfKindInEveryLineAndScope) {
  struct Case {
    const char* text;
    char kind;
    const char* result;
  } cases[] = {
      {"{C:$0000FF}a|{c:$00FF00}b", 'C', "a|b"},
      {"{y:b}{S:20}x", 'Y', "{S:20}x"},
      {"{y:b{S:20}x", 'Y', "x"},
      {"{Yb}x", 'Y', "{Yb}x"},
      {"a{y:b}b{Y:i}", 'Y', "ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(RemoveTagsOfKind(c.text, c.kind), c.result) << c.text;
}

TEST(Tags, WholeTagsBuiltByTheFormattingDialog) {
  EXPECT_EQ(StyleTag(false, true, false), "{Y:i}");
  EXPECT_EQ(StyleTag(true, true, true), "{Y:biu}");
  EXPECT_EQ(StyleTag(false, false, false), "");
  struct {
    const char* field;
    const char* tag;
  } sizes[] = {{"7", "{S:7}"}, {"1", "{S:2}"}, {"", "{S:2}"}, {"07", "{S:7}"}, {"99", "{S:99}"}};
  for (const auto& c : sizes) EXPECT_EQ(SizeTag(c.field), c.tag) << c.field;
  EXPECT_THROW(SizeTag("x1"), Error);
}

TEST(Tags, ApplyingAWholeTagRewritesSelectedRowsOnly) {
  struct Case {
    const char* line;
    char kind;
    std::string tag;
    const char* result;
  } cases[] = {
      {"{1}{2}{C:$FF0000}{y:i}Ahoj|světe", 'C', ColorTag(kTagColors[9].color),
       "{1}{2}{C:$0000FF}{y:i}Ahoj|světe"},
      {"{1}{2}{F:Arial}Ahoj", 'C', ColorTag(kTagColors[9].color), "{1}{2}{C:$0000FF}{F:Arial}Ahoj"},
      {"{1}{2}{Y:bu}text", 'Y', StyleTag(false, true, false), "{1}{2}{Y:i}text"},
      {"{1}{2}{Y:bu}text", 'Y', StyleTag(false, false, false), "{1}{2}text"},
      {"{1}{}", 'S', SizeTag("7"), "{1}{}{S:7}"},
      {"{1}{2}a|b", 'F', FontTag("DejaVu Sans"), "{1}{2}{F:DejaVu Sans}a|b"},
  };
  for (const auto& c : cases) {
    SubtitleList list = ListOf({"{5}{6}untouched", c.line}, {1});
    ApplyWholeTag(list, c.kind, c.tag);
    EXPECT_EQ(list.Line(1), c.result);
    EXPECT_EQ(list.Line(0), "{5}{6}untouched");
    EXPECT_EQ(list.SelectedCount(), 0);
  }
}

TEST(Tags, RemovalCommandsReportWhetherATextChanged) {
  SubtitleList list = ListOf(
      {"{10}{20}{Y:b}Ahoj", "{10}{}x", "{1}{2}{C:$0000FF}a|{c:$00FF00}b", "{3}{4}{y:b}{S:20}x"},
      {0, 1});
  EXPECT_TRUE(RemoveAllFormatting(list));
  EXPECT_EQ(list.Line(0), "{10}{20}Ahoj");
  EXPECT_EQ(list.Line(1), "{10}{}x");
  EXPECT_EQ(list.SelectedCount(), 0);

  list.SetSelected(1, true);
  EXPECT_FALSE(RemoveAllFormatting(list));
  EXPECT_FALSE(list.Selected(1));  // written back even though unchanged

  list.SetSelected(2, true);
  list.SetSelected(3, true);
  EXPECT_TRUE(RemoveTagKind(list, 'C'));
  EXPECT_EQ(list.Line(2), "{1}{2}a|b");
  EXPECT_EQ(list.Line(3), "{3}{4}{y:b}{S:20}x");
  list.SetSelected(3, true);
  EXPECT_TRUE(RemoveTagKind(list, 'Y'));
  EXPECT_EQ(list.Line(3), "{3}{4}{S:20}x");
}

TEST(Tags, RemovalStoppedByAnUnreadableLineReportsWhatItChanged) {
  using Remove = std::function<bool(SubtitleList&, bool*)>;
  const Remove removals[] = {
      [](SubtitleList& l, bool* changed) { return RemoveTagKind(l, 'Y', {}, changed); },
      [](SubtitleList& l, bool* changed) { return RemoveAllFormatting(l, {}, changed); },
  };
  for (const Remove& remove : removals) {
    SubtitleList list =
        ListOf({"{1}{2}{Y:b}a", "{99999999999}{1}{Y:b}x", "{3}{4}{Y:b}c"}, {0, 1, 2});
    bool changed = false;
    EXPECT_THROW(remove(list, &changed), Error);
    EXPECT_TRUE(changed);
    EXPECT_EQ(list.Line(0), "{1}{2}a");
    EXPECT_EQ(list.Line(2), "{3}{4}{Y:b}c");
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1, 2}));

    // Nothing changed before the error: nothing reported.
    SubtitleList plain = ListOf({"{1}{2}a", "{99999999999}{1}{Y:b}x"}, {0, 1});
    changed = false;
    EXPECT_THROW(remove(plain, &changed), Error);
    EXPECT_FALSE(changed);
  }
}

TEST(Tags, FontFromTagsOverridesTheDefault) {
  TagFont base{"Arial", 12, true, false, false, TagColorFromRgb(0, 0, 0)};
  TagFont f = FontFromTags("x{f:Times New Roman}{S:30}{y:iu}{c:$FF0000}", base);
  EXPECT_EQ(f.family, "Times New Roman");
  EXPECT_EQ(f.size, 30);
  EXPECT_FALSE(f.bold);
  EXPECT_TRUE(f.italic);
  EXPECT_TRUE(f.underline);
  EXPECT_EQ(f.color, TagColorFromRgb(0, 0, 255));

  TagFont same = FontFromTags("{q:zz}", base);
  EXPECT_EQ(same.family, "Arial");
  EXPECT_TRUE(same.bold);

  EXPECT_THROW(FontFromTags("{s:}", base), Error);
}

TEST(Tags, TagsFromFontWritesFourTagsInScopeCase) {
  TagFont f{"Arial", 22, true, true, false, TagColorFromRgb(255, 255, 255)};
  EXPECT_EQ(TagsFromFont(f, false), "{f:Arial}{s:22}{y:bi}{c:$FFFFFF}");
  f.bold = f.italic = false;
  EXPECT_EQ(TagsFromFont(f, true), "{F:Arial}{S:22}{C:$FFFFFF}");
  // What one writes the other reads back.
  TagFont g{"DejaVu Sans", 9, false, false, true, TagColorFromRgb(1, 2, 3)};
  TagFont back = FontFromTags(TagsFromFont(g, false), TagFont{});
  EXPECT_EQ(back.family, g.family);
  EXPECT_EQ(back.size, g.size);
  EXPECT_EQ(back.underline, true);
  EXPECT_EQ(back.color, g.color);
}

}  // namespace
}  // namespace velorin
