#include "edit/completion.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "document/change_journal.h"
#include "document/progress.h"
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
  // second frame is computed, so that nothing changes when a line cannot be
  // read or a result does not fit.
  std::vector<int32_t> firsts(count);
  std::vector<char> keep(count);
  // Rows that get a new second frame, and that frame.
  std::vector<char> completed(count);
  std::vector<int64_t> newSecond(count);
  for (size_t i = 0; i < count; ++i) {
    ReportProgress(progress, i, total);
    SubtitleFields f = ParseSubtitleLine(list.Lines()[i]);
    firsts[i] = f.first;
    keep[i] = f.first != 0 && !f.text.empty();
    if (keep[i] && list.SelectionFlags()[i] && (!onlyEmpty || f.second == 0)) {
      const int lines = std::min(DisplayLineCount(f.text), 5);
      completed[i] = 1;
      newSecond[i] = int64_t{kCompletionFramesPerSecond} *
                     std::max(0, seconds[static_cast<size_t>(lines - 1)]);
    }
  }
  // newSecond holds the display time so far; the next kept row bounds it.
  size_t next = count;  // the next kept row after i
  for (size_t i = count; i-- > 0;) {
    if (!keep[i]) continue;
    if (completed[i]) {
      int64_t second = int64_t{firsts[i]} + newSecond[i];
      if (next < count && second > firsts[next]) second = int64_t{firsts[next]} - 1;
      if (second > INT32_MAX) return CompletionStatus::TooLarge;
      newSecond[i] = second;
    }
    next = i;
  }

  // Then the completed rows are rewritten in place and the rows that do not
  // stay are removed, the others keeping their selection. The journal takes
  // it as a change of the whole list (undone, no row is selected) but records
  // only what changed, not the lines before and after.
  const int cursor = list.CursorRow();
  ChangeSet* journal = list.Journal();
  if (journal) journal->WholeListBegin();
  std::string line;
  bool dropped = false;
  for (size_t i = 0; i < count; ++i) {
    ReportProgress(progress, i, total, count);
    const int row = static_cast<int>(i);
    if (!keep[i]) {
      dropped = true;
      continue;
    }
    if (!completed[i]) continue;
    // Both numbers are written out, a second frame of 0 as "0".
    const std::string_view text = SubtitleLineView(list.Line(row)).Text();
    line.clear();
    line.reserve(text.size() + 24);
    line += '{';
    line += std::to_string(firsts[i]);
    line += "}{";
    line += std::to_string(newSecond[i]);
    line += '}';
    line += text;
    list.Replace(row, line);  // also unselects it
  }
  if (dropped) {
    std::vector<char> flags = list.SelectionFlags();
    for (size_t i = 0; i < count; ++i) list.SetSelected(static_cast<int>(i), !keep[i]);
    list.DeleteSelected();
    size_t out = 0;
    for (size_t i = 0; i < count; ++i)
      if (keep[i]) list.SetSelected(static_cast<int>(out++), flags[i] != 0);
  }
  if (journal) journal->WholeListEnd();
  list.SetCursorRow(std::min(cursor, list.Count() - 1));
  if (progress) progress(total, total);
  return CompletionStatus::Done;
}

void RemoveSecondFrames(SubtitleList& list, const ProgressFn& progress) {
  ForEachSelectedRow(list, progress, [&](int row) {
    SubtitleFields f = ParseSubtitleLine(list.Line(row));
    list.Replace(row, ComposeSubtitleLine(f.first, 0, f.text));
  });
}

}  // namespace velorin
