#include "edit/completion.h"

#include <algorithm>
#include <charconv>
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

void AppendNumber(std::string& out, int64_t value) {
  char buf[24];
  out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, value).ptr - buf));
}

// A completed row: both numbers written out, a second frame of 0 as "0".
void AppendCompletedLine(std::string& out, int64_t first, int64_t second, std::string_view text) {
  out += '{';
  AppendNumber(out, first);
  out += "}{";
  AppendNumber(out, second);
  out += '}';
  out += text;
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
    const SubtitleLineView f(list.Lines()[i]);
    const int32_t first = f.First(), second = f.Second();
    firsts[i] = first;
    keep[i] = first != 0 && !f.Text().empty();
    if (keep[i] && list.SelectionFlags()[i] && (!onlyEmpty || second == 0)) {
      const int lines = std::min(DisplayLineCount(f.Text()), 5);
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
    AppendCompletedLine(line, firsts[i], newSecond[i], text);
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
  const int count = list.Count();
  const size_t total = static_cast<size_t>(count);
  std::string line;
  for (int row = 0; row < count; ++row) {
    ReportProgress(progress, static_cast<size_t>(row), total);
    if (!list.Selected(row)) continue;
    const SubtitleLineView f(list.Line(row));
    const int32_t first = f.First();
    f.Second();  // a line whose second frame cannot be read stops here too
    line.clear();
    AppendSubtitleHead(line, first, 0);
    line += f.Text();
    list.Replace(row, line);
  }
  if (progress) progress(total, total);
}

CompletionStatus WriteCompletedLines(const LineSource& lines, const std::vector<char>* selection,
                                     const CompletionSeconds& seconds, bool onlyEmpty,
                                     const ByteSink& append) {
  LineWriter out(append);
  // A completed row waits for the next row that stays, whose first frame
  // bounds its second.
  bool pending = false, tooLarge = false;
  int32_t pendingFirst = 0;
  int64_t pendingTime = 0;
  std::string pendingText;
  auto finish = [&](const int32_t* nextFirst) {
    int64_t second = int64_t{pendingFirst} + pendingTime;
    if (nextFirst && second > *nextFirst) second = int64_t{*nextFirst} - 1;
    pending = false;
    if (second > INT32_MAX) tooLarge = true;
    if (tooLarge) return;
    AppendCompletedLine(out.Buffer(), pendingFirst, second, pendingText);
    out.EndLine();
  };
  size_t row = 0;
  lines([&](std::string_view line) {
    const bool selected = !selection || (*selection)[row++];
    const SubtitleLineView f(line);
    const int32_t first = f.First(), second = f.Second();
    // Once a result does not fit the rest is only read.
    if (tooLarge || first == 0 || f.Text().empty()) return;
    if (pending) finish(&first);
    if (tooLarge) return;
    if (selected && (!onlyEmpty || second == 0)) {
      const int count = std::min(DisplayLineCount(f.Text()), 5);
      pending = true;
      pendingFirst = first;
      pendingTime = int64_t{kCompletionFramesPerSecond} *
                    std::max(0, seconds[static_cast<size_t>(count - 1)]);
      pendingText.assign(f.Text());
    } else {
      out.Line(line);
    }
  });
  if (pending) finish(nullptr);
  if (tooLarge) return CompletionStatus::TooLarge;
  out.Flush();
  return CompletionStatus::Done;
}

void WriteWithoutSecondFrames(const LineSource& lines, const std::vector<char>* selection,
                              const ByteSink& append) {
  LineWriter out(append);
  size_t row = 0;
  lines([&](std::string_view line) {
    if (selection && !(*selection)[row++]) return out.Line(line);
    const SubtitleLineView f(line);
    const int32_t first = f.First();
    f.Second();
    AppendSubtitleHead(out.Buffer(), first, 0);
    out.Buffer() += f.Text();
    out.EndLine();
  });
  out.Flush();
}

}  // namespace velorin
