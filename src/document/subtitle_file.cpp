#include "document/subtitle_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "document/ascii.h"
#include "document/error.h"
#include "document/progress.h"

namespace velorin {

namespace {

constexpr size_t kChunk = 1 << 20;

enum class LineRole { Skip, Subtitle, Stop };

// What a line is to the reader: empty and '[' lines are passed over anywhere,
// '{' lines are subtitles, and any other line stops the reading when no
// subtitle came before it and is passed over after one.
LineRole RoleOf(std::string_view line, bool subtitleSeen) {
  if (line.empty() || line.front() == '[') return LineRole::Skip;
  if (line.front() == '{') return LineRole::Subtitle;
  return subtitleSeen ? LineRole::Skip : LineRole::Stop;
}

}  // namespace

bool SubtitleLineReader::Sorter::Take(std::string_view line) {
  const LineRole role = RoleOf(line, kept_ > 0);
  // The line that stops the reading is not looked at further: a reader
  // stops at its first byte.
  if (role != LineRole::Stop && utf8_ && !IsValidUtf8(line)) utf8_ = false;
  switch (role) {
    case LineRole::Skip:
      return true;
    case LineRole::Subtitle:
      if (sink_)
        (*sink_)(line);
      else
        out_.lines.push_back(line);
      ++kept_;
      return true;
    case LineRole::Stop:
      out_.kind = ReadKind::NotSubtitleFile;
      return false;
  }
  return true;
}

bool SubtitleLineReader::Sorter::MayTake(std::string_view lineStart) {
  // A lone CR may still be the start of an empty line's CR LF.
  if (lineStart.empty() || lineStart == "\r") return true;
  if (RoleOf(lineStart, kept_ > 0) != LineRole::Stop) return true;
  out_.kind = ReadKind::NotSubtitleFile;
  return false;
}

ReadOutcome SubtitleLineReader::Sorter::Finish() {
  if (out_.kind != ReadKind::NotSubtitleFile)
    out_.kind = kept_ == 0 ? ReadKind::NoSubtitles : ReadKind::Loaded;
  out_.utf8 = utf8_;
  return std::move(out_);
}

bool SubtitleLineReader::Feed(std::string_view piece) {
  if (stopped_) return false;
  if (utf16_) {
    decoded_.clear();
    utf16_->Feed(piece, decoded_);
    return Take(DecodedPiece());
  }
  if (started_) return Take(piece);
  // The byte-order mark may come in pieces too: hold the first bytes until
  // they are either the whole mark or something else.
  carry_.append(piece);
  if (carry_.size() < kUtf8Bom.size() && kUtf8Bom.starts_with(carry_)) return true;
  if (carry_.size() < 2 && (carry_ == "\xFF" || carry_ == "\xFE")) return true;
  started_ = true;
  const std::string first = std::move(carry_);
  carry_.clear();
  if (const Utf16Order order = Utf16OrderOf(first); order != Utf16Order::None) {
    utf16_.emplace(order);
    return Feed(first);
  }
  return Take(SkipUtf8Bom(first));
}

// A U+FEFF right after the UTF-16 mark decodes to a UTF-8 mark, which the
// whole-text readers skip as they skip any: so does the piecewise one.
std::string_view SubtitleLineReader::DecodedPiece() {
  std::string_view piece(decoded_);
  if (!decodedBegun_ && !piece.empty()) {
    decodedBegun_ = true;
    piece = SkipUtf8Bom(piece);
  }
  return piece;
}

bool SubtitleLineReader::DecideCarried() {
  stopped_ = !sorter_.MayTake(carry_);
  return !stopped_;
}

bool SubtitleLineReader::Take(std::string_view chunk) {
  const size_t lastNl = chunk.rfind('\n');
  if (lastNl == std::string_view::npos) {
    carry_.append(chunk);
    return DecideCarried();
  }
  std::string_view head = chunk.substr(0, lastNl + 1);
  if (!carry_.empty()) {
    const size_t nl = head.find('\n');
    carry_.append(head.substr(0, nl + 1));
    head.remove_prefix(nl + 1);
    std::string_view line(carry_);
    line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    stopped_ = !sorter_.Take(line);
    carry_.clear();
  }
  // head ends with '\n': ForEachLine sees every line it holds.
  if (!stopped_)
    stopped_ = !ForEachLine(head, [&](std::string_view line) { return sorter_.Take(line); });
  if (!stopped_) carry_.assign(chunk.substr(lastNl + 1));
  return !stopped_ && DecideCarried();
}

ReadOutcome SubtitleLineReader::Finish() {
  if (utf16_ && !stopped_) {
    decoded_.clear();
    utf16_->Finish(decoded_);
    Take(DecodedPiece());
  }
  if (!stopped_) {
    // The last line without a line end (or fewer bytes than a byte-order
    // mark, all of them its first ones).
    if (!carry_.empty()) sorter_.Take(carry_);
  }
  carry_.clear();
  ReadOutcome out = sorter_.Finish();
  out.utf16 = utf16_.has_value();
  return out;
}

bool IsValidUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    // Fast path over ASCII, eight bytes at a time, straight to the first
    // byte that is not (the lowest address is the lowest byte of the word).
    while (end - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      if (const uint64_t high = w & 0x8080808080808080ULL) {
        if constexpr (std::endian::native == std::endian::little) p += std::countr_zero(high) / 8;
        break;
      }
      p += 8;
    }
    if (p >= end) break;
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    // Two bytes, most letters with accents: a lead byte C2-DF (C0 and C1
    // would be overlong) and one continuation byte.
    if (c >= 0xC2 && c <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
      p += 2;
      continue;
    }
    int len;
    uint32_t cp;
    if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (end - p < len) return false;
    for (int i = 1; i < len; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    p += len;
  }
  return true;
}

