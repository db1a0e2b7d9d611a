#include "edit/statistics.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "document/progress.h"
#include "document/subtitle_line.h"

namespace velorin {

namespace {

constexpr uint64_t Repeated(unsigned byte) { return 0x0101010101010101ULL * byte; }

// The top bit of every zero byte of w, exact up to the first of them (a
// borrow may mark bytes above it): enough to find the first.
constexpr uint64_t ZeroBytes(uint64_t w) { return (w - Repeated(0x01)) & ~w & Repeated(0x80); }

// The top bit of every UTF-8 continuation byte (10xxxxxx) of w.
constexpr uint64_t ContinuationBytes(uint64_t w) { return w & ~(w << 1) & Repeated(0x80); }

}  // namespace

void StatisticsCounter::Add(std::string_view line) {
  const SubtitleLineView view(line);
  const int32_t first = view.First();
  view.Second();  // a second frame that cannot be read stops the count too
  // The display lines of the text without its tags: a tag runs from '{' to
  // '}', a '|' outside tags ends a line, and only the first five lines are
  // measured.
  size_t bytes = 0, chars = 0;
  int slot = 0, bars = 0;
  bool outside = true, brace = false;
  auto endOfLine = [&] {
    if (bytes > longestBytes_) longestBytes_ = bytes, longestBytesFrame_ = first;
    if (chars > longestChars_) longestChars_ = chars, longestCharsFrame_ = first;
    bytes = chars = 0;
  };
  const std::string_view text = view.Text();
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    // Runs of ordinary bytes eight at a time, up to the next brace or bar.
    if constexpr (std::endian::native == std::endian::little) {
      if (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        const uint64_t special =
            ZeroBytes(word ^ Repeated('{')) | ZeroBytes((word & Repeated(0xFE)) ^ Repeated('|'));
        const int plain = special ? std::countr_zero(special) / 8 : 8;
        if (plain > 0) {
          if (outside && slot < 5) {
            const uint64_t mask = plain == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * plain)) - 1;
            bytes += static_cast<size_t>(plain);
            chars += static_cast<size_t>(plain - std::popcount(ContinuationBytes(word) & mask));
          }
          p += plain;
          continue;
        }
      }
    }
    const char c = *p++;
    if (c == '|') ++bars;
    if (c == '{') {
      outside = false;
      brace = true;
    } else if (c == '}') {
      outside = true;
    } else if (outside) {
      if (slot == 5) continue;
      if (c == '|') {
        endOfLine();
        ++slot;
      } else {
        ++bytes;
        // Every byte but a UTF-8 continuation byte starts a character.
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
      }
    }
  }
  if (slot < 5) endOfLine();
  maxBars_ = std::max(maxBars_, bars);
  if (brace) ++formatted_;
  ++count_;
}

SubtitleStatistics StatisticsCounter::Result(bool utf8) const {
  SubtitleStatistics s;
  s.count = count_;
  if (count_ == 0) return s;
  s.formatted = formatted_;
  s.maxLines = maxBars_ + 1;
  s.longestLineFrame = utf8 ? longestCharsFrame_ : longestBytesFrame_;
  return s;
}

SubtitleStatistics ComputeStatistics(const SubtitleList& list, const ProgressFn& progress) {
  StatisticsCounter counter;
  for (int row = 0; row < list.Count(); ++row) {
    counter.Add(list.Line(row));
    ReportProgress(progress, static_cast<size_t>(row), static_cast<size_t>(list.Count()));
  }
  SubtitleStatistics s = counter.Result(list.IsUtf8());
  if (list.Empty()) return s;
  s.firstFrame = ParseFirstFrame(list.Line(0));
  s.lastFrame = ParseFirstFrame(list.Line(list.Count() - 1));
  return s;
}

}  // namespace velorin
