// The limit for "velorin-cli info" as it is now, with the statistics: a
// streaming loop that reads the file in 1 MiB chunks and, for every line that
// begins with '{', reads both frames and measures the text (display lines
// without tags, the first five only, in characters when the whole file is
// UTF-8, else in bytes), counts '|' and formatted lines. It checks every
// line's UTF-8 with a plain byte loop and stores no document.
// baseline_stream_statistics IN
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

bool ValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const int len = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (len == 0 || i + static_cast<size_t>(len) > s.size()) return false;
    uint32_t cp = c & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += static_cast<size_t>(len);
  }
  return true;
}

struct Stats {
  bool utf8 = true, seen = false, stopped = false;
  long first = 0, last = 0, count = 0, formatted = 0, maxBars = 0;
  size_t longestBytes = 0, longestChars = 0;
  long frameBytes = 0, frameChars = 0;

  void Line(std::string_view l) {
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    if (utf8 && !ValidUtf8(l)) utf8 = false;
    if (l.empty() || l[0] == '[') return;
    if (l[0] != '{') {
      if (!seen) stopped = true;
      return;
    }
    seen = true;
    size_t i = 1;
    long f = 0;
    for (; i < l.size() && l[i] != '}'; ++i)
      if (l[i] >= '0' && l[i] <= '9') f = f * 10 + (l[i] - '0');
    for (++i; i < l.size() && l[i] != '}'; ++i) {
    }
    ++i;
    if (count++ == 0) first = f;
    last = f;
    bool outside = true, brace = false;
    long bars = 0;
    int slot = 0;
    size_t bytes = 0, chars = 0;
    auto end = [&] {
      if (bytes > longestBytes) longestBytes = bytes, frameBytes = f;
      if (chars > longestChars) longestChars = chars, frameChars = f;
      bytes = chars = 0;
    };
    for (; i < l.size(); ++i) {
      const char c = l[i];
      if (c == '|') ++bars;
      if (c == '{') {
        outside = false;
        brace = true;
      } else if (c == '}') {
        outside = true;
      } else if (outside && slot < 5) {
        if (c == '|') {
          end();
          ++slot;
        } else {
          ++bytes;
          chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }
      }
    }
    if (slot < 5) end();
    if (bars > maxBars) maxBars = bars;
    formatted += brace;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int in = ::open(argv[1], O_RDONLY);
  if (in < 0) return 1;
  std::string chunk(1 << 20, '\0');
  std::string carry;
  Stats s;
  for (;;) {
    ssize_t n = ::read(in, chunk.data(), chunk.size());
    if (n < 0) return 1;
    if (n == 0 || s.stopped) break;
    std::string_view data(chunk.data(), static_cast<size_t>(n));
    size_t start = 0, end;
    while ((end = data.find('\n', start)) != std::string_view::npos) {
      if (carry.empty()) {
        s.Line(data.substr(start, end - start));
      } else {
        carry.append(data.substr(start, end - start));
        s.Line(carry);
        carry.clear();
      }
      start = end + 1;
    }
    carry.append(data.substr(start));
  }
  if (!carry.empty()) s.Line(carry);
  std::printf("first: %ld\nlast: %ld\ncount: %ld\n", s.first, s.last, s.count);
  std::printf("formatting: %s\nformatted: %ld\nmax lines: %ld\nlongest line: %ld\n",
              s.formatted > 0 ? "yes" : "no", s.formatted, s.count > 0 ? s.maxBars + 1 : 0,
              s.utf8 ? s.frameChars : s.frameBytes);
  return 0;
}
