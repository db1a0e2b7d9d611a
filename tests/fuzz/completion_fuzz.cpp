// Second-frame completion: the table keeps its entries positive, and a
// completion either gives each chosen row the second frame the rule says,
// removing only rows without a first frame or text, or changes nothing.
#include "document/subtitle_line.h"
#include "edit/completion.h"
#include "fuzz_support.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int32_t t = input.ConsumeIntegral<int32_t>(), k = input.ConsumeIntegral<int32_t>();
  const bool proportional = input.ConsumeBool(), onlyEmpty = input.ConsumeBool();
  const std::string field = input.ConsumeRandomLengthString(12);
  const std::vector<uint8_t> flags = input.ConsumeBytes<uint8_t>(64);
  const std::vector<std::string> lines = fuzz::SplitLines(input.ConsumeRemainingBytesAsString());

  const CompletionSeconds table = CompletionTable(t, k, proportional);
  for (size_t i = 0; i < (proportional ? 3 : 5); ++i) FUZZ_CHECK(table[i] >= 1);
  try {
    FUZZ_CHECK(field.empty() ? CompletionFieldValue(field) == 1 : true);
    (void)CompletionFieldValue(field);
    FUZZ_CHECK(CompletionEntrySeconds(field) == (field == "0" ? 1 : ToInt32(field)));
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }

  SubtitleList list;
  list.Assign(lines);
  for (size_t i = 0; i < lines.size() && i < flags.size(); ++i)
    list.SetSelected(static_cast<int>(i), flags[i] & 1);
  const std::vector<char> selection = list.SelectionFlags();
  CompletionStatus status = CompletionStatus::TooLarge;
  try {
    status = CompleteSecondFrames(list, table, onlyEmpty);
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  if (status != CompletionStatus::Done) {
    FUZZ_CHECK(list.Lines() == lines && list.SelectionFlags() == selection);
    return 0;
  }
  // The model: rows kept in order, each chosen row's second frame its first
  // plus the time of its line count, cut to one before the next kept row.
  std::vector<size_t> kept;
  for (size_t i = 0; i < lines.size(); ++i) {
    const SubtitleFields f = ParseSubtitleLine(lines[i]);
    if (f.first != 0 && !f.text.empty()) kept.push_back(i);
  }
  FUZZ_CHECK(list.Lines().size() == kept.size());
  for (size_t r = 0; r < kept.size(); ++r) {
    const std::string& old = lines[kept[r]];
    const SubtitleFields before = ParseSubtitleLine(old);
    const bool chosen = selection[kept[r]] && (!onlyEmpty || before.second == 0);
    if (!chosen) {
      FUZZ_CHECK(list.Line(static_cast<int>(r)) == old);
      FUZZ_CHECK(list.Selected(static_cast<int>(r)) == static_cast<bool>(selection[kept[r]]));
      continue;
    }
    const SubtitleFields after = ParseSubtitleLine(list.Line(static_cast<int>(r)));
    const int count = std::min(DisplayLineCount(before.text), 5);
    int64_t second = int64_t{before.first} + 25 * int64_t{std::max(0, table[count - 1])};
    if (r + 1 < kept.size()) {
      const int64_t next = ParseSubtitleLine(lines[kept[r + 1]]).first;
      if (second > next) second = next - 1;
    }
    FUZZ_CHECK(after.first == before.first && after.text == before.text);
    FUZZ_CHECK(after.second == second);
    FUZZ_CHECK(!list.Selected(static_cast<int>(r)));
  }
  return 0;
}
