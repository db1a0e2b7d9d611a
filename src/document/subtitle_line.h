#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velorin {

// One subtitle line {first}{second}text taken apart.
struct SubtitleFields {
  int32_t first = 0;
  int32_t second = 0;  // 0: the subtitle has no second frame
  std::string text;
  bool operator==(const SubtitleFields&) const = default;
};

// One frame field of a subtitle line: the bytes from where the field starts to
// the '}' that closes it, or to the end of the line. Only the digits among
// those bytes count, in order, after an implicit leading 0: an empty field or
// one without digits is 0, "{1a0}" is 10 and a minus sign is passed over.
struct FrameField {
  std::string_view bytes;  // without the closing '}'
  bool closed = false;     // a '}' ends the field (else it runs to the line's end)

  // The digits' value; nothing when it does not fit 32 bits.
  std::optional<int32_t> Value() const {
    int64_t value = 0;
    for (char c : bytes) {
      const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
      if (digit < 10) {
        value = value * 10 + digit;
        if (value > INT32_MAX) return std::nullopt;
      }
    }
    return static_cast<int32_t>(value);
  }
  bool Fits() const { return Value().has_value(); }
  // The value as a frame number; throws the invalid-number error quoting the
  // digits (with the leading 0) when it does not fit 32 bits.
  int32_t Frame() const {
    if (auto value = Value()) return *value;
    ThrowFieldTooLarge();
  }
  // The digits among the bytes, without the leading 0.
  std::string Digits() const;
  // Whether a field read from its '{' (as SubtitleLineView reads both) is
  // closed and holds just the digits AppendSubtitleHead writes for its value:
  // none for 0, no leading zero. A head of two such fields is written again
  // by copying it. Frame() decides first whether the value fits.
  bool WrittenAsRead() const {
    if (!closed || bytes.empty() || bytes[0] != '{') return false;
    if (bytes.size() == 1) return true;
    if (bytes[1] == '0') return false;
    for (size_t i = 1; i < bytes.size(); ++i)
      if (static_cast<unsigned char>(bytes[i]) - unsigned{'0'} >= 10) return false;
    return true;
  }

 private:
  [[noreturn]] void ThrowFieldTooLarge() const;
};

// The field that starts at byte `from` of line.
inline FrameField ReadFrameField(std::string_view line, size_t from = 0) {
  line.remove_prefix(from < line.size() ? from : line.size());
  const size_t close = line.find('}');
  if (close == std::string_view::npos) return {line, false};
  return {line.substr(0, close), true};
}

// The one reader of the line grammar {first}{second}text: where the two frame
// fields lie and where the text starts, without copying anything. The first
// field runs to the first '}', the second to the second '}', and the text is
// everything after that (empty when the line has fewer than two '}'). Reading
// never fails and converts nothing; First() and Second() convert their field
// and throw when it does not fit.
class SubtitleLineView {
 public:
  explicit SubtitleLineView(std::string_view line)
      : line_(line), first_(ReadFrameField(line)), textStart_(line.size()) {
    if (!first_.closed) return;
    const size_t secondStart = first_.bytes.size() + 1;
    second_ = ReadFrameField(line, secondStart);
    if (second_.closed) textStart_ = secondStart + second_.bytes.size() + 1;
  }

  int32_t First() const { return first_.Frame(); }
  int32_t Second() const { return second_.Frame(); }
  const FrameField& FirstField() const { return first_; }
  const FrameField& SecondField() const { return second_; }
  // Offset of the text in the line; the line's size when there is no text.
  size_t TextStart() const { return textStart_; }
  std::string_view Text() const { return line_.substr(textStart_); }

 private:
  std::string_view line_;
  FrameField first_;
  FrameField second_;
  size_t textStart_ = 0;
};

// Takes a line apart. Only digits and the count of '}' matter before the text;
// every string yields three fields. Throws Error when a frame field does not
// fit 32 bits.
SubtitleFields ParseSubtitleLine(std::string_view line);

// The first frame alone, reading no further than the first '}' (for hot loops).
int32_t ParseFirstFrame(std::string_view line);

// {first}{second}text with a frame of 0 written as empty braces.
std::string ComposeSubtitleLine(int32_t first, int32_t second, std::string_view text);
// Its "{first}{second}" appended to out.
void AppendSubtitleHead(std::string& out, int32_t first, int32_t second);

// Splits s at every separator into the caller's slots from index 0. Pieces
// beyond the last slot are joined into it, separators included, so nothing
// is written past the caller's array.
void SplitByChar(char separator, std::string_view s, std::span<std::string> pieces);

// Number of display lines: the count of '|' plus one.
int DisplayLineCount(std::string_view text);

// Decimal value of a string of digits, as the number fields convert it;
// throws the invalid-number error for anything else or above 2147483647.
int32_t ToInt32(std::string_view digits);

}  // namespace velorin
