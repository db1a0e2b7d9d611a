#include "edit/list_commands.h"

#include <gtest/gtest.h>

#include "document/error.h"

namespace velorin {
namespace {

using Lines = std::vector<std::string>;

SubtitleList ListOf(Lines lines, std::vector<int> selected = {}, int cursor = -1) {
  SubtitleList list;
  list.Assign(std::move(lines));
  for (int row : selected) list.SetSelected(row, true);
  list.SetCursorRow(cursor);
  return list;
}

TEST(ListCommands, SortKeyPadsTheFirstFrameToSevenDigits) {
  struct Case {
    const char* line;
    const char* key;
  } cases[] = {
      {"{123}{456}Text", "{0000123}{456}Text4"},
      {"{}{}x", "{0000000}{}x7"},
      {"", "0000000009"},
      {"x", "x000000008"},
      {"{12345678}{1}a", "{12345678}{1}a0"},
      {"ab", "a000000b6"},  // no brace: the whole line counts as the number
  };
  for (const auto& c : cases) EXPECT_EQ(SortKey(c.line), c.key) << c.line;
}

TEST(ListCommands, SortOrdersByFirstFrameAndRestoresEveryLine) {
  struct Case {
    Lines in;
    Lines out;
  } cases[] = {
      {{"{20}{30}b", "{3}{9}a", "{}{5}c"}, {"{}{5}c", "{3}{9}a", "{20}{30}b"}},
      {{"{100}{150}x", "{100}{1200}y"}, {"{100}{1200}y", "{100}{150}x"}},
      {{"x", ""}, {"", "x"}},
      // Equal keys apart from letter case keep their order.
      {{"{5}{6}B", "{5}{6}b", "{5}{6}A"}, {"{5}{6}A", "{5}{6}B", "{5}{6}b"}},
      {{"{1000}{}\xE8", "{999}{}{y:i}\xC8\r"}, {"{999}{}{y:i}\xC8\r", "{1000}{}\xE8"}},
  };
  for (const auto& c : cases) {
    SubtitleList list = ListOf(c.in, {0}, 1);
    SortChronologically(list);
    EXPECT_EQ(list.Lines(), c.out);
    EXPECT_EQ(list.SelectedCount(), 0);
    EXPECT_EQ(list.CursorRow(), 1);
  }
}

TEST(ListCommands, RepairRemovesEmptyRowsAndMendsSecondFrames) {
  struct Case {
    Lines in;
    std::vector<int> selected;
    Lines out;
    std::vector<int> stillSelected;
  } cases[] = {
      {{"{}{}Hello", "{10}{20}{Y:b}", "{30}{40}ok"}, {0, 1, 2}, {"{30}{40}ok"}, {0}},
      {{"{100}{50}a", "{300}{400}b"}, {0}, {"{100}{180}a", "{300}{400}b"}, {}},
      {{"{100}{350}a", "{300}{400}b"}, {0}, {"{100}{299}a", "{300}{400}b"}, {}},
      {{"{100}{}a"}, {0}, {"{100}{}a"}, {0}},
      // The next row is read whatever its selection; unselected rows stay.
      {{"{100}{50}a", "{150}{400}b", "{}{}c"}, {0}, {"{100}{149}a", "{150}{400}b", "{}{}c"}, {}},
      // Rows removed one after another: each next row is examined in turn.
      {{"{}{}a", "{}{}b", "{5}{4}c", "{50}{60}d"}, {0, 1, 2}, {"{5}{49}c", "{50}{60}d"}, {}},
      // A following row with an empty first frame cannot pull a frame below 0.
      {{"{100}{150}a", "{}{5}b"}, {0}, {"{100}{150}a", "{}{5}b"}, {0}},
  };
  for (const auto& c : cases) {
    SubtitleList list = ListOf(c.in, c.selected, 0);
    RepairSelected(list);
    EXPECT_EQ(list.Lines(), c.out) << c.in[0];
    EXPECT_EQ(list.SelectedRows(), c.stillSelected) << c.in[0];
  }
}

TEST(ListCommands, RepairKeepsWhatItDidWhenALineCannotBeParsed) {
  SubtitleList list = ListOf(
      {"{}{}gone", "{100}{50}a", "{500}{600}b", "{99999999999}{1}x", "{1}{2}y"}, {0, 1, 3, 4}, 4);
  EXPECT_THROW(RepairSelected(list), Error);
  EXPECT_EQ(list.Lines(), (Lines{"{100}{180}a", "{500}{600}b", "{99999999999}{1}x", "{1}{2}y"}));
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 3}));
  EXPECT_EQ(list.CursorRow(), 3);
}

