// The synchronization-file readers: the bounds "Synchronizace" takes and the
// line list advanced synchronization pairs agree with each other, and the
// frame dialog's answer reads as a frame or fails with the program's error.
#include "document/subtitle_line.h"
#include "fuzz_support.h"
#include "sync/retiming.h"
#include "sync/sync_points.h"

using namespace velorin;

namespace {

bool AllDigits(std::string_view s) {
  return s.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const SyncBounds bounds = ScanSyncBounds(bytes);
  const std::vector<std::string> list = ScanSyncList(bytes);
  FUZZ_CHECK(AllDigits(bounds.first) && AllDigits(bounds.last));
  if (bounds.nonStandard) FUZZ_CHECK(!bounds.found && bounds.first.empty() && bounds.last.empty());
  if (!bounds.found) FUZZ_CHECK(bounds.first.empty());
  // The first subtitle line of a standard file is the first line of the list.
  if (bounds.found) {
    FUZZ_CHECK(!list.empty());
    FUZZ_CHECK(ExtractFirstFrameDigits(list.front()) == bounds.first);
  }
  for (const std::string& line : list) {
    FUZZ_CHECK(!line.empty() && line.front() == '{');
    try {
      FUZZ_CHECK(SyncLineFrame(line) >= 0);
    } catch (const Error& e) {
      fuzz::CheckMessage(e);
    }
  }
  try {
    const std::optional<int32_t> frame = SyncFrameAnswer(bytes);
    FUZZ_CHECK(frame ? *frame >= 0 && *frame == ToInt32(bytes) : bytes == "-1");
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  return 0;
}
