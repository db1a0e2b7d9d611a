#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/file_io.h"
#include "document/line_store.h"
#include "document/subtitle_list.h"
#include "document/utf16.h"

namespace velorin {

// What reading a file as a frame-based subtitle file found.
enum class ReadKind {
  Loaded,           // at least one subtitle line
  NoSubtitles,      // nothing but empty and '[' lines
  NotSubtitleFile,  // the first significant line is something else: convert it
};

struct ReadOutcome {
  ReadKind kind = ReadKind::NoSubtitles;
  LineStore lines;   // the '{' lines exactly as read
  bool utf8 = true;  // the whole file is valid UTF-8
  bool utf16 = false;  // the file was UTF-16: the lines are its UTF-8, and are saved so
};

// Reads the subtitle lines of a file: every line whose first byte is '{', in
// file order; empty lines and '[' lines are skipped anywhere; any other line
// stops the read when it comes first and is dropped after a subtitle line.
// CR LF and LF end a line; a UTF-8 byte-order mark at the start is ignored,
// UTF-16 with a byte-order mark is read as its UTF-8. A first significant
// line that is no subtitle line stops the read at its first byte.
// The file is read as InputFile reads (a regular file or a pipe, at most
// kMaxInputBytes). Throws Error when the file cannot be opened or read.
ReadOutcome ReadSubtitleLines(const std::string& path, const ProgressFn& progress = {});

using LineSink = std::function<void(std::string_view line)>;

// The same reading without keeping the lines: each subtitle line goes to sink
// as it is read, so that a command that only looks at every line once needs
// no memory for the document.
ReadOutcome ScanSubtitleLines(const std::string& path, const LineSink& sink);
// The same on bytes already in memory.
ReadOutcome ScanSubtitleText(std::string_view bytes, const LineSink& sink);

// Hands every line of a document to the sink, in order.
using LineSource = std::function<void(const LineSink& sink)>;

// Lines written as a saved document holds them (each ended by CR LF), handed
// to a sink 256 KiB at a time: the buffer is reused, so writing a line
// allocates nothing.
class LineWriter {
 public:
  explicit LineWriter(const ByteSink& sink) : sink_(sink) { buf_.reserve(kPiece + 4096); }
  // The line being written; EndLine() ends it.
  std::string& Buffer() { return buf_; }
  void EndLine() {
    buf_ += "\r\n";
    if (buf_.size() >= kPiece) Flush();
  }
  void Line(std::string_view line) {
    buf_ += line;
    EndLine();
  }
  void Flush() {
    sink_(buf_);
    buf_.clear();
  }

 private:
  static constexpr size_t kPiece = size_t{256} << 10;  // stays in cache between flushes
  const ByteSink& sink_;
  std::string buf_;
};

// The subtitle lines of bytes, in order, each to sink, without deciding
// whether the text is UTF-8; returns what the reading found. For commands
// that read a file once and write as they go.
ReadKind ForEachSubtitleLine(std::string_view bytes, const LineSink& sink);

// Where ForEachSubtitleLine's reading of bytes finds its first subtitle line,
// and what it finds: rest holds the bytes from that line on (empty unless
// kind is Loaded). From there on the reading keeps every line that begins
// with '{' and skips the others, as ForEachSubtitleLineOf does, so that any
// run of whole lines of rest can be read apart from the others.
struct SubtitleLinesStart {
  ReadKind kind = ReadKind::NoSubtitles;
  std::string_view rest;
};
SubtitleLinesStart FindFirstSubtitleLine(std::string_view bytes);

// What reading bytes would find, decided by their first line that is neither
// empty nor a '[' line: usually a look at the first line alone.
ReadKind PeekSubtitleKind(std::string_view bytes);

// A file's bytes with where its subtitle lines are, sorted as
// ReadSubtitleLines sorts them: for commands that read a document and write
// a new one from it, the file in one block of memory instead of a string per
// line. Whether the text is UTF-8 is not decided.
struct SubtitleText {
  std::unique_ptr<FileBytes> bytes;  // first and last point into it
  ReadKind kind = ReadKind::NoSubtitles;
  size_t count = 0;
  std::string_view first, last;  // the first and last subtitle line
  // Reads the subtitle lines again from the bytes, each handed to sink.
  void ForEachLine(const LineSink& sink) const;
};
SubtitleText IndexSubtitleText(std::string bytes);
SubtitleText IndexSubtitleText(std::unique_ptr<FileBytes> bytes);

// The same reading on bytes that arrive in pieces of any size (a file read in
// chunks, a pipe that delivers a few bytes at a time): any split of the bytes
// gives what ParseSubtitleText gives for them whole.
class SubtitleLineReader {
 public:
  // Takes the next piece; false once the reading has stopped because the
  // file is to be converted (later pieces are then passed over).
  bool Feed(std::string_view piece);
  ReadOutcome Finish();

