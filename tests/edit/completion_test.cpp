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

constexpr CompletionSeconds kTable = {3, 5, 7, 9, 11};

TEST(Completion, TableAndFields) {
  EXPECT_EQ(CompletionTable(7, 2, true), (CompletionSeconds{3, 5, 7, 9, 11}));
  EXPECT_EQ(CompletionTable(3, 2, true), (CompletionSeconds{1, 1, 3, 5, 7}));
  EXPECT_EQ(CompletionTable(0, 0, true), (CompletionSeconds{1, 1, 1, 0, 0}));
  EXPECT_EQ(CompletionTable(0, 5, false), (CompletionSeconds{1, 1, 1, 1, 1}));
  EXPECT_EQ(CompletionFieldValue(""), 1);
  EXPECT_EQ(CompletionEntrySeconds("0"), 1);
  EXPECT_EQ(CompletionEntrySeconds("00"), 0);  // only exactly "0" counts as one second
  EXPECT_THROW(CompletionEntrySeconds(""), Error);
}

TEST(Completion, SecondFramesByLineCountBoundedByTheNextRow) {
  struct Case {
    Lines in;
    std::vector<int> selected;
    bool onlyEmpty;
    Lines out;
  } cases[] = {
      {{"{100}{}Ahoj", "{500}{600}X"}, {0}, false, {"{100}{175}Ahoj", "{500}{600}X"}},
      {{"{100}{}Ahoj|světe", "{200}{300}X"}, {0}, false, {"{100}{199}Ahoj|světe", "{200}{300}X"}},
      {{"{100}{}Ahoj|světe", "{225}{}X"}, {0}, false, {"{100}{225}Ahoj|světe", "{225}{}X"}},
      {{"{100}{150}a", "{300}{}b"}, {0, 1}, true, {"{100}{150}a", "{300}{375}b"}},
      {{"{100}{150}a"}, {0}, false, {"{100}{175}a"}},
      // Rows without a first frame or text go first, selected or not.
      {{"{}{}a", "{}{}b", "{100}{}a", "{120}{130}", "{150}{}b"},
       {2},
       false,
       {"{100}{149}a", "{150}{}b"}},
      // A next row at or before the first frame.
      {{"{100}{}a", "{1}{}b", "{50}{}c", "{20}{}d"},
       {0, 2},
       false,
       {"{100}{0}a", "{1}{}b", "{50}{19}c", "{20}{}d"}},
      {{"{100}{}a|b|c|d|e|f"}, {0}, false, {"{100}{375}a|b|c|d|e|f"}},  // five-line time
  };
  for (const auto& c : cases) {
    SubtitleList list = ListOf(c.in, c.selected);
    ASSERT_EQ(CompleteSecondFrames(list, kTable, c.onlyEmpty), CompletionStatus::Done);
    EXPECT_EQ(list.Lines(), c.out) << c.in[0];
  }
}

TEST(Completion, SelectionAndCursorFollowTheCompactedList) {
  SubtitleList list =
      ListOf({"{}{}x", "{10}{}a", "{20}{30}b", "{}{}y", "{40}{}c"}, {0, 1, 2, 4}, 4);
  ASSERT_EQ(CompleteSecondFrames(list, kTable, true), CompletionStatus::Done);
  EXPECT_EQ(list.Lines(), (Lines{"{10}{19}a", "{20}{30}b", "{40}{115}c"}));
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1}));
  EXPECT_EQ(list.CursorRow(), 2);
}

TEST(Completion, NothingChangesWhenAResultDoesNotFitOrALineCannotBeRead) {
  const Lines tooLarge = {"{}{}x", "{2147483600}{}a"};
  SubtitleList list = ListOf(tooLarge, {1});
  EXPECT_EQ(CompleteSecondFrames(list, kTable, false), CompletionStatus::TooLarge);
  EXPECT_EQ(list.Lines(), tooLarge);
  const Lines unreadable = {"{}{}x", "{10}{}a", "{99999999999}{}b"};
  list = ListOf(unreadable, {1});
  EXPECT_THROW(CompleteSecondFrames(list, kTable, false), Error);
  EXPECT_EQ(list.Lines(), unreadable);
  list = ListOf({"{2147483572}{}a"}, {0});
  ASSERT_EQ(CompleteSecondFrames(list, kTable, false), CompletionStatus::Done);
  EXPECT_EQ(list.Line(0), "{2147483572}{2147483647}a");
}

TEST(Completion, RemoveSecondFramesOfSelectedRows) {
  SubtitleList list = ListOf({"{100}{150}{y:i}Ahoj", "{}{5}x", "{7}{9}y"}, {0, 1});
  RemoveSecondFrames(list);
  EXPECT_EQ(list.Lines(), (Lines{"{100}{}{y:i}Ahoj", "{}{}x", "{7}{9}y"}));
}

}  // namespace
}  // namespace velorin
