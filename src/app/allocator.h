#pragma once

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace velorin {

// A document keeps every line in a heap block of its own, and a command on a
// million rows frees a million small blocks. glibc keeps freed small blocks
// unmerged ("fast bins") and merges them all whenever a large block is
// asked for, and the list commands ask for large blocks (undo steps, row
// tables): later commands of a session then ran up to twice as slow as the
// same command on a fresh heap. Without fast bins each freed block is merged
// at once; the per-thread cache still serves small blocks quickly.
inline void TuneAllocatorForLargeDocuments() {
#if defined(__GLIBC__)
  mallopt(M_MXFAST, 0);
#endif
}

}  // namespace velorin
