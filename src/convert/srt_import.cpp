#include "convert/srt_import.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <climits>
#include <optional>

#include "document/subtitle_file.h"
#include "document/utf16.h"

namespace velorin {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Empty, or nothing but blanks and tabs: ends an SRT block.
bool IsBlankLine(std::string_view line) {
  for (char c : line)
    if (!IsBlank(c)) return false;
  return true;
}

std::string_view SkipBom(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return bytes;
}

void CheckRate(FrameRate rate) {
  if (rate.Thousandths() <= 0 || rate.Thousandths() > FrameRate::kMaxThousandths)
    throw Error("Invalid frame rate: " + std::to_string(rate.Thousandths()) + " thousandths");
}

// The digits of one number field. Like the frame fields of a subtitle line it
// starts as "0", so an empty field is 0; a value above 2147483647 is the
// invalid-number error, quoted with the digits as they stood.
class NumberField {
 public:
  void Add(char c) {
    digits_.push_back(c);
    if (value_ <= INT32_MAX) value_ = value_ * 10 + (c - '0');
  }
  int64_t Value() const {
    if (value_ > INT32_MAX) ThrowInvalidInteger(digits_);
    return value_;
  }
  bool Empty() const { return digits_.size() == 1; }
  // The digits after the leading "0": a fraction's decimals.
  std::string_view Decimals() const { return std::string_view(digits_).substr(1); }

 private:
  std::string digits_ = "0";
  int64_t value_ = 0;
};

// (whole + 0.decimals) seconds x rate, in thousandths of a frame rounded down.
// The decimals are folded in from the last: floor((q + d x rate) / 10) keeps
// floor(0.d... x rate) exact whatever their number, and that floor is all
// the frame rule needs, since whole x rate is a whole number of thousandths.
FrameValue ExactFrameValue(int64_t wholeSeconds, std::string_view decimals, int32_t rate) {
  int64_t part = 0;
  for (auto it = decimals.rbegin(); it != decimals.rend(); ++it)
    part = (part + (*it - '0') * int64_t{rate}) / 10;
  // Fields are below 2^31, so wholeSeconds < 3661 x 2^31 and the product stays
  // below 2^63 for rates up to FrameRate::kMaxThousandths.
  return wholeSeconds * rate + part;
}

FrameValue TimeValue(const NumberField& h, const NumberField& m, const NumberField& s,
                     std::string_view decimals, int32_t rate) {
  return ExactFrameValue(h.Value() * 3600 + m.Value() * 60 + s.Value(), decimals, rate);
}

// Whether a line decides the text test: at least four characters, not a
// '[' line and not only blanks.
bool DecidesSrtTest(std::string_view line) {
  return line.size() >= 4 && line.front() != '[' && !IsBlankLine(line);
}

// Calls fn(line, number) for every line (1-based numbers, byte-order mark
// skipped) and reports progress by bytes every so many lines.
template <typename Fn>
void ForEachNumberedLine(std::string_view bytes, const ProgressFn& progress, Fn&& fn) {
  std::string_view text = SkipBom(bytes);
  const size_t skipped = bytes.size() - text.size();
  size_t number = 0;
  ForEachLine(text, [&](std::string_view line) {
    ++number;
    fn(line, number);
    if (progress && number % kProgressStride == 0)
      progress(skipped + static_cast<size_t>(line.data() - text.data()), bytes.size());
    return true;
  });
  if (progress) progress(bytes.size(), bytes.size());
}

// Runs one step of a conversion, giving an error the line it stopped on.
template <typename Fn>
void AtLine(size_t line, Fn&& fn) {
  try {
    fn();
  } catch (const ConversionError&) {
    throw;
  } catch (const Error& e) {
    throw ConversionError(e.what(), line);
  }
}

}  // namespace

namespace {

// FrameFieldText written into buf (room for 11 characters); returns its end.
char* PutFrameField(char* buf, FrameValue value) {
  if (value < 500) return buf;
  int64_t frame = value / 1000;
  if (frame > INT32_MAX) ThrowInvalidInteger(std::to_string(frame));
  return std::to_chars(buf, buf + 16, frame).ptr;
}

}  // namespace

std::string FrameFieldText(FrameValue value) {
  char buf[16];
  return std::string(buf, PutFrameField(buf, value));
}