TEST(ListCommands, InsertedLineFillsTheGapBeforeTheRow) {
  struct Case {
    Lines list;
    int row;
    const char* line;
  } cases[] = {
      {{"{100}{150}Ahoj", "{200}{250}Čau"}, 1, "{151}{199}"},
      {{"{100}{200}Ahoj", "{200}{250}Čau"}, 1, "{200}{200}"},
      {{"{50}{60}a"}, 0, "{1}{49}"},
      {{"{}{60}a"}, 0, "{0}{0}"},
      {{"{10}{60}a", "{}{5}b"}, 1, "{61}{-1}"},
  };
  for (const auto& c : cases) EXPECT_EQ(InsertedLine(ListOf(c.list), c.row), c.line);
}

TEST(ListCommands, FindLooksAfterOrBeforeTheCursorRowOnly) {
  SubtitleList list = ListOf(
      {"{1}{2}Ahoj|svete", "{3}{4}{y:i}Ahoj|svete", "{5}{6}AHOJ SVETE", "{7}{8}Čau", "{9}{10}čau"},
      {}, 0);
  struct Case {
    std::string needle;
    int cursor;
    bool down;
    bool matchCase;
    int row;
  } cases[] = {
      {"ahoj svete", 0, true, false, 1},  // tag removed, bar a space, both lower-cased
      {"ahoj svete", 1, false, false, 0},
      {"ahoj svete", 0, false, false, -1},  // no wrap around
      {"AHOJ SVETE", 0, true, true, 2},
      {"Ahoj|svete", 0, true, true, -1},
      {"y:i", 0, true, true, -1},
      {"", 0, true, false, -1},
      {AsciiLowerCase("ČAU"), 3, true, false, -1},  // letters with diacritics keep their case
      {AsciiLowerCase("Čau"), 0, true, false, 3},
  };
  for (const auto& c : cases) {
    list.SetCursorRow(c.cursor);
    EXPECT_EQ(FindRow(list, c.needle, c.down, c.matchCase), c.row) << c.needle;
  }
  EXPECT_EQ(SearchableText("{1}{2}{y:i}Ahoj|SVETE", false), "ahoj svete");
  EXPECT_EQ(SearchableText("no braces", false), "");
}

