#include "edit/completion.h"

#include <gtest/gtest.h>

#include "document/error.h"

namespace velorin {
namespace {

using Lines = std::vector<std::string>;

SubtitleList ListOf(Lines lines, std::vector<int> selected, int cursor = -1) {
  SubtitleList list;
  list.Assign(std::move(lines));
  for (int row : selected) list.SetSelected(row, true);
  list.SetCursorRow(cursor);
  return list;
}

constexpr CompletionSeconds kDefaultTable = {3, 5, 7, 9, 11};

TEST(Completion, TableFromLongestTimeAndStep) {
  struct Case {
    int32_t t, k;
    bool proportional;
    CompletionSeconds table;
  } cases[] = {
      {7, 2, true, {3, 5, 7, 9, 11}},
      {3, 2, true, {1, 1, 3, 5, 7}},
      {0, 0, true, {1, 1, 1, 0, 0}},  // only the first three are raised to 1
      {7, 2, false, {7, 7, 7, 7, 7}},
      {0, 5, false, {1, 1, 1, 1, 1}},
      {999, 99, true, {801, 900, 999, 1098, 1197}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CompletionTable(c.t, c.k, c.proportional), c.table) << c.t << " " << c.k;
}

TEST(Completion, TableEntries) {
  EXPECT_EQ(CompletionEntrySeconds("0"), 1);
  EXPECT_EQ(CompletionEntrySeconds("00"), 0);  // only exactly "0" counts as one second
  EXPECT_EQ(CompletionEntrySeconds("12"), 12);
  EXPECT_THROW(CompletionEntrySeconds(""), Error);
  EXPECT_THROW(CompletionEntrySeconds("1a"), Error);
}

TEST(Completion, SecondFramesByLineCountBoundedByTheNextRow) {
  struct Case {
    const char* name;
    Lines in;
    std::vector<int> selected;
    bool onlyEmpty;
    Lines out;
    std::vector<int> stillSelected;
  } cases[] = {
      {"three seconds",
       {"{100}{}Ahoj", "{500}{600}X"},
       {0},
       false,
       {"{100}{175}Ahoj", "{500}{600}X"},
       {}},
      {"cut before the next",
       {"{100}{}Ahoj|světe", "{200}{300}X"},
       {0},
       false,
       {"{100}{199}Ahoj|světe", "{200}{300}X"},
       {}},
      {"next exactly at the end",
       {"{100}{}Ahoj|světe", "{225}{300}X"},
       {0},
       false,
       {"{100}{225}Ahoj|světe", "{225}{300}X"},
       {}},
      {"only empty keeps a second frame and the selection",
       {"{100}{150}Ahoj", "{300}{}b"},
       {0, 1},
       true,
       {"{100}{150}Ahoj", "{300}{375}b"},
       {0}},
      {"an existing second frame is replaced",
       {"{100}{150}Ahoj"},
       {0},
       false,
       {"{100}{175}Ahoj"},
       {}},
      {"unselected rows keep their frames",
       {"{100}{}a", "{300}{}b"},
       {1},
       false,
       {"{100}{}a", "{300}{375}b"},
       {}},
      {"rows without first frame or text go, selected or not",
       {"{}{}a", "{}{}b", "{100}{}a", "{120}{130}", "{150}{}b", "{160}{}c"},
       {2, 5},
       false,
       {"{100}{149}a", "{150}{}b", "{160}{235}c"},
       {}},
      {"a next row at or before the first frame",
       {"{100}{}a", "{1}{}b", "{50}{}c", "{20}{}d"},
       {0, 2},
       false,
       {"{100}{0}a", "{1}{}b", "{50}{19}c", "{20}{}d"},
       {}},
      {"more than five lines take the five-line time",
       {"{100}{}a|b|c|d|e|f", "{100000}{}g"},
       {0},
       false,
       {"{100}{375}a|b|c|d|e|f", "{100000}{}g"},
       {}},
      {"tags stay as they are",
       {"{10}{}{Y:b}a|{y:i}b"},
       {0},
       false,
       {"{10}{135}{Y:b}a|{y:i}b"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SubtitleList list = ListOf(c.in, c.selected);
    ASSERT_EQ(CompleteSecondFrames(list, kDefaultTable, c.onlyEmpty), CompletionStatus::Done);
    EXPECT_EQ(list.Lines(), c.out);
    EXPECT_EQ(list.SelectedRows(), c.stillSelected);
  }
}

TEST(Completion, SelectionAndCursorFollowTheCompactedList) {
  SubtitleList list =
      ListOf({"{}{}x", "{10}{}a", "{20}{30}b", "{}{}y", "{40}{}c"}, {0, 1, 2, 4}, 4);
  ASSERT_EQ(CompleteSecondFrames(list, kDefaultTable, true), CompletionStatus::Done);
  EXPECT_EQ(list.Lines(), (Lines{"{10}{19}a", "{20}{30}b", "{40}{115}c"}));
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1}));
  EXPECT_EQ(list.CursorRow(), 2);
}

TEST(Completion, NothingChangesWhenAResultDoesNotFitOrALineCannotBeRead) {
  const Lines tooLarge = {"{}{}x", "{2147483600}{}a"};
  const Lines unreadable = {"{}{}x", "{10}{}a", "{99999999999}{}b"};
  for (const Lines& in : {tooLarge, unreadable}) {
    SubtitleList list = ListOf(in, {1});
    if (in == tooLarge)
      EXPECT_EQ(CompleteSecondFrames(list, kDefaultTable, false), CompletionStatus::TooLarge);
    else
      EXPECT_THROW(CompleteSecondFrames(list, kDefaultTable, false), Error);
    EXPECT_EQ(list.Lines(), in);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1}));
  }
  // The largest frame that still fits is written.
  SubtitleList list = ListOf({"{2147483572}{}a"}, {0});
  ASSERT_EQ(CompleteSecondFrames(list, kDefaultTable, false), CompletionStatus::Done);
  EXPECT_EQ(list.Line(0), "{2147483572}{2147483647}a");
}

TEST(Completion, RemoveSecondFramesOfSelectedRows) {
  SubtitleList list = ListOf({"{100}{150}{y:i}Ahoj", "{}{5}x", "{7}{9}y"}, {0, 1});
  RemoveSecondFrames(list);
  EXPECT_EQ(list.Lines(), (Lines{"{100}{}{y:i}Ahoj", "{}{}x", "{7}{9}y"}));
  EXPECT_EQ(list.SelectedCount(), 0);
}

}  // namespace
}  // namespace velorin
