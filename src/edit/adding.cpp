#include "edit/adding.h"

#include <limits>

#include "document/progress.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "document/text_encoding.h"

namespace velorin {

AddedLines ParseAddedLines(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  AddedLines out;
  out.utf8 = IsValidUtf8(bytes);
  ForEachLine(bytes, [&](std::string_view line) {
    if (!line.empty() && line.front() != '[') out.lines.emplace_back(line);
    return true;
  });
  return out;
}

AddedLines ReadAddedLines(const std::string& path) { return ParseAddedLines(ReadFileBytes(path)); }

int64_t ParseFrameOffset(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  // More than 18 digits cannot be typed into the field; such text counts 0.
  if (text.empty() || text.size() > 18) return 0;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

ShiftStatus ShiftLines(std::vector<std::string>& lines, int64_t offset,
                       const ProgressFn& progress) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  std::vector<std::string> shifted;
  shifted.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    SubtitleFields f = ParseSubtitleLine(lines[i]);
    int64_t first = f.first + offset;
    int64_t second = f.second + offset;
    if (first < 0) first = 0;
    if (second < 0) second = 0;
    if (first > kMax || second > kMax) return ShiftStatus::TooLarge;
    shifted.push_back("{" + std::to_string(first) + "}{" + std::to_string(second) + "}" + f.text);
    ReportProgress(progress, i, lines.size());
  }
  lines = std::move(shifted);
  return ShiftStatus::Done;
}

int AppendAddedLines(SubtitleList& doc, const std::vector<std::string>& lines, bool linesUtf8,
                     const std::vector<char>* selection) {
  int appended = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (selection && !(i < selection->size() && (*selection)[i])) continue;
    const std::string& line = lines[i];
    if (line.empty() || line.front() != '{') continue;
    if (linesUtf8 == doc.IsUtf8())
      doc.Add(line);
    else
      doc.Add(linesUtf8 ? Utf8ToCp1250(line) : Cp1250ToUtf8(line));
    ++appended;
  }
  return appended;
}

}  // namespace velorin
