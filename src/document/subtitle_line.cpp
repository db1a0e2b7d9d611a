#include "document/subtitle_line.h"

#include <algorithm>
#include <charconv>

#include "document/error.h"

namespace velorin {

namespace {

// Accumulates the digits of one frame field. The field starts as "0", so an
// empty field is 0 and leading zeros are harmless; the digits are kept only to
// quote them in the error when the value does not fit.
struct FieldDigits {
  int64_t value = 0;
  bool overflow = false;
  std::string digits = "0";
  void Add(char c) {
    digits.push_back(c);
    if (!overflow) {
      value = value * 10 + (c - '0');
      if (value > INT32_MAX) overflow = true;
    }
  }
  int32_t Get() const {
    if (overflow) ThrowInvalidInteger(digits);
    return static_cast<int32_t>(value);
  }
};

}  // namespace

SubtitleFields ParseSubtitleLine(std::string_view line) {
  FieldDigits first, second;
  int braces = 0;
  SubtitleFields out;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c >= '0' && c <= '9') {
      if (braces == 0)
        first.Add(c);
      else
        second.Add(c);
    } else if (c == '}') {
      if (++braces == 2) {
        out.text.assign(line.substr(i + 1));
        break;
      }
    }
  }
  out.first = first.Get();
  out.second = second.Get();
  return out;
}

int32_t ParseFirstFrame(std::string_view line) {
  FieldDigits first;
  for (char c : line) {
    if (c == '}') break;
    if (c >= '0' && c <= '9') first.Add(c);
  }
  return first.Get();
}

std::string ComposeSubtitleLine(int32_t first, int32_t second, std::string_view text) {
  std::string out;
  out.reserve(text.size() + 24);
  out.push_back('{');
  if (first != 0) out += std::to_string(first);
  out += "}{";
  if (second != 0) out += std::to_string(second);
  out.push_back('}');
  out.append(text);
  return out;
}

void SplitByChar(char separator, std::string_view s, std::span<std::string> pieces) {
  if (pieces.empty()) return;
  size_t slot = 0;
  std::string piece;
  for (char c : s) {
    if (c == separator && slot + 1 < pieces.size()) {
      pieces[slot++] = std::move(piece);
      piece.clear();
    } else {
      piece.push_back(c);
    }
  }
  pieces[slot] = std::move(piece);
}

int DisplayLineCount(std::string_view text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '|')) + 1;
}

int32_t ToInt32(std::string_view digits) {
  int32_t value = 0;
  const char* begin = digits.data();
  const char* end = begin + digits.size();
  if (begin != end && *begin == '+') ++begin;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (digits.empty() || ec != std::errc() || ptr != end) ThrowInvalidInteger(std::string(digits));
  return value;
}

}  // namespace velorin