ReadOutcome ScanSubtitleText(std::string_view bytes, const LineSink& sink) {
  const TextBytes text(bytes);
  SubtitleLineReader::Sorter sorter(&sink);
  ForEachLine(SkipUtf8Bom(text.View()), [&](std::string_view line) { return sorter.Take(line); });
  ReadOutcome out = sorter.Finish();
  out.utf16 = text.FromUtf16();
  return out;
}

ReadOutcome ParseSubtitleText(std::string_view bytes) {
  const TextBytes text(bytes);
  SubtitleLineReader::Sorter sorter;
  ForEachLine(SkipUtf8Bom(text.View()), [&](std::string_view line) { return sorter.Take(line); });
  ReadOutcome out = sorter.Finish();
  out.utf16 = text.FromUtf16();
  return out;
}

namespace {

// The subtitle lines of bytes, in order, to take; returns the outcome's kind.
template <typename Take>
ReadKind SortLines(std::string_view bytes, const Take& take) {
  const SubtitleLinesStart start = FindFirstSubtitleLine(bytes);
  ForEachSubtitleLineOf(start.rest, take);
  return start.kind;
}

}  // namespace

SubtitleLinesStart FindFirstSubtitleLine(std::string_view bytes) {
  SubtitleLinesStart out;
  const std::string_view text = SkipUtf8Bom(bytes);
  ForEachLine(text, [&](std::string_view line) {
    switch (RoleOf(line, false)) {
      case LineRole::Skip:
        return true;
      case LineRole::Subtitle:
        out = {ReadKind::Loaded, text.substr(static_cast<size_t>(line.data() - text.data()))};
        return false;
      case LineRole::Stop:
        out.kind = ReadKind::NotSubtitleFile;
        return false;
    }
    return true;
  });
  return out;
}

SubtitleText IndexSubtitleText(std::string bytes) {
  return IndexSubtitleText(std::make_unique<FileBytes>(FileBytes::Held{std::move(bytes)}));
}

SubtitleText IndexSubtitleText(std::unique_ptr<FileBytes> bytes) {
  // UTF-16 is read as its UTF-8 decoding.
  if (Utf16OrderOf(bytes->View()) != Utf16Order::None)
    bytes = std::make_unique<FileBytes>(FileBytes::Held{Utf16ToUtf8(bytes->View())});
  SubtitleText out;
  out.bytes = std::move(bytes);
  out.kind = SortLines(out.bytes->View(), [&](std::string_view line) {
    if (out.count++ == 0) out.first = line;
    out.last = line;
  });
  return out;
}

void SubtitleText::ForEachLine(const LineSink& sink) const {
  if (kind == ReadKind::Loaded) SortLines(bytes->View(), sink);
}

ReadKind ForEachSubtitleLine(std::string_view bytes, const LineSink& sink) {
  return SortLines(bytes, sink);
}

ReadKind PeekSubtitleKind(std::string_view bytes) {
  const TextBytes text(bytes);
  return FindFirstSubtitleLine(text.View()).kind;
}

namespace {

ReadOutcome ReadInChunks(const std::string& path, const ProgressFn& progress,
                         const LineSink* sink) {
  InputFile file(path);
  SubtitleLineReader reader(sink);
  // A regular file is mapped and taken a megabyte at a time, each piece's
  // pages given back once its lines are kept: the lines are copied, so a
  // later change of the file on disk never reaches the document.
  FileBytes mapped(file, path);
  if (mapped.Mapped()) {
    const std::string_view bytes = mapped.View();
    const size_t total = bytes.size();
    for (size_t done = 0; done < total;) {
      const size_t n = std::min(kChunk, total - done);
      const bool more = reader.Feed(bytes.substr(done, n));
      done += n;
      mapped.Release(done);
      if (progress) progress(done, total);
      if (!more) break;
    }
    ReadOutcome out = reader.Finish();
    mapped.Check();
    return out;
  }
  // A pipe, read as it comes.
  const size_t total = static_cast<size_t>(file.Size());
  auto buf = std::make_unique<char[]>(kChunk);
  size_t done = 0;
  while (const size_t n = file.Read(buf.get(), kChunk)) {
    done += n;
    const bool more = reader.Feed(std::string_view(buf.get(), n));
    if (progress) progress(done, std::max(done, total));
    if (!more) break;
  }
  return reader.Finish();
}

}  // namespace

ReadOutcome ReadSubtitleLines(const std::string& path, const ProgressFn& progress) {
  return ReadInChunks(path, progress, nullptr);
}

ReadOutcome ScanSubtitleLines(const std::string& path, const LineSink& sink) {
  return ReadInChunks(path, {}, &sink);
}

std::string ComposeFileBytes(LineSpan lines, const std::vector<char>* selection) {
  size_t size = 0;
  for (size_t i = 0; i < lines.size(); ++i)
    if (!selection || (*selection)[i]) size += lines[i].size() + 2;
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (selection && !(*selection)[i]) continue;
    out += lines[i];
    out += "\r\n";
  }
  return out;
}

void WriteSubtitleFile(const std::string& path, LineSpan lines, const std::vector<char>* selection,
                       const ProgressFn& progress) {
  WriteFileStreamed(path, [&](const ByteSink& append) {
    std::string buf;
    buf.reserve(kChunk + 4096);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (selection && !(*selection)[i]) continue;
      buf += lines[i];
      buf += "\r\n";
      if (buf.size() >= kChunk) {
        append(buf);
        buf.clear();
      }
      ReportProgress(progress, i, lines.size());
    }
    append(buf);
    if (progress) progress(lines.size(), lines.size());
  });
}

}  // namespace velorin
