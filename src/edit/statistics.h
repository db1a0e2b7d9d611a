#pragma once

#include <cstdint>

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

// Throws Error at a row whose frames cannot be read.
SubtitleStatistics ComputeStatistics(const SubtitleList& list, const ProgressFn& progress = {});

}  // namespace velorin
