// The alignment of subtitles to a speech track: whatever the frames, the
// track and the rate, it returns a finite offset, a positive finite scale and
// a confidence from 0 to 1 (or throws the program's Error), and no single
// allocation or the memory held at once grows past a bound set by the
// track's length and the number of subtitles.
#include <malloc.h>

#include <atomic>
#include <cmath>
#include <new>

#include "document/subtitle_line.h"
#include "fuzz_support.h"
#include "sync/auto_sync.h"

using namespace velorin;

namespace {

std::atomic<size_t> live{0}, peak{0}, largest{0};

void* Take(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (!p) throw std::bad_alloc();
  const size_t now = live += malloc_usable_size(p);
  if (now > peak) peak = now;
  if (size > largest) largest = size;
  return p;
}

void Give(void* p) {
  if (!p) return;
  live -= malloc_usable_size(p);
  std::free(p);
}

}  // namespace

void* operator new(size_t size) { return Take(size); }
void* operator new[](size_t size) { return Take(size); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, size_t) noexcept { Give(p); }
void operator delete[](void* p, size_t) noexcept { Give(p); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Take(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  // The track: runs of speech and silence, up to about ten minutes.
  std::vector<bool> speech;
  while (speech.size() < 60000 && input.remaining_bytes() > 8) {
    const size_t run = input.ConsumeIntegralInRange<size_t>(1, 3000);
    speech.resize(std::min<size_t>(speech.size() + run, 60000), input.ConsumeBool());
  }
  std::vector<std::string> lines;
  for (int n = input.ConsumeIntegralInRange(0, 60); n > 0; --n) {
    const int32_t first =
        input.ConsumeIntegralInRange<int32_t>(0, input.ConsumeBool() ? 30000 : INT32_MAX);
    const int32_t second = input.ConsumeIntegralInRange<int32_t>(0, INT32_MAX);
    lines.push_back(ComposeSubtitleLine(first, second, "x"));
  }
  const double rates[] = {25, 24000.0 / 1001, 30, kMinAutoSyncRate, kMaxAutoSyncRate};
  const double fps = input.ConsumeBool() ? rates[input.ConsumeIntegralInRange<size_t>(0, 4)]
                                         : input.ConsumeFloatingPointInRange(kMinAutoSyncRate,
                                                                             kMaxAutoSyncRate);
  const bool piecewise = input.ConsumeBool();
  // Shared among threads or not: the same bounds hold.
  const unsigned threads = input.ConsumeBool() ? 2 : 1;

  const size_t before = live;
  peak = before;
  largest = 0;
  try {
    const AutoSyncResult r = AlignToSpeech(speech, lines, fps, piecewise, threads);
    if (r.status == AutoSyncStatus::Found || r.status == AutoSyncStatus::Unclear) {
      FUZZ_CHECK(std::isfinite(r.offset));
      FUZZ_CHECK(std::isfinite(r.scale) && r.scale > 0);
      FUZZ_CHECK(r.confidence >= 0 && r.confidence <= 1);
      for (const AutoSyncSegment& s : r.segments)
        FUZZ_CHECK(std::isfinite(s.offset) && std::isfinite(s.scale) && s.scale > 0);
    }
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  // The track at most ten minutes and the document's reach bounded by it:
  // a few tens of megabytes at most, whatever the frames say.
  const size_t bound = 64u << 20;
  FUZZ_CHECK(largest <= bound);
  FUZZ_CHECK(peak - before <= 2 * bound);
  return 0;
}
