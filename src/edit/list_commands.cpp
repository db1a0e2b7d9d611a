#include "edit/list_commands.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <vector>

#include "document/ascii.h"
#include "document/change_journal.h"
#include "document/file_names.h"
#include "document/progress.h"
#include "document/subtitle_line.h"
#include "layout/tags.h"

namespace velorin {

namespace {

// Number of zeros the sort key puts after a line's first character.
int SortPadCount(std::string_view line) {
  const int n = static_cast<int>(line.size());
  int d;
  size_t brace = n >= 2 ? line.find('}', 1) : std::string_view::npos;
  if (brace != std::string_view::npos)
    d = static_cast<int>(brace) - 1;
  else if (n < 2)
    d = n - 2;
  else
    d = n - 1;
  return std::max(0, 7 - d);
}

// A line's sort key seen without building it: the first character, z zeros,
// the rest of the line and the digit z, with A-Z folded to lower case.
struct KeyView {
  std::string_view line;
  int pad;
  size_t Size() const { return line.size() + pad + 1; }
  char At(size_t k) const {
    const size_t head = line.empty() ? 0 : 1;
    if (k < head) return AsciiToLower(line[0]);
    if (k < head + pad) return '0';
    if (k < line.size() + pad) return AsciiToLower(line[k - pad]);
    return static_cast<char>('0' + pad);
  }
};

struct SortEntry {
  uint64_t head;  // the key's first eight bytes, big-endian, for quick comparison
  uint32_t row;
  int8_t pad;
};

// StripTags, '|' to space and optional folding, into a reused buffer.
void MakeSearchable(std::string_view text, bool matchCase, std::string& out) {
  out.clear();
  bool outside = true;
  for (char c : text) {
    if (c == '{') {
      outside = false;
    } else if (c == '}') {
      outside = true;
    } else if (outside) {
      if (c == '|') c = ' ';
      out.push_back(matchCase ? c : AsciiToLower(c));
    }
  }
}

}  // namespace

std::string InsertedLine(const SubtitleList& list, int row) {
  int64_t prev = row > 0 ? ParseSubtitleLine(list.Line(row - 1)).second : 0;
  int64_t cur = ParseSubtitleLine(list.Line(row)).first;
  if (prev == cur) {
    --prev;
    ++cur;
  }
  return "{" + std::to_string(prev + 1) + "}{" + std::to_string(cur - 1) + "}";
}

void RepairSelected(SubtitleList& list, const ProgressFn& progress) {
  // Rows are rewritten in place and the removed ones only marked, then
  // removed together (one by one from a long list would take quadratic
  // time). So the row after the one being examined is always the next
  // original row. The journal takes it as a change of the whole list
  // (undone, no row is selected) but records only what changed.
  const int cursor = list.CursorRow();
  const std::vector<char> flags = list.SelectionFlags();
  const size_t count = flags.size();
  std::vector<char> removed(count);
  bool anyRemoved = false;
  ChangeSet* journal = list.Journal();
  if (journal) journal->WholeListBegin();
  // Removes the marked rows, the others keeping their selection, also when a
  // line cannot be parsed, so that what was repaired before stays repaired.
  auto finish = [&] {
    if (anyRemoved) {
      std::vector<char> kept = list.SelectionFlags();
      for (size_t r = 0; r < count; ++r) list.SetSelected(static_cast<int>(r), removed[r] != 0);
      list.DeleteSelected();
      size_t out = 0;
      for (size_t r = 0; r < count; ++r)
        if (!removed[r]) list.SetSelected(static_cast<int>(out++), kept[r] != 0);
    }
    if (journal) journal->WholeListEnd();
    list.SetCursorRow(std::min(cursor, list.Count() - 1));
  };
  try {
    for (size_t i = 0; i < count; ++i) {
      ReportProgress(progress, i, count);
      if (!flags[i]) continue;
      const int row = static_cast<int>(i);
      const SubtitleLineView view(list.Line(row));
      const int32_t first = view.First(), oldSecond = view.Second();
      if ((first == 0 && oldSecond == 0) || StripTags(view.Text()).empty()) {
        removed[i] = 1;
        anyRemoved = true;
        continue;
      }
      int64_t second = oldSecond;
      if (oldSecond >= 1 && oldSecond < first) second = int64_t{first} + 80;
      if (i + 1 < count) {
        int64_t next = ParseFirstFrame(list.Line(row + 1));
        // A row that follows at frame 0 (an empty first frame) would pull the
        // second frame below zero, which a line cannot hold: left alone.
        if (second >= next && next > 0) second = next - 1;
      }
      // A row left as it is keeps its selection; a rewritten one loses it.
      if (second != oldSecond && second <= INT32_MAX)
        list.Replace(row, ComposeSubtitleLine(first, static_cast<int32_t>(second), view.Text()));
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  if (progress) progress(count, count);
}

std::string SortKey(std::string_view line) {
  const int pad = SortPadCount(line);
  const size_t head = line.empty() ? 0 : 1;
  std::string key(line.substr(0, head));
  key.append(pad, '0');
  key.append(line.substr(head));
  key.push_back(static_cast<char>('0' + pad));
  return key;
}

void SortChronologically(SubtitleList& list, const ProgressFn& progress) {
  const int cursor = list.CursorRow();
  const size_t count = list.Lines().size();
  std::vector<SortEntry> entries(count);
  for (size_t i = 0; i < count; ++i) {
    ReportProgress(progress, i, count * 2);
    std::string_view line = list.Lines()[i];
    KeyView view{line, SortPadCount(line)};
    uint64_t head = 0;
    const size_t size = view.Size();
    for (size_t k = 0; k < 8; ++k)
      head = (head << 8) | (k < size ? static_cast<unsigned char>(view.At(k)) : 0u);
    entries[i] = {head, static_cast<uint32_t>(i), static_cast<int8_t>(view.pad)};
  }
  const LineStore& lines = list.Lines();
  std::stable_sort(entries.begin(), entries.end(), [&](const SortEntry& a, const SortEntry& b) {
    if (a.head != b.head) return a.head < b.head;
    KeyView ka{lines[a.row], a.pad}, kb{lines[b.row], b.pad};
    const size_t sa = ka.Size(), sb = kb.Size();
    const size_t common = std::min(sa, sb);
    for (size_t k = 8; k < common; ++k) {
      unsigned char ca = ka.At(k), cb = kb.At(k);
      if (ca != cb) return ca < cb;
    }
    return sa < sb;
  });
  // A permutation, so that the sort can be taken back without a copy of the list.
  std::vector<uint32_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = entries[i].row;
  list.Permute(order);
  list.SetCursorRow(cursor);
  if (progress) progress(count * 2, count * 2);
}

std::string SearchableText(std::string_view line, bool matchCase) {
  std::string out;
  MakeSearchable(SubtitleLineView(line).Text(), matchCase, out);
  return out;
}

int FindRow(const SubtitleList& list, std::string_view needle, bool down, bool matchCase,
            const ProgressFn& progress) {
  if (needle.empty()) return -1;
  const int count = list.Count();
  const int step = down ? 1 : -1;
  const int total = down ? count - list.CursorRow() - 1 : list.CursorRow();
  std::string buffer;
  int done = 0;
  for (int row = list.CursorRow() + step; row >= 0 && row < count; row += step, ++done) {
    ReportProgress(progress, static_cast<size_t>(done), static_cast<size_t>(total));
    MakeSearchable(SubtitleLineView(list.Lines()[row]).Text(), matchCase, buffer);
    if (buffer.find(needle) != std::string::npos) return row;
  }
  return -1;
}

int64_t FrameFromAnswer(std::string_view answer) {
  size_t start = answer.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0;
  answer.remove_prefix(start);
  if (!answer.empty() && answer[0] == '+') answer.remove_prefix(1);
  if (answer.empty() || answer[0] == '+') return 0;
  int32_t value = 0;
  auto [ptr, ec] = std::from_chars(answer.data(), answer.data() + answer.size(), value);
  if (ec != std::errc() || ptr != answer.data() + answer.size()) return 0;
  return value;
}

int RowForFrame(const SubtitleList& list, int64_t frame, const ProgressFn& progress) {
  const int count = list.Count();
  if (count == 0) return -1;
  for (int row = 1; row < count; ++row) {
    ReportProgress(progress, static_cast<size_t>(row), static_cast<size_t>(count));
    if (ParseFirstFrame(list.Lines()[row]) > frame) return row - 1;
  }
  return count - 1;
}

std::string NewFilePath(const std::string& subtitlesPath, std::string_view answer) {
  return SubtitlePathFor(subtitlesPath, answer);
}

std::string NewLineAfter(const SubtitleList& list) {
  int64_t second = list.Empty() ? 0 : ParseSubtitleLine(list.Line(list.Count() - 1)).second;
  return "{" + std::to_string(second + 1) + "}{" + std::to_string(second + 100) + "}";
}

EditFields EditFieldsFromText(std::string_view text) {
  EditFields out;
  std::array<std::string, 5> lines = SplitIntoFiveLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    LeadingTags split = SplitLeadingTags(lines[i]);
    out.lines[i] = std::move(split.rest);
    if (i == 0) {
      TagScopes scopes = SeparateTagScopes(split.tags);
      out.formats[0] = std::move(scopes.whole);
      out.formats[1] = std::move(scopes.line);
    } else {
      out.formats[i + 1] = std::move(split.tags);
    }
  }
  return out;
}

std::string LineFromEditFields(std::string_view frame1, std::string_view frame2,
                               const EditFields& fields) {
  std::string line = "{" + std::string(frame1) + "}{" + std::string(frame2) + "}";
  for (size_t i = 0; i < fields.lines.size(); ++i) {
    if (fields.lines[i].empty()) continue;
    if (i == 0) line += ToWholeScope(fields.formats[0]);
    line += ToLineScope(fields.formats[i + 1]);
    line += fields.lines[i];
    // No bar after the fifth line: one at the end is then the user's own.
    if (i + 1 < fields.lines.size()) line += '|';
  }
  if (line.back() == '|') line.pop_back();
  return line;
}

int SteppedRow(int row, int64_t step, int count) {
  // A step beyond any list is as good as the longest one; so held, the sum
  // cannot overflow.
  constexpr int64_t kFarthest = int64_t{1} << 32;
  const int64_t target = int64_t{row} + std::clamp(step, -kFarthest, kFarthest);
  return static_cast<int>(std::clamp<int64_t>(target, 0, std::max(count - 1, 0)));
}

}  // namespace velorin