bool IsSrtText(std::string_view bytes) {
  const TextBytes decoded(bytes);
  std::string_view last;
  ForEachLine(SkipBom(decoded.View()), [&](std::string_view line) {
    last = line;
    return !DecidesSrtTest(line);
  });
  return last.find("-->") != std::string_view::npos;
}

bool HasSrtExtension(std::string_view path) {
  auto dot = path.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string ext(path.substr(dot));
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return ext == ".SRT";
}

bool IsSrtFile(const std::string& path) {
  if (HasSrtExtension(path)) return true;
  InputFile file(path);
  // Reads until a complete deciding line is in, usually the first few lines.
  std::string head;
  size_t scanned = 0;  // start of the first line not yet looked at
  char buf[1 << 16];
  std::optional<Utf16Decoder> utf16;  // UTF-16 is looked at as its UTF-8
  bool first = true;
  while (const size_t n = file.Read(buf, sizeof buf)) {
    // A line end can only be in what just arrived.
    size_t searchFrom = head.size();
    const std::string_view piece(buf, n);
    if (first && Utf16OrderOf(piece) != Utf16Order::None) utf16.emplace(Utf16OrderOf(piece));
    first = false;
    if (utf16)
      utf16->Feed(piece, head);
    else
      head.append(piece);
    bool decided = false;
    for (size_t nl; !decided && (nl = head.find('\n', searchFrom)) != std::string::npos;
         scanned = searchFrom = nl + 1) {
      std::string_view line(head.data() + scanned, nl - scanned);
      if (scanned == 0) line = SkipBom(line);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      decided = DecidesSrtTest(line);
    }
    if (decided) break;
  }
  // The text test stops at the same complete line; a partial line after it
  // is never looked at.
  return IsSrtText(head);
}

namespace {

// Two digits at s as a number, or -1 when either is not a digit.
int TwoDigits(const char* s) {
  return IsDigit(s[0]) && IsDigit(s[1]) ? (s[0] - '0') * 10 + (s[1] - '0') : -1;
}

// "H:MM:SS,mmm" (one to nine digits of hours, ',' or '.') from p: its value
// in thousandths of a frame, and p moved past it; nothing when the text at
// p has another shape.
std::optional<FrameValue> CanonicalTimeValue(const char*& p, const char* end, int32_t rate) {
  int64_t hours = 0;
  const char* const start = p;
  const char* s = p;
  while (s < end && IsDigit(*s) && s - start < 9) hours = hours * 10 + (*s++ - '0');
  if (s == start || end - s < 10) return std::nullopt;
  const int m = TwoDigits(s + 1), sec = TwoDigits(s + 4);
  if (m < 0 || sec < 0 || s[0] != ':' || s[3] != ':' || (s[6] != ',' && s[6] != '.') ||
      !IsDigit(s[7]) || !IsDigit(s[8]) || !IsDigit(s[9]))
    return std::nullopt;
  const int millis = (s[7] - '0') * 100 + (s[8] - '0') * 10 + (s[9] - '0');
  p = s + 10;
  // floor(0.mmm x rate), what ExactFrameValue makes of three decimals.
  return (hours * 3600 + m * 60 + sec) * rate + int64_t{millis} * rate / 1000;
}

// The times of a line written as nearly every SRT file writes them,
// "HH:MM:SS,mmm --> HH:MM:SS,mmm" with nothing or a non-digit after it;
// nothing for any other shape, which the general reading below takes.
std::optional<ConvertedTimes> CanonicalSrtTimes(std::string_view line, int32_t rate) {
  const char* p = line.data();
  const char* const end = p + line.size();
  const std::optional<FrameValue> start = CanonicalTimeValue(p, end, rate);
  if (!start || end - p < 5 || std::string_view(p, 5) != " --> ") return std::nullopt;
  p += 5;
  const std::optional<FrameValue> stop = CanonicalTimeValue(p, end, rate);
  if (!stop || (p < end && IsDigit(*p))) return std::nullopt;
  return ConvertedTimes{*start, *stop};
}

}  // namespace

