#include "film/timeline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "document/subtitle_line.h"

namespace velorin {

double WholeFilmFramesPerPixel(double lengthFrames, int width) {
  const double w = std::max(width, 1);
  return std::max(lengthFrames / w, 1.0 / kMaxPixelsPerFrame);
}

TimelineScale Clamp(TimelineScale scale, double lengthFrames) {
  scale.width = std::max(scale.width, 1);
  const double most = WholeFilmFramesPerPixel(lengthFrames, scale.width);
  scale.framesPerPixel = std::clamp(scale.framesPerPixel, 1.0 / kMaxPixelsPerFrame, most);
  const double shown = scale.framesPerPixel * scale.width;
  scale.firstFrame = std::min(scale.firstFrame, lengthFrames - shown);
  scale.firstFrame = std::max(scale.firstFrame, 0.0);
  return scale;
}

TimelineScale ZoomAt(TimelineScale scale, double factor, double anchor, double lengthFrames) {
  const double frame = scale.FrameAt(anchor);
  scale.framesPerPixel /= factor;
  scale.framesPerPixel = std::clamp(scale.framesPerPixel, 1.0 / kMaxPixelsPerFrame,
                                    WholeFilmFramesPerPixel(lengthFrames, scale.width));
  scale.firstFrame = frame - anchor * scale.framesPerPixel;
  return Clamp(scale, lengthFrames);
}

TimelineScale FollowFrame(TimelineScale scale, double frame, double lengthFrames) {
  const double shown = scale.framesPerPixel * scale.width;
  if (frame < scale.firstFrame || frame >= scale.firstFrame + shown)
    // The new page starts a little before the frame, so it stays in view.
    scale.firstFrame = frame - shown * 0.05;
  return Clamp(scale, lengthFrames);
}

RulerTicks MakeRulerTicks(const TimelineScale& scale, double rate, int minLabelPixels) {
  if (!(rate > 0)) rate = 25;
  // Label steps and the ticks between labels.
  struct Step {
    double frames;
    double seconds;
    int divisions;
  };
  static constexpr std::array<Step, 19> kSteps = {{{1, 0, 1},
                                                   {2, 0, 2},
                                                   {5, 0, 5},
                                                   {10, 0, 5},
                                                   {0, 1, 5},
                                                   {0, 2, 4},
                                                   {0, 5, 5},
                                                   {0, 10, 5},
                                                   {0, 15, 3},
                                                   {0, 30, 6},
                                                   {0, 60, 6},
                                                   {0, 120, 4},
                                                   {0, 300, 5},
                                                   {0, 600, 5},
                                                   {0, 900, 3},
                                                   {0, 1800, 6},
                                                   {0, 3600, 6},
                                                   {0, 7200, 4},
                                                   {0, 18000, 5}}};
  const double pixelsPerFrame = 1 / scale.framesPerPixel;
  Step chosen = kSteps.back();
  for (const Step& s : kSteps) {
    const double frames = s.frames > 0 ? s.frames : s.seconds * rate;
    if (frames * pixelsPerFrame >= minLabelPixels) {
      chosen = s;
      break;
    }
  }
  const double labelFrames = chosen.frames > 0 ? chosen.frames : chosen.seconds * rate;
  RulerTicks t;
  t.step = labelFrames / chosen.divisions;
  t.labelEvery = chosen.divisions;
  t.first = std::floor(scale.firstFrame / t.step) * t.step;
  return t;
}

std::string TimelineTimeText(double seconds) {
  long long ms = std::llround(std::max(seconds, 0.0) * 1000);
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld,%03lld", ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms % 1000);
  return text;
}

// ---------------------------------------------------------------- boxes

std::vector<TimelineBox> MakeTimelineBoxes(LineSpan lines, int32_t openFrames) {
  std::vector<TimelineBox> boxes;
  boxes.reserve(lines.size());
  for (size_t row = 0; row < lines.size(); ++row) {
    const SubtitleLineView view(lines[row]);
    const std::optional<int32_t> first = view.FirstField().Value();
    const std::optional<int32_t> second = view.SecondField().Value();
    if (!first || !second) continue;
    boxes.push_back({static_cast<int>(row), *first, *second, *second, *second <= *first});
  }
  std::stable_sort(boxes.begin(), boxes.end(),
                   [](const TimelineBox& a, const TimelineBox& b) { return a.first < b.first; });
  for (size_t i = 0; i < boxes.size(); ++i) {
    TimelineBox& b = boxes[i];
    if (!b.open) continue;
    auto next =
        std::upper_bound(boxes.begin() + static_cast<std::ptrdiff_t>(i), boxes.end(), b.first,
                         [](int32_t f, const TimelineBox& x) { return f < x.first; });
    const int64_t end = next != boxes.end() ? next->first : int64_t{b.first} + openFrames;
    b.end = static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX));
  }
  return boxes;
}

std::vector<TimelineBox> GhostBoxes(const std::vector<TimelineBox>& boxes,
                                    const AutoSyncResult& result) {
  std::vector<TimelineBox> ghosts;
  ghosts.reserve(boxes.size());
  for (const TimelineBox& b : boxes) {
    double offset = result.offset, scale = result.scale;
    for (const AutoSyncSegment& s : result.segments)
      if (b.row >= s.firstRow && b.row <= s.lastRow) offset = s.offset, scale = s.scale;
    auto at = [&](int32_t frame) {
      const double v = std::nearbyint(frame * scale + offset);
      return static_cast<int32_t>(std::clamp(v, 0.0, static_cast<double>(INT32_MAX)));
    };
    TimelineBox g = b;
    g.first = at(b.first);
    g.end = std::max(at(b.end), g.first);
    g.second = b.second == 0 ? 0 : at(b.second);
    ghosts.push_back(g);
  }
  std::stable_sort(ghosts.begin(), ghosts.end(),
                   [](const TimelineBox& a, const TimelineBox& b) { return a.first < b.first; });
  return ghosts;
}

