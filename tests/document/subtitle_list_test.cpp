#include "document/subtitle_list.h"

#include <gtest/gtest.h>

#include "document/error.h"

namespace velorin {
namespace {

TEST(SubtitleList, ReplaceUnselectsOnlyThatRowAndBadRowsThrow) {
  SubtitleList list;
  list.Assign({"a", "b", "c"});
  list.SelectAll();
  list.Replace(1, "B");
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 2}));
  EXPECT_EQ(list.Line(1), "B");
  try {
    list.Line(3);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Replace(-1, "x"), Error);
  EXPECT_THROW(list.Insert(4, "x"), Error);
}

TEST(SubtitleList, InsertDeleteKeepSelectionAndCursorAligned) {
  SubtitleList list;
  list.Assign({"a", "b", "c"});
  list.SelectOnly(2);
  EXPECT_EQ(list.CursorRow(), 2);
  list.Insert(0, "z");
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{3}));
  EXPECT_EQ(list.CursorRow(), 3);
  list.SetSelected(0, true);
  list.DeleteSelected();
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(list.SelectedCount(), 0);
  EXPECT_EQ(list.CursorRow(), 1);
  list.Delete(1);
  list.Delete(0);
  EXPECT_EQ(list.CursorRow(), -1);
  EXPECT_TRUE(list.Empty());
}

}  // namespace
}  // namespace velorin
