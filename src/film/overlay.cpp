#include "film/overlay.h"

#include <cstdint>

#include "document/error.h"
#include "document/subtitle_line.h"

namespace velorin {

std::string OverlayCaption(std::string_view text) {
  size_t bar = text.find('|');
  if (bar == std::string_view::npos) return std::string(text);
  std::string caption(text.substr(0, bar));
  caption += "...";
  return caption;
}

void LoadOverlaySubtitle(OverlayState& state, const SubtitleList& doc, int index) {
  state.caption.clear();
  if (index < 0 || index >= doc.Count()) return;
  const SubtitleLineView line(doc.Line(index));
  const int32_t first = line.First();
  state.shownSecond = line.Second();
  state.shownFirst = first;
  state.caption = OverlayCaption(line.Text());
}

OverlayTick UpdateOverlay(OverlayState& state, const SubtitleList& doc, PlayerMode mode,
                          int64_t position) {
  OverlayTick tick;
  if (mode == PlayerMode::Paused) {
    tick.repaint = true;
    return tick;
  }
  if (mode != PlayerMode::Playing) return tick;

  tick.repaint = true;
  tick.positionShown = true;
  state.visible =
      !state.caption.empty() && state.shownFirst <= position && position < state.shownSecond;
  if (position > state.shownSecond) {
    // Past the end of the list the cursor keeps counting, as the walk does not
    // look at the list length; it only stops short of overflowing.
    if (state.cursor < INT32_MAX) ++state.cursor;
    bool hadCaption = !state.caption.empty();
    try {
      LoadOverlaySubtitle(state, doc, state.cursor);
    } catch (const Error&) {
      // A line whose frames do not fit is never shown: frames 0 pass it over
      // on the next tick instead of raising the error every 10 ms.
      state.caption.clear();
      state.shownFirst = 0;
      state.shownSecond = 0;
    }
    tick.captionChanged = hadCaption || !state.caption.empty() || state.cursor < doc.Count();
  }
  return tick;
}

}  // namespace velorin
