#include "edit/statistics.h"

#include <algorithm>
#include <string_view>

#include "document/subtitle_line.h"

namespace velorin {

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
  for (const char c : view.Text()) {
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
    if (progress && static_cast<size_t>(row) % kProgressStride == 0)
      progress(static_cast<size_t>(row), static_cast<size_t>(list.Count()));
  }
  SubtitleStatistics s = counter.Result(list.IsUtf8());
  if (list.Empty()) return s;
  s.firstFrame = ParseFirstFrame(list.Line(0));
  s.lastFrame = ParseFirstFrame(list.Line(list.Count() - 1));
  return s;
}

}  // namespace velorin
