#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/subtitle_list.h"

namespace velorin {

// What reading a file as a frame-based subtitle file found.
enum class ReadKind {
  Loaded,           // at least one subtitle line
  NoSubtitles,      // nothing but empty and '[' lines
  NotSubtitleFile,  // the first significant line is something else: convert it
};

struct ReadOutcome {
  ReadKind kind = ReadKind::NoSubtitles;
  std::vector<std::string> lines;  // the '{' lines exactly as read
  bool utf8 = true;                // the whole file is valid UTF-8
};

// Reads the subtitle lines of a file: every line whose first byte is '{', in
// file order; empty lines and '[' lines are skipped anywhere; any other line
// stops the read when it comes first and is dropped after a subtitle line.
// CR LF and LF end a line; a UTF-8 byte-order mark at the start is ignored.
// Throws Error when the file cannot be opened or read.
ReadOutcome ReadSubtitleLines(const std::string& path, const ProgressFn& progress = {});

// The same on bytes already in memory (standard input, tests).
ReadOutcome ParseSubtitleText(std::string_view bytes);

// Splits bytes into lines (CR LF or LF), calling fn(line) for each; returns
// false when fn asks to stop by returning false.
template <typename Fn>
bool ForEachLine(std::string_view bytes, Fn&& fn) {
  size_t start = 0;
  while (start < bytes.size()) {
    size_t nl = bytes.find('\n', start);
    size_t end = nl == std::string_view::npos ? bytes.size() : nl;
    size_t len = end - start;
    if (len > 0 && bytes[end - 1] == '\r') --len;
    if (!fn(bytes.substr(start, len))) return false;
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return true;
}

// Writes lines to path, each followed by CR LF, bytes as held. When selection
// is given, only rows whose flag is set are written. The data goes to a
// temporary file in the same folder that replaces the target only when every
// byte is on disk, so a failed save leaves the old file intact. Throws Error.
void WriteSubtitleFile(const std::string& path, const std::vector<std::string>& lines,
                       const std::vector<char>* selection = nullptr,
                       const ProgressFn& progress = {});

// The bytes WriteSubtitleFile would write.
std::string ComposeFileBytes(const std::vector<std::string>& lines,
                             const std::vector<char>* selection = nullptr);

// Replaces path's content with bytes the same safe way.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The same for content produced piece by piece: fill calls the sink with the
// bytes in order, any number of times. When fill throws, the old file stays.
using ByteSink = std::function<void(std::string_view bytes)>;
void WriteFileStreamed(const std::string& path, const std::function<void(const ByteSink&)>& fill);

// The whole content of a file. Throws Error when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Whether bytes are valid UTF-8.
bool IsValidUtf8(std::string_view bytes);

}  // namespace velorin
