#include "document/subtitle_line.h"

#include <algorithm>
#include <charconv>

#include "document/ascii.h"
#include "document/error.h"

namespace velorin {

void FrameField::ThrowFieldTooLarge() const {
  // Only as many digits as the message can quote: a field may hold millions.
  std::string digits = "0";
  for (char c : bytes) {
    if (!IsAsciiDigit(c)) continue;
    digits.push_back(c);
    if (digits.size() > kMaxQuotedBytes) break;
  }
  ThrowInvalidInteger(digits);
}

std::string FrameField::Digits() const {
  std::string out;
  for (char c : bytes)
    if (IsAsciiDigit(c)) out.push_back(c);
  return out;
}

SubtitleFields ParseSubtitleLine(std::string_view line) {
  SubtitleLineView view(line);
  SubtitleFields out;
  out.first = view.First();
  out.second = view.Second();
  out.text.assign(view.Text());
  return out;
}

int32_t ParseFirstFrame(std::string_view line) { return ReadFrameField(line).Frame(); }

namespace {

// "{first}{second}" into head; returns its end.
char* PutSubtitleHead(char* head, int32_t first, int32_t second) {
  char* p = head;
  *p++ = '{';
  if (first != 0) p = std::to_chars(p, p + 11, first).ptr;  // "-2147483648" at most
  *p++ = '}';
  *p++ = '{';
  if (second != 0) p = std::to_chars(p, p + 11, second).ptr;
  *p++ = '}';
  return p;
}

}  // namespace

std::string ComposeSubtitleLine(int32_t first, int32_t second, std::string_view text) {
  char head[32];
  char* end = PutSubtitleHead(head, first, second);
  std::string out;
  out.reserve(static_cast<size_t>(end - head) + text.size());
  out.append(head, static_cast<size_t>(end - head));
  out.append(text);
  return out;
}

void AppendSubtitleHead(std::string& out, int32_t first, int32_t second) {
  char head[32];
  out.append(head, static_cast<size_t>(PutSubtitleHead(head, first, second) - head));
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
  if (digits.empty() || ec != std::errc() || ptr != end) ThrowInvalidInteger(digits);
  return value;
}

}  // namespace velorin
