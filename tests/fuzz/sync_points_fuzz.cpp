// Advanced synchronization: points placed as "Přidat" and "Vložit" place them
// never share a frame; "Synchronizovat" either retimes the rows between the
// points, bringing each point's subtitle to its frame, or changes nothing.
#include <cmath>

#include "document/subtitle_line.h"
#include "fuzz_support.h"
#include "sync/retiming.h"
#include "sync/sync_points.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<std::string> lines;
  for (int n = input.ConsumeIntegralInRange(1, 40); n > 0; --n) {
    const int32_t first =
        input.ConsumeIntegralInRange<int32_t>(0, input.ConsumeBool() ? 5000 : INT32_MAX);
    const int32_t second =
        input.ConsumeIntegralInRange<int32_t>(0, first < INT32_MAX - 200 ? first + 200 : INT32_MAX);
    lines.push_back(ComposeSubtitleLine(first, second, input.ConsumeRandomLengthString(6)));
  }
  SubtitleList doc;
  doc.Assign(lines);

  SyncPoints points;
  for (int n = input.ConsumeIntegralInRange(0, 8); n > 0; --n) {
    const int row = input.ConsumeIntegralInRange(0, doc.Count() - 1);
    const int32_t frame =
        input.ConsumeIntegralInRange<int32_t>(0, input.ConsumeBool() ? 20000 : INT32_MAX);
    const size_t at = input.ConsumeIntegralInRange<size_t>(0, points.size());
    const SyncPoint point = MakeSyncPoint(doc.Lines(), row, frame);
    const size_t before = points.size();
    const SyncPointClash clash = PlaceSyncPoint(points, at, point);
    if (clash.found) {
      FUZZ_CHECK(points.size() == before);
      FUZZ_CHECK(FindSyncPointClash(points, point.newFrame, point.oldFrame).found);
    } else {
      FUZZ_CHECK(points.size() == before + 1 && points[at] == point);
    }
  }
  for (size_t a = 0; a < points.size(); ++a)
    for (size_t b = a + 1; b < points.size(); ++b)
      FUZZ_CHECK(points[a].newFrame != points[b].newFrame &&
                 points[a].oldFrame != points[b].oldFrame);
  if (input.ConsumeBool()) {
    std::vector<std::string> syncLines;
    for (int n = input.ConsumeIntegralInRange(1, 4); n > 0; --n)
      syncLines.push_back(
          ComposeSubtitleLine(input.ConsumeIntegralInRange<int32_t>(0, 30000), 0, "s"));
    CompleteSyncPoints(points, doc.Lines(), syncLines);
  }
  FUZZ_CHECK(CheckChronology(points) == PlanSyncSegments(points).has_value());

  for (int i = 0; i < doc.Count(); ++i) doc.SetSelected(i, input.ConsumeBool());
  const std::vector<char> selection = doc.SelectionFlags();
  SyncStatus status = SyncStatus::Disordered;
  try {
    status = Synchronize(doc, points);
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  if (status != SyncStatus::Done) {
    FUZZ_CHECK(doc.Lines() == lines && doc.SelectionFlags() == selection);
    return 0;
  }
  FUZZ_CHECK(doc.Count() == static_cast<int>(lines.size()) && doc.SelectedCount() == 0);
  for (int i = 0; i < doc.Count(); ++i) {
    const bool outside =
        points.size() < 2 || i < points.front().position || i > points.back().position;
    if (outside) FUZZ_CHECK(doc.Line(i) == lines[static_cast<size_t>(i)]);
    FUZZ_CHECK(SubtitleLineView(doc.Line(i)).Text() ==
               SubtitleLineView(lines[static_cast<size_t>(i)]).Text());
  }
  // Each point's subtitle comes to its frame, within the rounding of the
  // offset to a whole frame and, for huge offsets, within the 15 digits the
  // offset and scale fields keep.
  for (size_t k = 0; k < points.size() && points.size() >= 2; ++k) {
    const SyncPoint& a = points[k == 0 ? 0 : k - 1];
    const SyncPoint& b = points[k == 0 ? 1 : k];
    const RetimingValues v = ComputeRetiming(a.oldFrame, b.oldFrame, a.newFrame, b.newFrame);
    const double tolerance =
        1 + 1e-14 * (std::fabs(v.offset) + std::fabs(points[k].oldFrame * v.scale));
    const double now = ParseFirstFrame(doc.Line(points[k].position));
    FUZZ_CHECK(std::fabs(now - points[k].newFrame) <= tolerance);
  }
  return 0;
}
