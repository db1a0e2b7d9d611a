// Adding subtitles from a file: the offered lines are the file's lines but
// the empty and header ones; a shift either moves every frame by the offset
// (not below 0) or changes nothing; appending takes exactly the '{' lines.
// UTF-16 files are read as their UTF-8.
#include "document/ascii.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "document/utf16.h"
#include "edit/adding.h"
#include "fuzz_support.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string offsetText = input.ConsumeRandomLengthString(24);
  const bool docUtf8 = input.ConsumeBool();
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  const AddedLines added = ParseAddedLines(bytes);
  size_t next = 0;
  std::vector<std::string_view> fileLines;
  // A UTF-16 file offers the lines of its UTF-8.
  const TextBytes text(bytes);
  ForEachLine(SkipUtf8Bom(text.View()), [&](std::string_view line) {
    if (!line.empty() && line.front() != '[') fileLines.push_back(line);
    return true;
  });
  FUZZ_CHECK(added.lines.size() == fileLines.size());
  for (const std::string& line : added.lines) FUZZ_CHECK(line == fileLines[next++]);

  const int64_t offset = ParseFrameOffset(offsetText);
  FUZZ_CHECK(offset > -1000000000000000000 && offset < 1000000000000000000);
  std::vector<std::string> lines = added.lines;
  try {
    if (ShiftLines(lines, offset) == ShiftStatus::Done) {
      FUZZ_CHECK(lines.size() == added.lines.size());
      for (size_t i = 0; i < lines.size(); ++i) {
        const SubtitleFields before = ParseSubtitleLine(added.lines[i]);
        const SubtitleFields after = ParseSubtitleLine(lines[i]);
        FUZZ_CHECK(after.first == std::max<int64_t>(0, before.first + offset));
        FUZZ_CHECK(after.second == std::max<int64_t>(0, before.second + offset));
        FUZZ_CHECK(after.text == before.text);
      }
    } else {
      FUZZ_CHECK(lines == added.lines);
    }
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
    FUZZ_CHECK(lines == added.lines);
  }

  SubtitleList doc;
  doc.SetUtf8(docUtf8);
  doc.Add("{1}{2}first");
  const int appended = AppendAddedLines(doc, added.lines, added.utf8);
  int braces = 0;
  for (const std::string& line : added.lines) braces += line.front() == '{';
  FUZZ_CHECK(appended == braces && doc.Count() == 1 + braces);
  for (int i = 1; i < doc.Count(); ++i) FUZZ_CHECK(doc.Line(i).front() == '{');
  return 0;
}
