// The sound cache file: any bytes read as a summary or as nothing, never
// crash; what reads back writes the same bytes again, and its envelope stays
// within what it holds. Drags of boxes made from the bytes stay in frames.
#include <algorithm>

#include "film/sound_summary.h"
#include "film/timeline.h"
#include "fuzz_support.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view key = "film\n1\n2";
  if (std::optional<SoundSummary> s = ParseSoundSummary(bytes, key)) {
    FUZZ_CHECK(SerializeSoundSummary(*s, key) == bytes);
    uint8_t env[64];
    s->Envelope(-0.5, s->Seconds() / 50 + 0.0001, 64, env);
    uint8_t loudest = 0;
    for (uint8_t p : s->FinestPeaks()) loudest = std::max(loudest, p);
    for (uint8_t e : env) FUZZ_CHECK(e <= loudest);
    FUZZ_CHECK(s->Peak(0, s->Seconds() + 1) == loudest);
  }
  // The same bytes as subtitle lines on the timeline.
  std::vector<std::string> lines;
  size_t from = 0;
  while (from < bytes.size() && lines.size() < 64) {
    size_t end = bytes.find('\n', from);
    if (end == std::string_view::npos) end = bytes.size();
    lines.emplace_back(bytes.substr(from, end - from));
    from = end + 1;
  }
  const std::vector<TimelineBox> boxes = MakeTimelineBoxes(lines, 50);
  for (const TimelineBox& b : boxes) {
    for (BoxPart part : {BoxPart::Body, BoxPart::StartEdge, BoxPart::EndEdge}) {
      const DragFrames d = DragToFrames({b, part, 0}, static_cast<double>(size) - 1e9, nullptr, 0);
      FUZZ_CHECK(d.first >= 0 && d.second >= 0);
      if (part == BoxPart::EndEdge) FUZZ_CHECK(d.second > d.first || d.first == INT32_MAX);
    }
  }
  return 0;
}
