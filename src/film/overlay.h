#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "document/subtitle_list.h"
#include "film/media_player.h"

namespace velorin {

// The subtitle overlay over the playing film. It walks through the list in
// list order, one subtitle at a time, waiting for the subtitle at the cursor:
// it never searches the list, so a tick costs the same for any list length.
struct OverlayState {
  int cursor = 0;       // list index of the subtitle waited for or shown
  int shownFirst = 0;   // frames of the subtitle at the cursor
  int shownSecond = 0;  // 0 when it has no second frame
  std::string caption;  // document bytes: first display line, "..." when more
  bool visible = false;
};

// The overlay text of a subtitle text: its first display line, followed by
// "..." when it has more. Tags stay as typed.
std::string OverlayCaption(std::string_view text);

// Loads the subtitle at index into the overlay: caption and shown frames.
// Past the end of the list the caption is emptied and the frames stay.
// Throws Error when the line's frames do not fit 32 bits.
void LoadOverlaySubtitle(OverlayState& state, const SubtitleList& doc, int index);

// What one tick changed, for the window to show.
struct OverlayTick {
  bool repaint = false;         // the caption label needs painting again
  bool positionShown = false;   // the frame counter shows `position`
  bool captionChanged = false;  // a new subtitle was loaded (text, centring)
};

// One tick of the overlay given the player's mode and position (frames).
// Reads at most the one list row it moves to.
OverlayTick UpdateOverlay(OverlayState& state, const SubtitleList& doc, PlayerMode mode,
                          int64_t position);

}  // namespace velorin