TEST(ListCommands, GoToSelectsTheLastRowStartingAtOrBeforeTheFrame) {
  SubtitleList list = ListOf({"{10}{20}a", "{30}{40}b", "{30}{45}c", "{50}{60}d"});
  struct Case {
    const char* answer;
    int row;
  } cases[] = {
      {"0", 0},  {"10", 0},   {"29", 0},  {"30", 2}, {"49", 2},
      {"50", 3}, {"9999", 3}, {"abc", 0}, {"", 0},   {" 35", 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RowForFrame(list, FrameFromAnswer(c.answer)), c.row) << c.answer;
  EXPECT_EQ(RowForFrame(ListOf({"{100}{200}x"}), 0), 0);
  EXPECT_EQ(RowForFrame(SubtitleList(), 5), -1);
  EXPECT_EQ(FrameFromAnswer("99999999999"), 0);
  EXPECT_EQ(FrameFromAnswer("-5"), -5);
}

TEST(ListCommands, NewFilePathKeepsOnlyTheNameInsideTheSubtitlesFolder) {
  struct Case {
    const char* folder;
    const char* answer;
    const char* path;
  } cases[] = {
      {"C:\\Dokumenty\\", "C:\\x\\film.cz.txt", "C:\\Dokumenty\\film.sub"},
      {"/home/u/Dokumenty", "novy", "/home/u/Dokumenty/novy.sub"},
      {"/home/u/", "../a/b/kino.srt", "/home/u/kino.sub"},
      {"/t/", "C:film", "/t/film.sub"},
  };
  for (const auto& c : cases) EXPECT_EQ(NewFilePath(c.folder, c.answer), c.path);
}

TEST(ListCommands, NewLineAfterTheLastSecondFrame) {
  EXPECT_EQ(NewLineAfter(ListOf({"{1}{2}a", "{1000}{1100}x"})), "{1101}{1200}");
  EXPECT_EQ(NewLineAfter(ListOf({"{1000}{}x"})), "{1}{100}");
}

TEST(ListCommands, EditFieldsRoundTripAndCloseUpEmptyLines) {
  const std::string text = "{Y:b}{y:i}Ahoj|{c:$FF0000}světe";
  EditFields f = EditFieldsFromText(text);
  EXPECT_EQ(f.formats[0], "{Y:b}");
  EXPECT_EQ(f.formats[1], "{y:i}");
  EXPECT_EQ(f.lines[0], "Ahoj");
  EXPECT_EQ(f.formats[2], "{c:$FF0000}");
  EXPECT_EQ(f.lines[1], "světe");
  EXPECT_EQ(LineFromEditFields("100", "250", f), "{100}{250}" + text);

  struct Case {
    std::array<std::string, 5> lines;
    std::array<std::string, 6> formats;
    const char* line;
  } cases[] = {
      {{"Ahoj", "", "světe", "", ""}, {}, "{1}{}Ahoj|světe"},
      {{"", "", "", "", ""}, {"{Y:b}", "{y:i}", "", "", "", ""}, "{1}{}"},
      {{"", "b", "", "", ""}, {"{Y:b}", "{y:i}", "", "", "", ""}, "{1}{}b"},
      {{"a", "b", "c", "", ""},
       {"{y:b}{c:$0000FF}", "", "", "{Y:i}", "", ""},
       "{1}{}{Y:b}{C:$0000FF}a|b|{y:i}c"},
      {{"", "", "", "", "e"}, {"", "", "", "", "", "{S:9}"}, "{1}{}{s:9}e"},
      // A bar typed at the end of a line: the one closing the text goes.
      {{"a", "", "", "", "e|"}, {}, "{1}{}a|e"},
      {{"a|", "", "", "", "e"}, {}, "{1}{}a||e"},
      {{"a|", "", "", "", ""}, {}, "{1}{}a|"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LineFromEditFields("1", "", EditFields{c.lines, c.formats}), c.line);

  EditFields seven = EditFieldsFromText("1|2|3|4|5|6|7");
  EXPECT_EQ(LineFromEditFields("007", "8", seven), "{007}{8}1|2|3|4|5");
}

TEST(ListCommands, SteppedRowStaysInsideTheList) {
  struct Case {
    int row;
    int64_t step;
    int count, result;
  } cases[] = {{8, 5, 10, 9},
               {3, -5, 10, 0},
               {3, 2, 10, 5},
               {4, 0, 10, 4},
               {9, 1, 10, 9},
               {5, INT32_MAX, 10, 9},
               {5, -int64_t{INT32_MIN}, 10, 9},
               {5, INT32_MIN, 10, 0},
               {5, INT64_MAX, 10, 9},
               {5, INT64_MIN, 10, 0},
               {0, 1, 0, 0}};
  for (const auto& c : cases) EXPECT_EQ(SteppedRow(c.row, c.step, c.count), c.result);
}

}  // namespace
}  // namespace velorin