ConvertedTimes ParseSrtTimes(std::string_view timeLine, FrameRate rate) {
  CheckRate(rate);
  if (const std::optional<ConvertedTimes> quick = CanonicalSrtTimes(timeLine, rate.Thousandths()))
    return *quick;
  enum { kHours, kMinutes, kSeconds, kFraction, kSurplus };
  NumberField fields[2][4];
  int time = 0;
  int field = kHours;
  for (size_t i = 0; i < timeLine.size(); ++i) {
    char c = timeLine[i];
    // Whatever follows the end time (coordinates such as "X1:100 X2:600",
    // stray text) is not part of it.
    if (time == 1 && !fields[1][kFraction].Empty() && !IsDigit(c)) break;
    if (IsDigit(c)) {
      if (field != kSurplus) fields[time][field].Add(c);
    } else if (c == ':') {
      if (field != kSurplus) ++field;
    } else if (c == ',' || c == '.') {
      // Many programs write the milliseconds after a full stop.
      if (field != kSurplus) field = kFraction;
    } else if (c == '-' && i + 1 < timeLine.size() && timeLine[i + 1] == '>') {
      time = 1;
      field = kHours;
    }
  }
  ConvertedTimes out;
  for (int t = 0; t < 2; ++t) {
    const NumberField* f = fields[t];
    f[kFraction].Value();  // the fraction's digits must fit 32 bits like the others
    (t == 0 ? out.start : out.end) =
        TimeValue(f[kHours], f[kMinutes], f[kSeconds], f[kFraction].Decimals(), rate.Thousandths());
  }
  return out;
}

TimeCodeLine ParseTimeCodeLine(std::string_view s, FrameRate rate) {
  CheckRate(rate);
  auto isTimeChar = [](char c) { return IsDigit(c) || c == ',' || c == '.' || c == ':'; };
  NumberField numbers[6];
  std::string_view fractions[2];
  TimeCodeLine out;
  size_t slot = 1;  // 1-6: the numbers of the two times; beyond: dropped
  bool inNumber = false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (!isTimeChar(c)) {
      out.text = s.substr(i);
      break;
    }
    if (c == '.') {
      if (i + 2 >= s.size() || !IsDigit(s[i + 1]) || !IsDigit(s[i + 2])) {
        out.text = s.substr(i);
        break;
      }
      fractions[slot < 5 ? 0 : 1] = s.substr(i + 1, 2);
      i += 3;
      // The character after the fraction is taken as a separator. One that
      // cannot separate (a letter) is not swallowed: the text begins there.
      if (i < s.size() && !isTimeChar(s[i]) && !IsBlank(s[i])) {
        out.text = s.substr(i);
        break;
      }
      c = i < s.size() ? s[i] : ' ';
    }
    if (IsDigit(c)) {
      if (slot <= 6) numbers[slot - 1].Add(c);
      inNumber = true;
    } else if (inNumber) {
      if (c == ':' && (slot == 3 || slot == 6)) {
        out.text = s.substr(i + 1);
        break;
      }
      inNumber = false;
      ++slot;
    }
  }
  out.start = TimeValue(numbers[0], numbers[1], numbers[2], fractions[0], rate.Thousandths());
  out.end = TimeValue(numbers[3], numbers[4], numbers[5], fractions[1], rate.Thousandths());
  return out;
}

void AddConvertedSubtitle(std::vector<std::string>& lines, std::string_view text, FrameValue start,
                          FrameValue end) {
  std::string first = FrameFieldText(start);
  std::string second = FrameFieldText(end);
  if (first.empty() && second.empty()) {
    if (text.empty()) return;
    // A text-only line before any subtitle is kept rather than lost.
    if (lines.empty()) lines.emplace_back("{}{}");
    lines.back().append(text);
    return;
  }
  std::string line;
  line.reserve(first.size() + second.size() + 4 + text.size());
  line += '{';
  line += first;
  line += "}{";
  line += second;
  line += '}';
  line += text;
  lines.push_back(std::move(line));
}

namespace {

// Hands converted lines over as soon as they are complete: the last one is
// held back while a text without times may still be added to its end. Lines
// are built as AddConvertedSubtitle builds them, in one buffer reused from
// line to line.
class LineHandover {
 public:
  explicit LineHandover(const ConvertedLineFn& emit) : emit_(emit) {}
  // A number too large is an error of the file's line; what emit throws
  // (the output's own error) is not.
  void Add(std::string_view text, FrameValue start, FrameValue end, size_t line) {
    char first[16], second[16];
    char *firstEnd = first, *secondEnd = second;
    AtLine(line, [&] {
      firstEnd = PutFrameField(first, start);
      secondEnd = PutFrameField(second, end);
    });
    if (firstEnd == first && secondEnd == second) {
      if (text.empty()) return;
      // A text-only line before any subtitle is kept rather than lost.
      if (!held_) last_ = "{}{}", held_ = true;
      last_.append(text);
      return;
    }
    if (held_) emit_(last_);
    last_.clear();
    last_ += '{';
    last_.append(first, firstEnd);
    last_ += "}{";
    last_.append(second, secondEnd);
    last_ += '}';
    last_ += text;
    held_ = true;
  }
  void Finish() {
    if (held_) emit_(last_);
    held_ = false;
  }

