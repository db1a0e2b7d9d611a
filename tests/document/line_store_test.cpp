#include "document/line_store.h"

#include <gtest/gtest.h>

#include <random>

namespace velorin {
namespace {

// One change, made both to a store and to plain strings.
struct Step {
  enum { kAdd, kInsert, kReplace, kErase, kReplaceWithRow } op;
  size_t row;
  std::string text;
};

void Apply(const Step& s, LineStore& store, std::vector<std::string>& expected) {
  switch (s.op) {
    case Step::kAdd:
      store.push_back(s.text);
      expected.push_back(s.text);
      break;
    case Step::kInsert:
      store.Insert(s.row, s.text);
      expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(s.row), s.text);
      break;
    case Step::kReplace:
      store.Replace(s.row, s.text);
      expected[s.row] = s.text;
      break;
    case Step::kErase:
      store.Erase(s.row);
      expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(s.row));
      break;
    case Step::kReplaceWithRow:  // the new line is a view of the store itself
      store.Replace(s.row, store[0]);
      expected[s.row] = expected[0];
      break;
  }
}

// Many lines of n bytes, each different.
std::vector<Step> Fill(size_t rows, size_t n) {
  std::vector<Step> steps;
  for (size_t i = 0; i < rows; ++i)
    steps.push_back(
        {Step::kAdd, 0, std::to_string(i) + std::string(n, static_cast<char>('a' + i % 26))});
  return steps;
}

// Rewrites rows (in order or at random) with lines of n bytes.
std::vector<Step> Rewrite(size_t rows, size_t times, size_t n, bool inOrder) {
  std::vector<Step> steps;
  std::mt19937 random(7);
  for (size_t i = 0; i < times; ++i) {
    const size_t row = inOrder ? i % rows : random() % rows;
    steps.push_back(
        {Step::kReplace, row, std::to_string(i) + std::string(n, static_cast<char>('A' + i % 26))});
  }
  return steps;
}

TEST(LineStore, ChangesKeepEveryRowsBytes) {
  const std::string longLine(300 << 10, 'L');  // gets a block of its own
  struct Case {
    const char* name;
    std::vector<std::vector<Step>> parts;
  } cases[] = {
      {"small edits",
       {{{Step::kAdd, 0, "{1}{2}a"},
         {Step::kAdd, 0, ""},
         {Step::kInsert, 0, "{0}{0}z"},
         {Step::kReplace, 2, "{3}{4}"},
         {Step::kReplaceWithRow, 1, ""},
         {Step::kErase, 0, ""},
         {Step::kInsert, 2, std::string("\0\xe8", 2)},
         {Step::kReplace, 1, ""}}}},
      {"long lines between short ones",
       {{{Step::kAdd, 0, "a"},
         {Step::kAdd, 0, longLine},
         {Step::kAdd, 0, "b"},
         {Step::kReplace, 0, longLine + "x"},
         {Step::kInsert, 1, "c"}}}},
      // Garbage beyond the rows' bytes: the rows are copied into new blocks.
      {"random rewrites compact", {Fill(2000, 3000), Rewrite(2000, 6000, 3000, false)}},
      // Whole blocks left unused are freed without copying.
      {"rewrites in order free whole blocks", {Fill(2000, 3000), Rewrite(2000, 8000, 3000, true)}},
      {"deleting most rows compacts",
       {Fill(4000, 3000), std::vector<Step>(3900, Step{Step::kErase, 50, ""})}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LineStore store;
    std::vector<std::string> expected;
    for (const auto& part : c.parts)
      for (const Step& s : part) Apply(s, store, expected);
    EXPECT_TRUE(store == expected);
    size_t bytes = 0;
    for (const std::string& line : expected) bytes += line.size();
    EXPECT_EQ(store.LiveBytes(), bytes);
    // Unused bytes are reclaimed every few megabytes once they exceed the rows'.
    constexpr size_t kFloor = 4 << 20;
    EXPECT_LE(store.GarbageBytes(), std::max(bytes, kFloor) + kFloor);
    // Copies and moves hold the same rows.
    LineStore copy = store;
    const LineStore moved = std::move(store);
    EXPECT_TRUE(copy == expected);
    EXPECT_TRUE(moved == expected);
    EXPECT_TRUE(store.empty());
  }
}

TEST(LineStore, ViewsOfOtherRowsSurviveAChangeThatDoesNotCompact) {
  LineStore store;
  for (const char* line : {"{1}{2}a", "{3}{4}b", "{5}{6}c"}) store.push_back(line);
  const std::string_view first = store[0], last = store[2];
  store.Replace(1, "{3}{4}a much longer line than before");
  store.Insert(1, "{2}{3}x");
  EXPECT_EQ(store.GarbageBytes(), 7u);  // under the floor: nothing moved
  EXPECT_EQ(first.data(), store[0].data());
  EXPECT_EQ(last.data(), store[3].data());
  EXPECT_EQ(first, "{1}{2}a");
  EXPECT_EQ(last, "{5}{6}c");
}

TEST(LineStore, RowsRemovedInsertedAndReordered) {
  LineStore store(std::vector<std::string>{"a", "b", "c", "d"});
  store.RemoveRows({0, 1, 0, 1});
  EXPECT_EQ(store, (std::vector<std::string>{"a", "c"}));
  store.InsertRows({{0, "x"}, {2, "y"}, {4, "z"}});
  EXPECT_EQ(store, (std::vector<std::string>{"x", "a", "y", "c", "z"}));
  store.Permute({4, 3, 2, 1, 0});
  EXPECT_EQ(store, (std::vector<std::string>{"z", "c", "y", "a", "x"}));
  EXPECT_EQ(store.ToVector(), (std::vector<std::string>{"z", "c", "y", "a", "x"}));
  EXPECT_EQ(store.GarbageBytes(), 2u);
}

}  // namespace
}  // namespace velorin
