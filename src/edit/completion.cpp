#include "edit/completion.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "document/subtitle_line.h"

namespace velorin {

namespace {

int32_t AtLeastOne(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, 1, INT32_MAX));
}

int32_t Clamped(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

CompletionSeconds CompletionTable(int32_t t, int32_t k, bool proportional) {
  if (!proportional) {
    int32_t all = AtLeastOne(t);
    return {all, all, all, all, all};
  }
  const int64_t t64 = t, k64 = k;
  return {AtLeastOne(t64 - 2 * k64), AtLeastOne(t64 - k64), AtLeastOne(t64), Clamped(t64 + k64),
          Clamped(t64 + 2 * k64)};
}

int32_t CompletionFieldValue(std::string_view field) { return field.empty() ? 1 : ToInt32(field); }

int32_t CompletionEntrySeconds(std::string_view entry) {
  if (entry == "0") return 1;
  return ToInt32(entry);
}

CompletionStatus CompleteSecondFrames(SubtitleList& list, const CompletionSeconds& seconds,
                                      bool onlyEmpty, const ProgressFn& progress) {
  const size_t count = list.Lines().size();
  const size_t total = count * 2;

  // First every row is read, the rows that stay are marked and every new
  // second frame is checked, so that nothing changes when a line cannot be
  // read or a result does not fit. Two bytes a row: a million-row document is
  // completed in place with little more memory than it holds.
  std::vector<char> keep(count);
  // The display lines (1 to 5) of rows that get a new second frame, else 0.
  std::vector<char> completed(count);
  for (size_t i = 0; i < count; ++i) {
    if (progress && i % kProgressStride == 0) progress(i, total);
    SubtitleFields f = ParseSubtitleLine(list.Lines()[i]);
    keep[i] = f.first != 0 && !f.text.empty();
    if (keep[i] && list.SelectionFlags()[i] && (!onlyEmpty || f.second == 0))
      completed[i] = static_cast<char>(std::min(DisplayLineCount(f.text), 5));
  }
  auto firstFrame = [&](size_t row) { return SubtitleLineView(list.Lines()[row]).First(); };
  // The new second frame of completed row i from its display time, cut by the
  // next kept row (count when there is none). The rows after i are as read.
  auto newSecond = [&](size_t i, size_t next) {
    const int32_t time = std::max(0, seconds[static_cast<size_t>(completed[i] - 1)]);
    int64_t second = int64_t{firstFrame(i)} + int64_t{kCompletionFramesPerSecond} * time;
    if (next < count) {
      const int32_t nextFirst = firstFrame(next);
      if (second > nextFirst) second = int64_t{nextFirst} - 1;
    }
    return second;
  };
  for (size_t i = count, next = count; i-- > 0;) {
    if (!keep[i]) continue;
    if (completed[i] && newSecond(i, next) > INT32_MAX) return CompletionStatus::TooLarge;
    next = i;
  }

  // Then the completed rows are rewritten in place (which unselects them) and
  // the others that are not kept removed, in one pass each.
  const int cursor = list.CursorRow();
  list.Rewrite([&] {
    std::string line;
    size_t next = 0;  // the next kept row after i
    for (size_t i = 0; i < count; ++i) {
      if (progress && i % kProgressStride == 0) progress(count + i, total);
      if (!completed[i]) continue;
      while (next < count && (next <= i || !keep[next])) ++next;
      const int64_t second = newSecond(i, next);
      const SubtitleLineView view(list.Lines()[i]);
      // Both numbers are written out, a second frame of 0 as "0".
      line.clear();
      line += '{';
      line += std::to_string(view.First());
      line += "}{";
      line += std::to_string(second);
      line += '}';
      line += view.Text();
      list.Replace(static_cast<int>(i), line);
    }
    for (char& k : keep) k = !k;
    list.DeleteRows(keep);
  });
  list.SetCursorRow(std::min(cursor, list.Count() - 1));
  if (progress) progress(total, total);
  return CompletionStatus::Done;
}

void RemoveSecondFrames(SubtitleList& list, const ProgressFn& progress) {
  const int count = list.Count();
  const size_t total = static_cast<size_t>(count);
  for (int row = 0; row < count; ++row) {
    if (progress && static_cast<size_t>(row) % kProgressStride == 0)
      progress(static_cast<size_t>(row), total);
    if (!list.Selected(row)) continue;
    SubtitleFields f = ParseSubtitleLine(list.Line(row));
    list.Replace(row, ComposeSubtitleLine(f.first, 0, f.text));
  }
  if (progress) progress(total, total);
}

}  // namespace velorin