int32_t LongestBox(const std::vector<TimelineBox>& boxes) {
  int32_t longest = 0;
  for (const TimelineBox& b : boxes) longest = std::max(longest, b.end - b.first);
  return longest;
}

std::pair<size_t, size_t> VisibleBoxes(const std::vector<TimelineBox>& boxes, int32_t longest,
                                       double from, double to) {
  const double earliest = from - longest;
  auto lo = std::partition_point(boxes.begin(), boxes.end(),
                                 [earliest](const TimelineBox& b) { return b.first < earliest; });
  auto hi =
      std::partition_point(lo, boxes.end(), [to](const TimelineBox& b) { return b.first < to; });
  return {static_cast<size_t>(lo - boxes.begin()), static_cast<size_t>(hi - boxes.begin())};
}

std::optional<BoxHit> HitTestBoxes(const std::vector<TimelineBox>& boxes, int32_t longest,
                                   const TimelineScale& scale, double x, int edgePixels) {
  const double reach = edgePixels * scale.framesPerPixel;
  const double at = scale.FrameAt(x);
  auto [lo, hi] = VisibleBoxes(boxes, longest, at - reach, at + reach + 1);
  std::optional<BoxHit> best;
  int bestRank = 0;  // 1 body, 2 edge outside the box, 3 edge inside
  for (size_t i = lo; i < hi; ++i) {
    const TimelineBox& b = boxes[i];
    const double left = scale.PixelOf(b.first), right = scale.PixelOf(b.end);
    // An edge takes the pixels just outside the box and up to a third of it
    // inside, so that the middle of a narrow box still moves it whole.
    const double inner = std::min<double>(edgePixels, (right - left) / 3);
    const bool nearStart = x >= left - edgePixels && x <= left + inner;
    const bool nearEnd = x >= right - inner && x <= right + edgePixels;
    std::optional<BoxPart> part;
    if (nearStart && nearEnd)
      part = std::abs(x - left) <= std::abs(x - right) ? BoxPart::StartEdge : BoxPart::EndEdge;
    else if (nearStart)
      part = BoxPart::StartEdge;
    else if (nearEnd)
      part = BoxPart::EndEdge;
    else if (x > left && x < right)
      part = BoxPart::Body;
    if (!part) continue;
    // Where two boxes touch, the edge of the box the pointer is in wins.
    const int rank = *part == BoxPart::Body ? 1 : x >= left && x <= right ? 3 : 2;
    if (rank >= bestRank) {
      best = BoxHit{i, *part};
      bestRank = rank;
    }
  }
  return best;
}

// ---------------------------------------------------------------- dragging

SnapEdges SpeechSnapEdges(const SoundSummary& sound, double filmFps) {
  SnapEdges edges;
  for (const SoundSummary::Stretch& s : sound.Speech()) {
    edges.starts.push_back(s.start * filmFps);
    edges.ends.push_back(s.end * filmFps);
  }
  return edges;
}

namespace {

// The value in sorted nearest to v, when within reach.
std::optional<double> Nearest(const std::vector<double>& sorted, double v, double reach) {
  auto it = std::lower_bound(sorted.begin(), sorted.end(), v);
  std::optional<double> best;
  if (it != sorted.end()) best = *it;
  if (it != sorted.begin() && (!best || v - *(it - 1) <= *best - v)) best = *(it - 1);
  if (best && std::abs(*best - v) <= reach) return best;
  return std::nullopt;
}

int64_t Snapped(int64_t frame, const std::vector<double>* edges, double reach) {
  if (!edges) return frame;
  if (auto to = Nearest(*edges, static_cast<double>(frame), reach)) return std::llround(*to);
  return frame;
}

int32_t Frame32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX)); }

}  // namespace

DragFrames DragToFrames(const TimelineDrag& drag, double pointerFrame, const SnapEdges* snap,
                        double snapFrames) {
  const TimelineBox& b = drag.box;
  const double motion = std::clamp(pointerFrame - drag.pressFrame, -4e9, 4e9);
  const auto delta = static_cast<int64_t>(std::nearbyint(motion));
  switch (drag.part) {
    case BoxPart::Body: {
      int64_t first = Snapped(b.first + delta, snap ? &snap->starts : nullptr, snapFrames);
      first = std::max<int64_t>(first, 0);
      const int64_t moved = first - b.first;
      const int64_t second = b.second == 0 ? 0 : std::max<int64_t>(b.second + moved, 0);
      return {Frame32(first), Frame32(second)};
    }
    case BoxPart::StartEdge: {
      int64_t first = Snapped(b.first + delta, snap ? &snap->starts : nullptr, snapFrames);
      first = std::clamp<int64_t>(first, 0, std::max<int64_t>(int64_t{b.end} - 1, 0));
      return {Frame32(first), b.second};
    }
    case BoxPart::EndEdge: {
      int64_t end = Snapped(b.end + delta, snap ? &snap->ends : nullptr, snapFrames);
      end = std::max<int64_t>(end, int64_t{b.first} + 1);
      return {b.first, Frame32(end)};
    }
  }
  return {b.first, b.second};
}

}  // namespace velorin