 private:
  const ConvertedLineFn& emit_;
  std::string last_;  // the last line, while held_
  bool held_ = false;
};

ConvertedDocument Collect(const std::function<bool(const ConvertedLineFn&)>& convert) {
  ConvertedDocument out;
  out.utf8 = convert([&](std::string_view line) { out.lines.emplace_back(line); });
  return out;
}

}  // namespace

ConvertedDocument ConvertSrt(std::string_view bytes, FrameRate rate, const ProgressFn& progress) {
  return Collect(
      [&](const ConvertedLineFn& emit) { return ConvertSrtInto(bytes, rate, emit, progress); });
}

ConvertedDocument ConvertTimeCodeLines(std::string_view bytes, FrameRate rate,
                                       const ProgressFn& progress) {
  return Collect([&](const ConvertedLineFn& emit) {
    return ConvertTimeCodeLinesInto(bytes, rate, emit, progress);
  });
}

namespace {

// The first CR or LF from p, or end; eight bytes at a time, since SRT lines
// are short and a library search per line costs more than it finds.
const char* FindLineBreak(const char* p, const char* end) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
  if constexpr (std::endian::native == std::endian::little) {
    for (; end - p >= 8; p += 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      const uint64_t lf = w ^ (kOnes * '\n'), cr = w ^ (kOnes * '\r');
      // A zero byte's high bit; bytes above the lowest may be false alarms.
      const uint64_t found = ((lf - kOnes) & ~lf & kHighs) | ((cr - kOnes) & ~cr & kHighs);
      if (found) return p + std::countr_zero(found) / 8;
    }
  }
  while (p < end && *p != '\n' && *p != '\r') ++p;
  return p;
}

// Calls fn(line, number) for every line of SRT input. Besides LF and CR LF, a
// bare CR (old Mac tools) and CR CR LF (a CR LF file that went through a tool
// adding another CR) end a line too.
template <typename Fn>
void ForEachSrtLine(std::string_view text, const ProgressFn& progress, Fn&& fn) {
  size_t number = 0;
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  for (const char* p = begin; p < end;) {
    const char* const stop = FindLineBreak(p, end);
    ++number;
    fn(std::string_view(p, static_cast<size_t>(stop - p)), number);
    if (progress && number % kProgressStride == 0)
      progress(static_cast<size_t>(p - begin), text.size());
    if (stop == end) break;
    p = stop + 1;
    if (*stop == '\r') {
      // CR LF and CR CR LF end one line; any other CR ends one of its own.
      if (p < end && *p == '\n')
        ++p;
      else if (end - p >= 2 && p[0] == '\r' && p[1] == '\n')
        p += 2;
    }
  }
  if (progress) progress(text.size(), text.size());
}

bool IsTimeChar(char c) { return IsDigit(c) || c == ':' || c == ',' || c == '.'; }

// A counter: digits, blanks around them allowed.
bool IsDigitsLine(std::string_view line) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  if (line.empty()) return false;
  for (char c : line)
    if (!IsDigit(c)) return false;
  return true;
}

}  // namespace

bool IsSrtTimeLine(std::string_view line) {
  const size_t arrow = line.find("-->");
  if (arrow == std::string_view::npos) return false;
  bool digit = false;
  for (char c : line.substr(0, arrow)) {
    if (IsDigit(c))
      digit = true;
    else if (!IsTimeChar(c) && !IsBlank(c))
      return false;
  }
  if (!digit) return false;
  for (char c : line.substr(arrow + 3)) {
    if (IsDigit(c)) return true;
    if (!IsTimeChar(c) && !IsBlank(c)) return false;
  }
  return false;
}

