// The SRT and time-code readers and the SRT writer: any bytes either convert
// or stop with ConversionError on a line of the file; every converted line
// is a subtitle line whose frames read back; the SRT written for them is SRT
// and converts again (unless a text holds what reads as a time line). The
// SRT reader finds the same blocks whatever the line ends (LF, CR LF,
// CR CR LF, bare CR) and in UTF-16 of either byte order.
#include <algorithm>

#include "convert/srt_export.h"
#include "convert/srt_import.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "../utf16_bytes.h"
#include "fuzz_support.h"

using namespace velorin;

namespace {

std::string Replaced(std::string_view bytes, char from, std::string_view to) {
  std::string out;
  for (char c : bytes) {
    if (c == from)
      out += to;
    else
      out += c;
  }
  return out;
}

// Whether a piece of some subtitle's text reads as an SRT time line once
// written as SRT (display lines apart, CR ending a line): read again, it
// starts a block of its own, whose times may be too large.
bool HoldsTimeLine(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    std::string_view rest = line;
    for (size_t end; !rest.empty(); rest.remove_prefix(end == rest.size() ? end : end + 1)) {
      end = std::min(rest.find_first_of("|\r\n"), rest.size());
      // Any arrow: where the shape reading still decides, a line with one
      // after a counter is taken for times even when they cannot be read.
      const std::string_view piece = rest.substr(0, end);
      if (IsSrtTimeLine(piece) || piece.find("-->") != std::string_view::npos) return true;
    }
  }
  return false;
}

// The lines of a conversion, or nothing when it stopped on a number.
std::optional<std::vector<std::string>> SrtLines(std::string_view bytes) {
  try {
    return ConvertSrt(bytes, FrameRate(25000)).lines;
  } catch (const ConversionError&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)IsSrtText(bytes);
  for (const FrameRate rate : {FrameRate(23976), FrameRate(25000), FrameRate(30000)}) {
    for (bool srt : {true, false}) {
      ConvertedDocument doc;
      try {
        doc = srt ? ConvertSrt(bytes, rate) : ConvertTimeCodeLines(bytes, rate);
      } catch (const ConversionError& e) {
        FUZZ_CHECK(e.Line() > 0);
        fuzz::CheckMessage(e);
        continue;
      }
      for (const std::string& line : doc.lines) {
        FUZZ_CHECK(!line.empty() && line[0] == '{');
        const SubtitleFields f = ParseSubtitleLine(line);  // must not throw
        FUZZ_CHECK(f.first >= 0 && f.second >= 0);
      }
      const std::string srtBytes = ComposeSrtBytes(doc.lines, rate);
      if (doc.lines.empty()) continue;
      FUZZ_CHECK(!srtBytes.empty());
      FUZZ_CHECK(IsSrtText(srtBytes));
      try {
        (void)ConvertSrt(srtBytes, rate);
      } catch (const ConversionError& e) {
        FUZZ_CHECK(HoldsTimeLine(doc.lines) && "the SRT the program writes converts again");
      }
    }
  }

  // Line ends and UTF-16 change nothing of what the blocks are. Only for
  // small inputs of one kind of line end: the variants are converted again.
  if (size > 4096 || bytes.find('\r') != std::string_view::npos || bytes.starts_with("\xFE") ||
      bytes.starts_with("\xFF"))
    return 0;
  const auto lines = SrtLines(bytes);
  // A conversion that stops stops on the same line in every form; only the
  // finished ones are compared.
  if (!lines) return 0;
  for (std::string_view end : {"\r\n", "\r", "\r\r\n"}) {
    const auto other = SrtLines(Replaced(bytes, '\n', end));
    FUZZ_CHECK(other && *other == *lines);
  }
  if (IsValidUtf8(bytes) && !bytes.starts_with("\xEF\xBB\xBF")) {
    for (bool bigEndian : {false, true}) {
      const auto other = SrtLines(test::Utf16Bytes(bytes, bigEndian));
      FUZZ_CHECK(other && *other == *lines);
    }
  }
  return 0;
}
