// The list commands on a small document of any lines: sorting is a stable
// sort by the documented key, repairing keeps the rows it does not touch,
// searching and going to a frame stay within the list, and the edit dialog's
// fields rebuild a line that reads back the same.
#include <algorithm>

#include "document/subtitle_line.h"
#include "edit/list_commands.h"
#include "fuzz_support.h"
#include "layout/tags.h"

using namespace velorin;

namespace {

SubtitleList MakeList(const std::vector<std::string>& lines, const std::vector<uint8_t>& flags,
                      int cursor) {
  SubtitleList list;
  list.Assign(lines);
  for (size_t i = 0; i < lines.size() && i < flags.size(); ++i)
    list.SetSelected(static_cast<int>(i), flags[i] & 1);
  list.SetCursorRow(lines.empty() ? -1 : cursor % static_cast<int>(lines.size()));
  return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int cursor = input.ConsumeIntegralInRange(0, 63);
  const bool down = input.ConsumeBool(), matchCase = input.ConsumeBool();
  const int64_t step = input.ConsumeIntegral<int64_t>();
  const std::string needle = input.ConsumeRandomLengthString(8);
  const std::vector<uint8_t> flags = input.ConsumeBytes<uint8_t>(64);
  const std::vector<std::string> lines = fuzz::SplitLines(input.ConsumeRemainingBytesAsString());
  const int count = static_cast<int>(lines.size());

  // Sorting: the same lines, in the stable order of their lower-cased keys.
  {
    SubtitleList list = MakeList(lines, flags, cursor);
    SortChronologically(list);
    std::vector<std::string> expected = lines;
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
      return AsciiLowerCase(SortKey(a)) < AsciiLowerCase(SortKey(b));
    });
    FUZZ_CHECK(list.Lines() == expected);
    FUZZ_CHECK(list.SelectedCount() == 0);
  }

  // Repairing: rows not selected stay, in order and byte for byte; on an
  // error the rows are all still there.
  {
    SubtitleList list = MakeList(lines, flags, cursor);
    std::vector<std::string> unselected;
    for (int i = 0; i < count; ++i)
      if (!list.Selected(i)) unselected.push_back(lines[static_cast<size_t>(i)]);
    try {
      RepairSelected(list);
      FUZZ_CHECK(list.Count() <= count);
    } catch (const Error& e) {
      fuzz::CheckMessage(e);
      FUZZ_CHECK(list.Count() <= count);
    }
    size_t next = 0;
    for (std::string_view line : list.Lines())
      if (next < unselected.size() && line == unselected[next]) ++next;
    FUZZ_CHECK(next == unselected.size());
  }

  {
    const SubtitleList list = MakeList(lines, flags, cursor);
    const std::string folded = matchCase ? needle : AsciiLowerCase(needle);
    const int row = FindRow(list, folded, down, matchCase);
    if (row >= 0) {
      FUZZ_CHECK(row < count && (down ? row > list.CursorRow() : row < list.CursorRow()));
      FUZZ_CHECK(SearchableText(list.Line(row), matchCase).find(folded) != std::string::npos);
    }
    try {
      const int target = RowForFrame(list, FrameFromAnswer(needle));
      FUZZ_CHECK(count == 0 ? target == -1 : target >= 0 && target < count);
    } catch (const Error& e) {
      fuzz::CheckMessage(e);
    }
    const int stepped = SteppedRow(list.CursorRow(), step, count);
    FUZZ_CHECK(stepped >= 0 && stepped < std::max(count, 1));
    if (count > 0) {
      try {
        const std::string inserted = InsertedLine(list, list.CursorRow());
        (void)ParseSubtitleLine(inserted);
      } catch (const Error& e) {
        fuzz::CheckMessage(e);
      }
      try {
        (void)ParseSubtitleLine(NewLineAfter(list));
      } catch (const Error& e) {
        fuzz::CheckMessage(e);
      }
    }
  }

  // The edit dialog's fields: the line they build shows the same text when
  // the dialog is opened on it and confirmed again (for display lines whose
  // tag prefixes are whole tags; a stray brace makes text part of a prefix).
  for (const std::string& line : lines) {
    const std::string text(SubtitleLineView(line).Text());
    bool cleanTags = true;
    for (const std::string& display : SplitIntoFiveLines(text))
      cleanTags = cleanTags && fuzz::IsTagSequence(SplitLeadingTags(display).tags);
    const std::string rebuilt = LineFromEditFields("1", "2", EditFieldsFromText(text));
    const std::string again =
        LineFromEditFields("1", "2", EditFieldsFromText(SubtitleLineView(rebuilt).Text()));
    if (cleanTags) FUZZ_CHECK(StripTags(again) == StripTags(rebuilt));
  }
  return 0;
}
