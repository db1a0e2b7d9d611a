// The subtitle file reader: the same bytes read whole, in pieces of any
// size (a pipe) and from a file give the same lines; the lines it splits
// join back to the file's bytes; every kept line is a '{' line of the file.
#include <sys/mman.h>
#include <unistd.h>

#include "document/ascii.h"
#include "document/block_writer.h"
#include "document/subtitle_file.h"
#include "document/utf16.h"
#include "fuzz_support.h"

using namespace velorin;

namespace {

void CheckSameOutcome(const ReadOutcome& a, const ReadOutcome& b) {
  FUZZ_CHECK(a.kind == b.kind);
  FUZZ_CHECK(a.lines == b.lines);
  FUZZ_CHECK(a.utf8 == b.utf8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<size_t> cuts;
  for (int i = input.ConsumeIntegralInRange(0, 8); i > 0; --i)
    cuts.push_back(input.ConsumeIntegralInRange<size_t>(1, 16));
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  const ReadOutcome whole = ParseSubtitleText(bytes);
  SubtitleLineReader reader;
  size_t at = 0;
  for (size_t k = 0; at < bytes.size(); ++k) {
    const size_t piece = cuts.empty() ? bytes.size() : cuts[k % cuts.size()];
    reader.Feed(std::string_view(bytes).substr(at, piece));
    at += piece;
  }
  CheckSameOutcome(whole, reader.Finish());

  // From a file (an anonymous one in memory).
  static const int fd = ::memfd_create("velorin-fuzz", 0);
  if (fd >= 0 && ::ftruncate(fd, 0) == 0 &&
      ::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size())) {
    CheckSameOutcome(whole, ReadSubtitleLines("/proc/self/fd/" + std::to_string(fd)));
  }

  // Without keeping the lines, and as views into the bytes: the same lines.
  std::vector<std::string> scanned;
  const ReadOutcome scan =
      ScanSubtitleText(bytes, [&](std::string_view line) { scanned.emplace_back(line); });
  FUZZ_CHECK(scan.kind == whole.kind && scan.utf8 == whole.utf8 && scanned == whole.lines);
  const SubtitleText indexed = IndexSubtitleText(bytes);
  FUZZ_CHECK(indexed.kind == whole.kind);
  std::vector<std::string> again;
  indexed.ForEachLine([&](std::string_view line) { again.emplace_back(line); });
  FUZZ_CHECK(again == whole.lines && indexed.count == whole.lines.size());
  FUZZ_CHECK(whole.lines.empty() ||
             (indexed.first == whole.lines.front() && indexed.last == whole.lines.back()));
  // Read from the first subtitle line on in blocks of whole lines, on two
  // threads, and written in order: the same lines again.
  const SubtitleLinesStart start = FindFirstSubtitleLine(indexed.bytes->View());
  FUZZ_CHECK(start.kind == whole.kind);
  // (A line never holds an LF: joined by LFs, the lines stay apart.)
  std::string inBlocks, expected;
  for (std::string_view line : whole.lines) {
    expected += line;
    expected += '\n';
  }
  WriteBlocksInOrder(
      start.rest,
      [](std::string_view block, std::string& out) {
        ForEachSubtitleLineOf(block, [&](std::string_view line) {
          out.append(line);
          out.push_back('\n');
        });
      },
      [&](std::string_view piece) { inBlocks.append(piece); }, 2, size % 64 + 1);
  FUZZ_CHECK(inBlocks == expected);

  // The lines and their ends make up the bytes again.
  const std::string_view text = bytes;
  std::string rebuilt;
  ForEachLine(text, [&](std::string_view line) {
    FUZZ_CHECK(line.data() >= text.data() &&
               line.data() + line.size() <= text.data() + text.size());
    rebuilt.append(line);
    const size_t end = static_cast<size_t>(line.data() - text.data()) + line.size();
    if (text.substr(end, 2) == "\r\n") {
      rebuilt += "\r\n";
    } else if (text.substr(end, 1) == "\n") {
      rebuilt += "\n";
    } else {
      FUZZ_CHECK(end == text.size());
    }
    return true;
  });
  FUZZ_CHECK(rebuilt == bytes);

  // Every kept line is, in order, one of the file's lines that begins with '{'
  // (of its UTF-8, when the file is UTF-16).
  FUZZ_CHECK((whole.kind == ReadKind::Loaded) == !whole.lines.empty());
  const TextBytes decoded(bytes);
  std::vector<std::string_view> lines;
  ForEachLine(SkipUtf8Bom(decoded.View()), [&](std::string_view line) {
    lines.push_back(line);
    return true;
  });
  size_t next = 0;
  for (std::string_view kept : whole.lines) {
    FUZZ_CHECK(!kept.empty() && kept.front() == '{');
    while (next < lines.size() && lines[next] != kept) ++next;
    FUZZ_CHECK(next < lines.size());
    ++next;
  }
  return 0;
}
