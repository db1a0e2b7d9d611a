#pragma once

#include <cstddef>

#include "document/subtitle_list.h"

namespace velorin {

// Reports on every kProgressStride-th step of a loop: base + step done of
// total (base for a loop that is the second part of the work).
inline void ReportProgress(const ProgressFn& progress, size_t step, size_t total, size_t base = 0) {
  if (progress && step % kProgressStride == 0) progress(base + step, total);
}

// Calls fn(row) for each selected row in order, reporting progress over all
// the rows as it goes and once more when done.
template <typename Fn>
void ForEachSelectedRow(const SubtitleList& list, const ProgressFn& progress, Fn&& fn) {
  const size_t count = static_cast<size_t>(list.Count());
  for (size_t i = 0; i < count; ++i) {
    ReportProgress(progress, i, count);
    const int row = static_cast<int>(i);
    if (list.Selected(row)) fn(row);
  }
  if (progress) progress(count, count);
}

}  // namespace velorin
