#include "edit/statistics.h"

#include <algorithm>
#include <string_view>

#include "document/subtitle_line.h"
#include "layout/tags.h"

namespace velorin {

namespace {

size_t CharacterCount(std::string_view text, bool utf8) {
  if (!utf8) return text.size();
  // Every byte but a UTF-8 continuation byte starts a character.
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

SubtitleStatistics ComputeStatistics(const SubtitleList& list, const ProgressFn& progress) {
  SubtitleStatistics s;
  s.count = list.Count();
  if (list.Empty()) return s;
  size_t longest = 0;
  int maxBars = 0;
  for (int row = 0; row < list.Count(); ++row) {
    SubtitleFields f = ParseSubtitleLine(list.Line(row));
    for (const std::string& line : SplitIntoFiveLines(StripTags(f.text))) {
      const size_t length = CharacterCount(line, list.IsUtf8());
      if (length > longest) {
        longest = length;
        s.longestLineFrame = f.first;
      }
    }
    maxBars = std::max(maxBars, static_cast<int>(std::count(f.text.begin(), f.text.end(), '|')));
    if (f.text.find('{') != std::string::npos) ++s.formatted;
    if (progress && static_cast<size_t>(row) % kProgressStride == 0)
      progress(static_cast<size_t>(row), static_cast<size_t>(list.Count()));
  }
  s.firstFrame = ParseFirstFrame(list.Line(0));
  s.lastFrame = ParseFirstFrame(list.Line(list.Count() - 1));
  s.maxLines = maxBars + 1;
  return s;
}

}  // namespace velorin