  // Hands each subtitle line to sink instead of keeping it (the outcome's
  // lines stay empty); the sink's view is valid only during the call.
  explicit SubtitleLineReader(const LineSink* sink = nullptr) : sorter_(sink) {}

  // Sorts whole lines as they come; ParseSubtitleText uses it directly.
  class Sorter {
   public:
    explicit Sorter(const LineSink* sink = nullptr) : sink_(sink) {}
    // False when reading should stop (the file must be converted).
    bool Take(std::string_view line);
    // False when a line beginning so stops the reading, whatever follows.
    bool MayTake(std::string_view lineStart);
    ReadOutcome Finish();

   private:
    const LineSink* sink_;
    ReadOutcome out_;
    size_t kept_ = 0;
    bool utf8_ = true;
  };

 private:
  bool Take(std::string_view chunk);
  bool DecideCarried();
  std::string_view DecodedPiece();

  Sorter sorter_;
  std::optional<Utf16Decoder> utf16_;  // set when the bytes are UTF-16
  std::string decoded_;                // the UTF-8 of the last UTF-16 piece
  bool decodedBegun_ = false;          // the UTF-8 has begun (its own mark skipped)
  std::string carry_;     // an unfinished line, or the first bytes while a BOM may be coming
  bool started_ = false;  // the byte-order mark is decided
  bool stopped_ = false;
};

// The same on bytes already in memory (standard input, tests).
ReadOutcome ParseSubtitleText(std::string_view bytes);

// Splits bytes into lines (CR LF or LF), calling fn(line) for each; returns
// false when fn asks to stop by returning false. A CR without an LF after it,
// also at the very end, is part of its line.
template <typename Fn>
bool ForEachLine(std::string_view bytes, Fn&& fn) {
  size_t start = 0;
  while (start < bytes.size()) {
    size_t nl = bytes.find('\n', start);
    size_t end = nl == std::string_view::npos ? bytes.size() : nl;
    size_t len = end - start;
    if (nl != std::string_view::npos && len > 0 && bytes[end - 1] == '\r') --len;
    if (!fn(bytes.substr(start, len))) return false;
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return true;
}

// The subtitle lines of whole lines of a SubtitleLinesStart's rest, each to fn.
template <typename Fn>
void ForEachSubtitleLineOf(std::string_view lines, Fn&& fn) {
  ForEachLine(lines, [&](std::string_view line) {
    if (!line.empty() && line.front() == '{') fn(line);
    return true;
  });
}

// Writes lines to path, each followed by CR LF, bytes as held. When selection
// is given, only rows whose flag is set are written. The file is replaced as
// WriteFileStreamed does, so a failed save leaves the old file intact. Throws
// Error.
void WriteSubtitleFile(const std::string& path, LineSpan lines,
                       const std::vector<char>* selection = nullptr,
                       const ProgressFn& progress = {});

// The bytes WriteSubtitleFile would write.
std::string ComposeFileBytes(LineSpan lines, const std::vector<char>* selection = nullptr);

// Whether bytes are valid UTF-8.
bool IsValidUtf8(std::string_view bytes);

}  // namespace velorin