bool ConvertSrtInto(std::string_view bytes, FrameRate rate, const ConvertedLineFn& emit,
                    const ProgressFn& progress) {
  CheckRate(rate);
  const TextBytes decoded(bytes);
  const std::string_view body = SkipBom(decoded.View());
  const bool utf8 = IsValidUtf8(body);
  LineHandover out(emit);
  // Until the first line that reads as two times, blocks are found by their
  // shape: a counter line (any line), a time line, text lines up to an empty
  // line. From that line on, a time line starts a block wherever it stands.
  bool byTimeLines = false;
  enum { kBetween, kTime, kText } state = kBetween;
  std::string_view timeLine;
  size_t timeLineNumber = 0;
  std::string text;
  int textLines = 0;
  size_t beforeLastText = 0;  // text's size before its last display line
  bool lastTextDigits = false;
  // Lines after a block's last text whose part is not known yet: blank lines
  // (display lines when more text follows, a separator when a block does)
  // and a digits-only line (the counter when a time line follows it).
  size_t pendingBlanks = 0;
  std::optional<std::string_view> pendingDigits;

  auto addText = [&](std::string_view line) {
    beforeLastText = text.size();
    if (textLines++ > 0) text += '|';
    text += line;
    lastTextDigits = IsDigitsLine(line);
  };
  auto commitPending = [&] {
    // Blank lines before the block's first text show nothing.
    for (; pendingBlanks > 0; --pendingBlanks)
      if (textLines > 0) addText({});
    if (pendingDigits) addText(*pendingDigits);
    pendingDigits.reset();
  };
  auto finish = [&] {
    ConvertedTimes t;
    AtLine(timeLineNumber, [&] { t = ParseSrtTimes(timeLine, rate); });
    out.Add(text, t.start, t.end, timeLineNumber);
  };
  auto open = [&](std::string_view line, size_t number) {
    timeLine = line;
    timeLineNumber = number;
    text.clear();
    textLines = 0;
    lastTextDigits = false;
    pendingBlanks = 0;
    pendingDigits.reset();
  };

  ForEachSrtLine(body, progress, [&](std::string_view line, size_t number) {
    const bool blank = IsBlankLine(line);
    if (!blank && IsSrtTimeLine(line)) {
      if (byTimeLines) {
        finish();  // what is pending is the separator and the counter
      } else if (state == kText) {
        // A number right before the time line is its counter, not text: the
        // last text line, or what was taken for a time line after a title.
        if (textLines == 0 && IsDigitsLine(timeLine)) {
          // the block was a title and this counter
        } else {
          if (lastTextDigits) {
            text.resize(beforeLastText);
            --textLines;
          }
          finish();
        }
      }
      byTimeLines = true;
      open(line, number);
      return;
    }
    if (byTimeLines) {
      if (blank) {
        if (pendingDigits && pendingBlanks == 0) {
          commitPending();  // a number right after the text is text
        } else if (pendingDigits) {
          pendingDigits.reset();  // a counter between blank lines: a block without times
        }
        ++pendingBlanks;
      } else if (IsDigitsLine(line)) {
        if (pendingDigits && pendingBlanks == 0)
          commitPending();
        else
          pendingDigits.reset();
        pendingDigits = line;
      } else {
        commitPending();
        addText(line);
      }
      return;
    }
    switch (state) {
      case kBetween:
        if (blank || line.front() == '[') return;
        state = kTime;  // the counter line; its content is not used
        open({}, number);
        return;
      case kTime:
        if (blank) {
          finish();
          state = kBetween;
          return;
        }
        timeLine = line;
        timeLineNumber = number;
        state = kText;
        return;
      case kText:
        if (blank) {
          finish();
          state = kBetween;
          return;
        }
        addText(line);
        return;
    }
  });
  if (byTimeLines) {
    if (pendingDigits && pendingBlanks == 0) commitPending();
    finish();
  } else if (state == kTime || state == kText) {
    finish();
  }
  out.Finish();
  return utf8;
}

bool ConvertTimeCodeLinesInto(std::string_view bytes, FrameRate rate, const ConvertedLineFn& emit,
                              const ProgressFn& progress) {
  CheckRate(rate);
  LineHandover out(emit);
  const TextBytes decoded(bytes);
  const bool utf8 = IsValidUtf8(SkipBom(decoded.View()));
  ForEachNumberedLine(decoded.View(), progress, [&](std::string_view line, size_t number) {
    if (line.empty() || line.front() == '[') return;
    TimeCodeLine t;
    AtLine(number, [&] { t = ParseTimeCodeLine(line, rate); });
    out.Add(t.text, t.start, t.end, number);
  });
  out.Finish();
  return utf8;
}

}  // namespace velorin
