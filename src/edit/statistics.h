#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "document/subtitle_list.h"

namespace velorin {

// The summary of a whole document the statistics dialog and `velorin-cli
// info` show.
struct SubtitleStatistics {
  int32_t firstFrame = 0;  // first frame of the first row
  int32_t lastFrame = 0;   // first frame of the last row
  int count = 0;
  int formatted = 0;  // rows whose text holds a '{' anywhere, tag or not
  int maxLines = 0;   // the largest '|' count plus one; 0 for an empty list
  // First frame of the row with the longest display line: tags not counted,
  // only the first five lines measured, the earlier row winning a tie, 0 when
  // every line is empty. Lengths are in characters (code points in a UTF-8
  // document, bytes in a Windows-1250 one).
  int32_t longestLineFrame = 0;
  bool operator==(const SubtitleStatistics&) const = default;
};

// Gathers the statistics one line at a time, so that a command can compute
// them while it reads a file without keeping the file. Lengths are counted
// both as bytes and as UTF-8 characters: whether the text is UTF-8 is known
// only when the whole file has been read.
class StatisticsCounter {
 public:
  // Throws Error when a frame of the line cannot be read.
  void Add(std::string_view line);
  // Everything but the first and last frame, which the caller reads from
  // its first and last line.
  SubtitleStatistics Result(bool utf8) const;

 private:
  int count_ = 0;
  int formatted_ = 0;
  int maxBars_ = 0;
  size_t longestBytes_ = 0, longestChars_ = 0;
  int32_t longestBytesFrame_ = 0, longestCharsFrame_ = 0;
};

// Throws Error at a row whose frames cannot be read.
SubtitleStatistics ComputeStatistics(const SubtitleList& list, const ProgressFn& progress = {});

}  // namespace velorin
