#include "sync/retiming.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cfenv>
#include <cmath>
#include <limits>

#include "document/ascii.h"
#include "document/error.h"
#include "document/progress.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"

namespace velorin {

namespace {

constexpr long double kMaxFrame = std::numeric_limits<int32_t>::max();

// Writes a frame that fits 32 bits as digits at p; returns the end. The whole
// number goes through a double, exact for it: a long double converted to an
// integer directly switches the x87 rounding mode twice, which stalls the
// pipeline and made this a tenth of a million-row recalculation.
char* PutFrame(char* p, long double frame) {
  return std::to_chars(p, p + 10, static_cast<uint32_t>(static_cast<double>(frame))).ptr;
}

}  // namespace

RetimingValues ComputeRetiming(int32_t firstOld, int32_t lastOld, int32_t firstNew,
                               int32_t lastNew) {
  RetimingValues out;
  if (!(firstOld < lastOld && firstNew < lastNew)) return out;
  int64_t oldSpan = int64_t{lastOld} - firstOld;
  int64_t newSpan = int64_t{lastNew} - firstNew;
  out.scale = static_cast<double>(newSpan) / static_cast<double>(oldSpan);
  out.offset = static_cast<double>(static_cast<long double>(firstNew) -
                                   static_cast<long double>(firstOld) * out.scale);
  out.success = true;
  return out;
}

std::string FormatDecimal(double value) {
  if (value == 0) return "0";  // also -0
  // Fifteen digits of the largest doubles round up past the largest double,
  // a text ParseDecimal rightly rejects: those are written as the largest
  // fifteen-digit number below it.
  constexpr double kLargest15 = 1.79769313486231e308;
  if (std::fabs(value) > kLargest15) value = std::copysign(kLargest15, value);
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string raw(buf, end);
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '.') {
      out.push_back(',');
    } else if (c == 'e') {
      out.push_back('E');
      size_t j = i + 1;
      if (raw[j] == '+') {
        ++j;
      } else if (raw[j] == '-') {
        out.push_back('-');
        ++j;
      }
      while (j + 1 < raw.size() && raw[j] == '0') ++j;
      out.append(raw, j);
      break;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::optional<double> ParseDecimal(std::string_view text) {
  text = TrimBlanks(text);
  std::string plain;  // the same number as from_chars reads it
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain.push_back('-');
    ++i;
  }
  // from_chars wants digits on both sides of the point: "5," and ",5" get a 0.
  int intDigits = 0, fracDigits = 0;
  for (; i < text.size() && IsAsciiDigit(text[i]); ++i, ++intDigits) plain.push_back(text[i]);
  if (intDigits == 0) plain.push_back('0');
  if (i < text.size() && text[i] == ',') {
    plain.push_back('.');
    for (++i; i < text.size() && IsAsciiDigit(text[i]); ++i, ++fracDigits) plain.push_back(text[i]);
    if (fracDigits == 0) plain.push_back('0');
  }
  if (intDigits + fracDigits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    plain.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain.push_back(text[i++]);
    int expDigits = 0;
    for (; i < text.size() && IsAsciiDigit(text[i]); ++i, ++expDigits) plain.push_back(text[i]);
    if (expDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  double value = 0;
  auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec != std::errc() || ptr != plain.data() + plain.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

namespace {

// The bodies of RoundHalfEven and RetimeFrame, inlined into the loops over
// every frame: a long double that crosses a call goes through memory, and
// those stores and reloads made a recalculation up to twice as slow,
// depending on where the linker happened to put the code.
inline long double RoundHalfEvenInline(long double value, bool nearest = false) {
  // In the usual rounding mode, to nearest with ties to even, rint is the
  // rounding wanted, one instruction.
  if (nearest) return std::rint(value);
  // nearbyint rounds in the current mode, which is to nearest with ties to
  // even unless someone changed it; do it by hand to be independent of that.
  // Within 64 bits the floor comes from a conversion, much cheaper than
  // floorl in a loop over every frame of a document.
  if (std::fabs(value) < 0x1p62L) {
    auto whole = static_cast<int64_t>(value);  // towards zero
    if (static_cast<long double>(whole) > value) --whole;
    const long double lower = static_cast<long double>(whole);
    const long double diff = value - lower;
    if (diff < 0.5L) return lower;
    if (diff > 0.5L) return lower + 1;
    return whole % 2 == 0 ? lower : lower + 1;
  }
  long double lower = std::floor(value);
  long double diff = value - lower;
  if (diff < 0.5L) return lower;
  if (diff > 0.5L) return lower + 1;
  return std::fmod(lower, 2.0L) == 0 ? lower : lower + 1;
}

inline long double RetimeFrameInline(int32_t frame, long double offset, double scale,
                                     bool nearest = false) {
  long double r = RoundHalfEvenInline(static_cast<long double>(frame) * scale + offset, nearest);
  return r < 0 ? 0 : r;
}

}  // namespace

long double RoundHalfEven(long double value) { return RoundHalfEvenInline(value); }

long double RetimeFrame(int32_t frame, long double offset, double scale) {
  return RetimeFrameInline(frame, offset, scale);
}

bool AppendRetimedLine(std::string& out, std::string_view line, long double offset, double scale) {
  SubtitleLineView view(line);
  const bool nearest = std::fegetround() == FE_TONEAREST;
  const long double first = RetimeFrameInline(view.First(), offset, scale, nearest);
  const long double second = RetimeFrameInline(view.Second(), offset, scale, nearest);
  if (first > kMaxFrame || second > kMaxFrame) return false;
  char head[32];
  char* p = head;
  *p++ = '{';
  p = PutFrame(p, first);
  *p++ = '}';
  *p++ = '{';
  if (second >= first) p = PutFrame(p, second);
  *p++ = '}';
  out.append(head, static_cast<size_t>(p - head));
  out.append(view.Text());
  return true;
}

std::optional<std::string> RetimeLine(std::string_view line, long double offset, double scale) {
  std::string out;
  out.reserve(SubtitleLineView(line).Text().size() + 24);
  if (!AppendRetimedLine(out, line, offset, scale)) return std::nullopt;
  return out;
}

RecalcValues ParseRecalcFields(std::string_view offsetText, std::string_view scaleText) {
  auto offsetValue = ParseDecimal(offsetText);
  if (!offsetValue) return {RecalcStatus::BadOffset};
  auto scale = ParseDecimal(scaleText);
  if (!scale) return {RecalcStatus::BadScale};
  return {RecalcStatus::Done, RoundHalfEven(*offsetValue), *scale};
}

namespace {

// Whether every result of the rows taking part fits 32 bits. A linear map
// takes its extremes at the smallest and largest frame, so checking those two
// is enough.
class FrameRange {
 public:
  // Throws Error when a frame of the line cannot be read.
  void Take(std::string_view line) {
    const SubtitleLineView view(line);
    const int32_t first = view.First(), second = view.Second();
    if (!any_) lowest_ = highest_ = first, any_ = true;
    lowest_ = std::min({lowest_, first, second});
    highest_ = std::max({highest_, first, second});
  }
  bool ResultsFit(const RecalcValues& v) const {
    return !any_ || (RetimeFrame(lowest_, v.offset, v.scale) <= kMaxFrame &&
                     RetimeFrame(highest_, v.offset, v.scale) <= kMaxFrame);
  }

 private:
  bool any_ = false;
  int32_t lowest_ = 0, highest_ = 0;
};

// Reports progress as the first half of total.
bool ResultsFit(const SubtitleList& doc, const RecalcValues& v, bool selectedOnly,
                const ProgressFn& progress, size_t total) {
  FrameRange range;
  for (int i = 0; i < doc.Count(); ++i) {
    ReportProgress(progress, static_cast<size_t>(i), total);
    if (!selectedOnly || doc.Selected(i)) range.Take(doc.Line(i));
  }
  return range.ResultsFit(v);
}

}  // namespace

RecalcStatus CheckRecalculatedLines(const LineSource& lines, const std::vector<char>* selection,
                                    std::string_view offsetText, std::string_view scaleText) {
  RecalcValues v = ParseRecalcFields(offsetText, scaleText);
  if (v.status != RecalcStatus::Done) return v.status;
  FrameRange range;
  size_t row = 0;
  lines([&](std::string_view line) {
    if (!selection || (*selection)[row]) range.Take(line);
    ++row;
  });
  return range.ResultsFit(v) ? RecalcStatus::Done : RecalcStatus::TooLarge;
}

RecalcStatus CheckRecalculation(const SubtitleList& doc, std::string_view offsetText,
                                std::string_view scaleText, bool selectedOnly) {
  RecalcValues v = ParseRecalcFields(offsetText, scaleText);
  if (v.status != RecalcStatus::Done) return v.status;
  return ResultsFit(doc, v, selectedOnly, {}, 0) ? RecalcStatus::Done : RecalcStatus::TooLarge;
}

RecalcStatus RecalculateFrames(SubtitleList& doc, std::string_view offsetText,
                               std::string_view scaleText, bool selectedOnly,
                               const ProgressFn& progress) {
  RecalcValues v = ParseRecalcFields(offsetText, scaleText);
  if (v.status != RecalcStatus::Done) return v.status;
  const int count = doc.Count();
  const size_t total = static_cast<size_t>(count) * 2;
  if (!ResultsFit(doc, v, selectedOnly, progress, total)) return RecalcStatus::TooLarge;

  std::string line;
  for (int i = 0; i < count; ++i) {
    ReportProgress(progress, static_cast<size_t>(i), total, static_cast<size_t>(count));
    if (selectedOnly && !doc.Selected(i)) continue;
    line.clear();
    AppendRetimedLine(line, doc.Line(i), v.offset, v.scale);  // fits: checked above
    doc.Replace(i, line);
  }
  if (progress) progress(total, total);
  return RecalcStatus::Done;
}

RecalcStatus WriteRecalculatedLines(const LineSource& lines, const std::vector<char>* selection,
                                    std::string_view offsetText, std::string_view scaleText,
                                    const ByteSink& append) {
  RecalcValues v = ParseRecalcFields(offsetText, scaleText);
  if (v.status != RecalcStatus::Done) return v.status;
  constexpr size_t kPiece = size_t{256} << 10;  // stays in cache between flushes
  std::string buf;
  buf.reserve(kPiece + 4096);
  bool fits = true;
  size_t row = 0;
  lines([&](std::string_view line) {
    const bool part = !selection || (*selection)[row++];
    if (!fits) {
      // Only read on: a frame too large to read still throws.
      if (part) FrameRange().Take(line);
      return;
    }
    if (!part) {
      buf.append(line);
    } else if (!AppendRetimedLine(buf, line, v.offset, v.scale)) {
      fits = false;
      return;
    }
    buf.append("\r\n");
    if (buf.size() >= kPiece) {
      append(buf);
      buf.clear();
    }
  });
  if (!fits) return RecalcStatus::TooLarge;
  append(buf);
  return RecalcStatus::Done;
}

std::string ExtractFirstFrameDigits(std::string_view line) {
  if (line.size() < 2) return {};
  return ReadFrameField(line, 1).Digits();
}

SyncBounds ScanSyncBounds(std::string_view raw) {
  SyncBounds out;
  const TextBytes text(raw);
  const std::string_view bytes = SkipUtf8Bom(text.View());
  std::string_view last;
  ForEachLine(bytes, [&](std::string_view line) {
    last = line;
    if (!out.found) {
      if (line.empty() || line.front() == '[') return true;
      if (line.front() != '{') {
        out.nonStandard = true;
        return false;
      }
      out.found = true;
      out.first = ExtractFirstFrameDigits(line);
    }
    return true;
  });
  // E4 is the final line's, whatever it holds, also when no subtitle line
  // was found.
  if (!out.nonStandard) out.last = ExtractFirstFrameDigits(last);
  return out;
}

SyncBounds ReadSyncBounds(const std::string& path) { return ScanSyncBounds(ReadFileBytes(path)); }

}  // namespace velorin
