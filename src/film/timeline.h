#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "document/line_store.h"
#include "film/sound_summary.h"
#include "sync/auto_sync.h"

namespace velorin {

// What the timeline shows: frames from firstFrame on, framesPerPixel frames
// in each pixel, over `width` pixels. Frames are the film's (and the
// subtitles'); pixel x covers frames [FrameAt(x), FrameAt(x + 1)).
struct TimelineScale {
  double firstFrame = 0;
  double framesPerPixel = 1;
  int width = 1;

  double PixelOf(double frame) const { return (frame - firstFrame) / framesPerPixel; }
  double FrameAt(double pixel) const { return firstFrame + pixel * framesPerPixel; }
  double LastFrame() const { return FrameAt(width); }
};

// The closest zoom: one frame this many pixels wide.
inline constexpr double kMaxPixelsPerFrame = 64;

// The zoom that shows the whole length (frames) in the width, never closer
// than kMaxPixelsPerFrame.
double WholeFilmFramesPerPixel(double lengthFrames, int width);
// Zooms by factor (> 1 closer) keeping the frame under pixel `anchor` where
// it is, between single frames and the whole length; then Clamp.
TimelineScale ZoomAt(TimelineScale scale, double factor, double anchor, double lengthFrames);
// Keeps the view inside [0, length]: it does not start before frame 0, nor
// end after the length when the length fills more than the width.
TimelineScale Clamp(TimelineScale scale, double lengthFrames);
// Scrolls so that frame is in view, a page at a time (the playing position
// leaving the right edge brings the next page).
TimelineScale FollowFrame(TimelineScale scale, double frame, double lengthFrames);

// The ruler: a tick every `step` frames from `first`, every `labelEvery`-th
// one labelled. Steps are whole frames up to a second, then whole seconds of
// the ruler's rate, so that labels stand at least minLabelPixels apart.
struct RulerTicks {
  double first = 0;
  double step = 1;
  int labelEvery = 1;
};
RulerTicks MakeRulerTicks(const TimelineScale& scale, double rate, int minLabelPixels);
// A time as the ruler shows it: "h:mm:ss,mmm", milliseconds rounded.
std::string TimelineTimeText(double seconds);

// A subtitle on the timeline: its row and frames. One without a second frame
// is drawn to the start of the next subtitle (open).
struct TimelineBox {
  int row = 0;
  int32_t first = 0;
  int32_t second = 0;  // as in the line; 0 for none
  int32_t end = 0;     // where the box ends: second, or the next start when open
  bool open = false;
  bool operator==(const TimelineBox&) const = default;
};

// The boxes of a document, in the order of their first frames. An open
// subtitle ends at the next greater first frame, or openFrames after its
// start when none follows. Rows whose frames do not fit 32 bits are left out.
std::vector<TimelineBox> MakeTimelineBoxes(LineSpan lines, int32_t openFrames);
// The boxes that reach into frames [from, to): a range of indices into boxes,
// found by bisection (longest is the longest box).
std::pair<size_t, size_t> VisibleBoxes(const std::vector<TimelineBox>& boxes, int32_t longest,
                                       double from, double to);
int32_t LongestBox(const std::vector<TimelineBox>& boxes);

// Where the boxes would go under an automatic synchronization's result
// (frame * scale + offset, the offset of the stretch a row lies in when the
// result has stretches), in the order of their new first frames.
std::vector<TimelineBox> GhostBoxes(const std::vector<TimelineBox>& boxes,
                                    const AutoSyncResult& result);

// Which part of a box the pointer is on.
enum class BoxPart { Body, StartEdge, EndEdge };
struct BoxHit {
  size_t box = 0;  // index into the boxes
  BoxPart part = BoxPart::Body;
  bool operator==(const BoxHit&) const = default;
};
// The box under pixel x: within edgePixels of an edge that edge, else the
// body. An edge wins over a body (of a narrow box on top of a long one too),
// the edge of the box the pointer is in over the touching edge of its
// neighbour, and otherwise the later box (drawn on top).
std::optional<BoxHit> HitTestBoxes(const std::vector<TimelineBox>& boxes, int32_t longest,
                                   const TimelineScale& scale, double x, int edgePixels);

// Dragging: the box and part pressed, the pointer's frame at the press and now.
struct TimelineDrag {
  TimelineBox box;
  BoxPart part = BoxPart::Body;
  double pressFrame = 0;
};
// Speech edges to snap to, in frames: starts for the subtitle's start, ends
// for its end.
struct SnapEdges {
  std::vector<double> starts;
  std::vector<double> ends;
};
SnapEdges SpeechSnapEdges(const SoundSummary& sound, double filmFps);
// The frames a drag gives the subtitle: moved by the pointer's motion
// rounded to whole frames, the first frame never below 0 and never at or
// after the end; with snap, the edge that moves (the start when the whole box
// moves) goes to the nearest speech edge within snapFrames of it. A moved
// body keeps its length; an open box gets a second frame only when its end is
// dragged.
struct DragFrames {
  int32_t first = 0;
  int32_t second = 0;
  bool operator==(const DragFrames&) const = default;
};
DragFrames DragToFrames(const TimelineDrag& drag, double pointerFrame, const SnapEdges* snap,
                        double snapFrames);

}  // namespace velorin
