#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "document/file_io.h"

namespace velorin {

// Makes the output of one block of whole lines, appended to out.
using BlockFn = std::function<void(std::string_view block, std::string& out)>;

// Writes to sink what make gives for bytes, cut into blocks of whole lines
// (each ends after an LF, the last one where bytes end), the blocks made on
// up to workers threads at once and handed to sink in their order: the same
// bytes as one make over all of them, when make's output for a line depends
// on that line alone. workers 0 takes one per processor (at most four); with
// one, or bytes shorter than two blocks, everything is made on this thread.
// An exception thrown by make reaches the caller after the output of every
// block before its own, as from a single pass, and so does one thrown by
// sink. Beside the input, each worker holds one block's output.
void WriteBlocksInOrder(std::string_view bytes, const BlockFn& make, const ByteSink& sink,
                        unsigned workers = 0, size_t blockBytes = size_t{256} << 10);

// IsValidUtf8 of bytes, its parts checked on up to workers threads at once
// (0: as WriteBlocksInOrder takes them).
bool IsValidUtf8InParts(std::string_view bytes, unsigned workers = 0);

// The number of threads WriteBlocksInOrder takes for workers 0.
unsigned DefaultBlockWorkers();

}  // namespace velorin
