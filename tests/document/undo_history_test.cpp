#include "document/undo_history.h"

#include <gtest/gtest.h>

#include <functional>

#include "document/error.h"
#include "document/subtitle_list.h"
#include "edit/completion.h"
#include "edit/list_commands.h"
#include "layout/line_breaking.h"
#include "layout/tags.h"
#include "sync/retiming.h"
#include "sync/sync_points.h"

namespace velorin {
namespace {

SubtitleList Document() {
  SubtitleList doc;
  doc.Assign({"{300}{350}Třetí|řádek", "{100}{}{Y:b}První a dlouhý text", "{}{}",
              "{200}{260}{c:$0000FF}Druhý|{y:i}s tagy", "{400}{450}Poslední"});
  doc.SetUtf8(true);
  return doc;
}

// Every kind of command: done, taken back to the bytes before, done again to
// the bytes after.
TEST(UndoHistory, EveryCommandComesBackExactlyAndGoesAgain) {
  const struct {
    const char* name;
    std::function<void(SubtitleList&)> run;
  } commands[] = {
      {"recalculate all", [](SubtitleList& d) { RecalculateFrames(d, "2,5", "1,25", false); }},
      {"recalculate selected",
       [](SubtitleList& d) {
         d.SetSelected(0, true);
         d.SetSelected(3, true);
         RecalculateFrames(d, "-50", "1", true);
       }},
      {"remove selected",
       [](SubtitleList& d) {
         d.SetSelected(1, true);
         d.SetSelected(4, true);
         d.DeleteSelected();
       }},
      {"insert and replace",
       [](SubtitleList& d) {
         d.Insert(2, "{1}{2}nový");
         d.Replace(2, "{1}{2}nový text");
         d.Add("{9}{9}konec");
         d.Delete(0);
       }},
      {"repair",
       [](SubtitleList& d) {
         d.SelectAll();
         RepairSelected(d);
       }},
      {"sort", [](SubtitleList& d) { SortChronologically(d); }},
      {"tag removal",
       [](SubtitleList& d) {
         d.SelectAll();
         RemoveAllFormatting(d);
       }},
      {"whole tag",
       [](SubtitleList& d) {
         d.SelectAll();
         ApplyWholeTag(d, 'Y', "{Y:u}");
       }},
      {"completion",
       [](SubtitleList& d) {
         d.SelectAll();
         CompleteSecondFrames(d, CompletionTable(7, 2, true), false);
       }},
      {"second frames removed",
       [](SubtitleList& d) {
         d.SelectAll();
         RemoveSecondFrames(d);
       }},
      {"split in two",
       [](SubtitleList& d) {
         d.SelectAll();
         ChangeLineCount(d, 1, false);
       }},
      {"clear", [](SubtitleList& d) { d.Clear(); }},
  };
  for (const auto& c : commands) {
    SCOPED_TRACE(c.name);
    SubtitleList doc = Document();
    const std::vector<std::string> before = doc.Lines();
    UndoHistory history;
    doc.SetJournal(&history.Pending());
    c.run(doc);
    ASSERT_TRUE(history.Commit(c.name));
    const std::vector<std::string> after = doc.Lines();
    ASSERT_NE(after, before);
    history.Undo(doc);
    EXPECT_EQ(doc.Lines(), before);
    history.Redo(doc);
    EXPECT_EQ(doc.Lines(), after);
    history.Undo(doc);
    EXPECT_EQ(doc.Lines(), before);
  }
}

// A replacement is kept as the middle that differs: whatever the lines share
// at their start and end (read eight bytes at a time), it comes back exactly.
TEST(UndoHistory, AReplacedLineComesBackWhateverItShares) {
  const std::string a = "{1}{2}abcdefgh", b = "ijklmnopqrstuvwxyz";
  const struct {
    std::string before, after;
  } cases[] = {
      {a + b, a + "X" + b},           // an insertion after eight and more shared bytes
      {a + "X" + b, a + b},           // and its removal
      {a + b, a + b.substr(1)},       // the differing byte at the end of a word
      {"{1}{2}" + b, "{1}{2}" + b + b},  // one a prefix of the other
      {b + b, b},                     // one a suffix of the other
      {"{1}{2}aaaaaaaaaaaaaaaaa", "{1}{2}aaaaaaaaaaaaaaaa"},  // repeats shared both ways
      {"{1}{2}", "{1}{2}x"},          // shorter than a word
      {a, a},                         // unchanged
      {"{1}{2}\xe8\x61j|\x9e\x6c\x75\x9d", "{1}{2}\xe8\x61j \x9e\x6c\x75\x9d"},
      // Middles too long to be built on the stack, in text and in frame digits.
      {"{1}{2}" + std::string(400, 'x'), "{1}{2}" + std::string(300, 'y')},
      {"{" + std::string(401, '1') + "}a", "{" + std::string(330, '2') + "}{-}a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before + " -> " + c.after);
    SubtitleList doc;
    doc.Assign({"{0}{0}first", c.before, "{9}{9}last"});
    UndoHistory history;
    doc.SetJournal(&history.Pending());
    doc.Replace(1, c.after);
    history.Commit("replace");
    history.Undo(doc);
    EXPECT_EQ(doc.Line(1), c.before);
    history.Redo(doc);
    EXPECT_EQ(doc.Line(1), c.after);
  }
}

TEST(UndoHistory, StepsStackAndANewStepDropsTheUndone) {
  SubtitleList doc = Document();
  UndoHistory history;
  doc.SetJournal(&history.Pending());
  EXPECT_FALSE(history.Commit("nothing"));
  doc.Replace(0, "{1}{2}a");
  history.Commit("first");
  doc.Replace(0, "{1}{2}b");
  history.Commit("second");
  EXPECT_EQ(history.UndoName(), "second");
  EXPECT_EQ(history.Undo(doc), std::vector<int>({0}));
  EXPECT_TRUE(doc.Selected(0));
  EXPECT_EQ(doc.Line(0), "{1}{2}a");
  EXPECT_EQ(history.RedoName(), "second");
  doc.Replace(1, "{5}{6}c");
  history.Commit("third");
  EXPECT_FALSE(history.CanRedo());
  history.Undo(doc);
  history.Undo(doc);
  EXPECT_EQ(doc.Lines(), Document().Lines());
  EXPECT_FALSE(history.CanUndo());
}

TEST(UndoHistory, OldestStepsGoBeyondTheCountOrTheBudget) {
  SubtitleList doc = Document();
  UndoHistory history(1 << 20, 3);
  doc.SetJournal(&history.Pending());
  for (int i = 0; i < 5; ++i) {
    doc.Replace(0, "{" + std::to_string(i) + "}{}x");
    history.Commit("step");
  }
  EXPECT_EQ(history.Steps(), 3u);
  UndoHistory small(64, 100);
  doc.SetJournal(&small.Pending());
  for (int i = 0; i < 5; ++i) {
    doc.Replace(0, std::string(100, static_cast<char>('a' + i)));
    small.Commit("big");
  }
  EXPECT_EQ(small.Steps(), 1u);  // the newest stays, even over the budget
}

// Completion and repair rewrite rows and drop others: the step holds only
// what changed, yet undone or done again it selects no row, as a new content
// does, also after a repair stopped by an unreadable line.
TEST(UndoHistory, WholeListRewritesAreSmallAndSelectNothing) {
  const struct {
    const char* name;
    bool unreadable;  // row 1500 stops the command
    std::function<void(SubtitleList&)> run;
  } commands[] = {
      {"completion", false,
       [](SubtitleList& d) { CompleteSecondFrames(d, CompletionTable(7, 2, true), false); }},
      {"repair", false, [](SubtitleList& d) { RepairSelected(d); }},
      {"repair stopped", true, [](SubtitleList& d) { EXPECT_THROW(RepairSelected(d), Error); }}};
  for (const auto& c : commands) {
    SCOPED_TRACE(c.name);
    SubtitleList doc;
    size_t size = 0;
    for (int i = 0; i < 2000; ++i) {
      // Every tenth row empty (dropped), the others overlapping the next.
      std::string line = "{" + std::to_string(100 * i + 100) + "}{" +
                         std::to_string(100 * i + 250) + "}" +
                         (i % 10 == 9 ? "" : "Dnes večer půjdeme spolu do kina");
      if (c.unreadable && i == 1500) line = "{99999999999}{1}x";
      size += line.size();
      doc.Add(std::move(line));
    }
    doc.SelectAll();
    doc.SetCursorRow(1999);
    UndoHistory history;
    doc.SetJournal(&history.Pending());
    const std::vector<std::string> before = doc.Lines();
    c.run(doc);
    ASSERT_TRUE(history.Commit(c.name));
    const std::vector<std::string> after = doc.Lines();
    ASSERT_LT(after.size(), before.size());
    EXPECT_LT(history.Bytes(), size / 4);
    EXPECT_TRUE(history.Undo(doc).empty());
    EXPECT_EQ(doc.Lines(), before);
    EXPECT_EQ(doc.SelectedCount(), 0);
    // Where it was, within the list the command left.
    EXPECT_EQ(doc.CursorRow(), static_cast<int>(after.size()) - 1);
    EXPECT_TRUE(history.Redo(doc).empty());
    EXPECT_EQ(doc.Lines(), after);
    EXPECT_EQ(doc.SelectedCount(), 0);
  }
}

}  // namespace
}  // namespace velorin
