#include "document/progress.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace velorin {
namespace {

TEST(ForEachSelectedRow, VisitsTheSelectionAndReportsOverAllRows) {
  const size_t rows = 2 * kProgressStride + 3;
  SubtitleList list;
  list.Assign(std::vector<std::string>(rows, "{1}{2}a"));
  for (int row : {1, 4096, 8194}) list.SetSelected(row, true);
  std::vector<int> visited;
  std::vector<std::pair<size_t, size_t>> reports;
  ForEachSelectedRow(list, [&](size_t done, size_t total) { reports.emplace_back(done, total); },
                     [&](int row) { visited.push_back(row); });
  EXPECT_EQ(visited, (std::vector<int>{1, 4096, 8194}));
  EXPECT_EQ(reports, (std::vector<std::pair<size_t, size_t>>{
                         {0, rows}, {kProgressStride, rows}, {2 * kProgressStride, rows}, {rows, rows}}));
  // Without a callback nothing is reported, and an empty list still ends.
  SubtitleList empty;
  ForEachSelectedRow(empty, {}, [&](int) { ADD_FAILURE(); });
}

TEST(ReportProgress, TheSecondPartOfTheWorkCountsFromItsBase) {
  std::vector<size_t> done;
  const ProgressFn record = [&](size_t d, size_t) { done.push_back(d); };
  for (size_t step : {size_t{0}, size_t{1}, kProgressStride, kProgressStride + 1})
    ReportProgress(record, step, 100000, 500);
  EXPECT_EQ(done, (std::vector<size_t>{500, 500 + kProgressStride}));
}

}  // namespace
}  // namespace velorin
