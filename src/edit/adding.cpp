#include "edit/adding.h"

#include <algorithm>
#include <limits>

#include "document/encoding_detection.h"
#include "document/progress.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "document/text_encoding.h"
#include "document/utf16.h"

namespace velorin {

AddedLines ParseAddedLines(std::string_view raw) {
  const TextBytes text(raw);
  std::string_view bytes = text.View();
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  AddedLines out;
  out.utf8 = IsValidUtf8(bytes);
  EncodingDetector detector;
  ForEachLine(bytes, [&](std::string_view line) {
    if (!line.empty() && line.front() != '[') {
      out.lines.emplace_back(line);
      if (!out.utf8) detector.Feed(line);
    }
    return true;
  });
  out.encoding = out.utf8 ? TextEncoding::Utf8 : detector.Guess();
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

namespace {

// Calls fn(index) for every line that adding would append.
template <typename Fn>
void ForEachAdded(const std::vector<std::string>& lines, const std::vector<char>* selection,
                  Fn&& fn) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (selection && !(i < selection->size() && (*selection)[i])) continue;
    if (lines[i].empty() || lines[i].front() != '{') continue;
    if (!fn(i)) return;
  }
}

}  // namespace

int AppendAddedLines(SubtitleList& doc, const std::vector<std::string>& lines,
                     TextEncoding linesEncoding, const std::vector<char>* selection) {
  int appended = 0;
  const TextEncoding docEncoding = doc.Encoding();
  ForEachAdded(lines, selection, [&](size_t i) {
    if (linesEncoding == docEncoding)
      doc.Add(lines[i]);
    else
      doc.Add(EncodeText(DecodeText(lines[i], linesEncoding), docEncoding));
    ++appended;
    return true;
  });
  return appended;
}

int AppendAddedLines(SubtitleList& doc, const std::vector<std::string>& lines, bool linesUtf8,
                     const std::vector<char>* selection) {
  return AppendAddedLines(doc, lines, linesUtf8 ? TextEncoding::Utf8 : TextEncoding::Windows1250,
                          selection);
}

std::optional<size_t> FirstLineNotFitting(const SubtitleList& doc,
                                          const std::vector<std::string>& lines,
                                          TextEncoding linesEncoding,
                                          const std::vector<char>* selection) {
  std::optional<size_t> found;
  const TextEncoding docEncoding = doc.Encoding();
  if (linesEncoding == docEncoding || docEncoding == TextEncoding::Utf8) return found;
  ForEachAdded(lines, selection, [&](size_t i) {
    size_t lost = 0;
    EncodeText(DecodeText(lines[i], linesEncoding), docEncoding, &lost);
    if (lost > 0) found = i;
    return lost == 0;
  });
  return found;
}

void ConvertDocumentToUtf8(SubtitleList& doc, const ProgressFn& progress) {
  const TextEncoding from = doc.Encoding();
  if (from == TextEncoding::Utf8) return;
  const int count = doc.Count();
  for (int row = 0; row < count; ++row) {
    const std::string_view line = doc.Line(row);
    if (std::any_of(line.begin(), line.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
      doc.Replace(row, DecodeText(line, from));
    ReportProgress(progress, static_cast<size_t>(row), static_cast<size_t>(count));
  }
  doc.SetEncoding(TextEncoding::Utf8);
}

std::string NotFittingQuestion(std::string_view lineUtf8, TextEncoding documentEncoding) {
  return std::string("Řádek \"") + std::string(lineUtf8) +
         "\" obsahuje znaky, které kódování titulků (" + InfoOf(documentEncoding).name +
         ") nedokáže zapsat.\n\nPřevést titulky do UTF-8, aby se přidávané řádky "
         "zachovaly beze změny? Při odpovědi Ne se nic nepřidá.";
}

}  // namespace velorin
