#include "film/overlay.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <vector>

#include "film/fake_player.h"

namespace velorin {
namespace {

SubtitleList MakeList(std::vector<std::string> lines) {
  SubtitleList doc;
  doc.Assign(std::move(lines));
  return doc;
}

// Plays frames from..to one tick per frame and records, per frame, the
// caption visible after the tick ("" when hidden).
std::map<int64_t, std::string> Play(OverlayState& state, const SubtitleList& doc,
                                    test::FakePlayer& player, int64_t from, int64_t to) {
  std::map<int64_t, std::string> seen;
  player.Seek(from);
  player.Play();
  for (int64_t p = from; p <= to; ++p) {
    player.position = p;
    UpdateOverlay(state, doc, player.Mode(), player.Position());
    seen[p] = state.visible ? state.caption : "";
  }
  return seen;
}

// Frames at which each caption was visible, as [first, last] runs.
std::vector<std::tuple<std::string, int64_t, int64_t>> Runs(
    const std::map<int64_t, std::string>& seen) {
  std::vector<std::tuple<std::string, int64_t, int64_t>> runs;
  for (const auto& [p, caption] : seen) {
    if (caption.empty()) continue;
    if (!runs.empty() && std::get<0>(runs.back()) == caption && std::get<2>(runs.back()) == p - 1)
      std::get<2>(runs.back()) = p;
    else
      runs.emplace_back(caption, p, p);
  }
  return runs;
}

using RunList = std::vector<std::tuple<std::string, int64_t, int64_t>>;

TEST(Overlay, WalksThroughTheListWhilePlaying) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    RunList expected;
  };
  const Case cases[] = {
      {"two subtitles", {"{10}{20}A", "{30}{40}B"}, {{"A", 10, 19}, {"B", 30, 39}}},
      {"first without second frame is passed over", {"{10}{}A", "{30}{40}B"}, {{"B", 30, 39}}},
      {"second display line", {"{10}{20}Ahoj|světe"}, {{"Ahoj...", 10, 19}}},
      {"tags as typed", {"{10}{20}{Y:i}Ahoj"}, {{"{Y:i}Ahoj", 10, 19}}},
      {"unsorted list shows out of time",
       {"{30}{40}B", "{10}{20}A", "{50}{60}C"},
       {{"B", 30, 39}, {"C", 50, 59}}},
      {"empty text hides the label", {"{10}{20}", "{30}{40}B"}, {{"B", 30, 39}}},
      {"frames too large are skipped", {"{9999999999}{1}X", "{30}{40}B"}, {{"B", 30, 39}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SubtitleList doc = MakeList(c.lines);
    OverlayState state;
    test::FakePlayer player;
    player.Open("film.avi");
    try {
      LoadOverlaySubtitle(state, doc, state.cursor);
    } catch (const Error&) {
    }
    EXPECT_EQ(Runs(Play(state, doc, player, 0, 100)), c.expected);
  }
}

TEST(Overlay, CursorPassesTheEndAndNothingMoreIsShown) {
  SubtitleList doc = MakeList({"{10}{20}A", "{30}{40}B"});
  OverlayState state;
  test::FakePlayer player;
  player.Open("film.avi");
  LoadOverlaySubtitle(state, doc, 0);
  auto seen = Play(state, doc, player, 0, 41);
  EXPECT_EQ(state.cursor, 2);
  EXPECT_EQ(state.caption, "");
  EXPECT_EQ(state.shownFirst, 30);  // frames of the last subtitle stay
  EXPECT_EQ(state.shownSecond, 40);
  seen = Play(state, doc, player, 42, 60);
  EXPECT_TRUE(Runs(seen).empty());
}

TEST(Overlay, StopKeepsTheCursorAndReplayShowsOnlyLaterSubtitles) {
  SubtitleList doc = MakeList({"{10}{20}A", "{30}{40}B", "{50}{60}C"});
  OverlayState state;
  test::FakePlayer player;
  player.Open("film.avi");
  LoadOverlaySubtitle(state, doc, 0);
  Play(state, doc, player, 0, 35);
  EXPECT_EQ(state.cursor, 1);
  EXPECT_TRUE(state.visible);

  // Stopped and rewound: the overlay does not change at all.
  player.Rewind();
  player.Stop();
  OverlayState before = state;
  OverlayTick tick = UpdateOverlay(state, doc, player.Mode(), player.Position());
  EXPECT_FALSE(tick.repaint || tick.positionShown || tick.captionChanged);
  EXPECT_EQ(state.cursor, before.cursor);
  EXPECT_EQ(state.visible, before.visible);

  EXPECT_EQ(Runs(Play(state, doc, player, 0, 70)), (RunList{{"B", 30, 39}, {"C", 50, 59}}));

  // Jumping back (a double click) brings the earlier ones again.
  state.cursor = 0;
  LoadOverlaySubtitle(state, doc, 0);
  EXPECT_EQ(Runs(Play(state, doc, player, 10, 70)),
            (RunList{{"A", 10, 19}, {"B", 30, 39}, {"C", 50, 59}}));
}

TEST(Overlay, ModesOtherThanPlayingLeaveTheOverlayAlone) {
  SubtitleList doc = MakeList({"{10}{20}A", "{30}{40}B"});
  struct Case {
    PlayerMode mode;
    bool repaint;
  };
  for (auto c : {Case{PlayerMode::Paused, true}, Case{PlayerMode::Stopped, false},
                 Case{PlayerMode::NotOpen, false}}) {
    OverlayState state;
    LoadOverlaySubtitle(state, doc, 0);
    OverlayTick tick = UpdateOverlay(state, doc, c.mode, 100);
    EXPECT_EQ(tick.repaint, c.repaint);
    EXPECT_FALSE(tick.positionShown);
    EXPECT_FALSE(tick.captionChanged);
    EXPECT_EQ(state.cursor, 0);
    EXPECT_FALSE(state.visible);
  }
}

TEST(Overlay, PlayingTickReportsPositionAndMovesOneSubtitleAtATime) {
  SubtitleList doc = MakeList({"{1}{2}A", "{3}{4}B", "{5}{6}C"});
  OverlayState state;
  LoadOverlaySubtitle(state, doc, 0);
  // A jump far ahead moves the cursor by one per tick, never by a search.
  OverlayTick tick = UpdateOverlay(state, doc, PlayerMode::Playing, 1000);
  EXPECT_TRUE(tick.repaint && tick.positionShown && tick.captionChanged);
  EXPECT_EQ(state.cursor, 1);
  EXPECT_EQ(state.caption, "B");
  UpdateOverlay(state, doc, PlayerMode::Playing, 1000);
  EXPECT_EQ(state.cursor, 2);
  EXPECT_EQ(state.caption, "C");
  // Visibility is decided on the subtitle shown before the move.
  state.cursor = 0;
  LoadOverlaySubtitle(state, doc, 0);
  UpdateOverlay(state, doc, PlayerMode::Playing, 1);
  EXPECT_TRUE(state.visible);
  UpdateOverlay(state, doc, PlayerMode::Playing, 3);
  EXPECT_FALSE(state.visible);  // A hidden; B loaded, shown from the next tick
  EXPECT_EQ(state.caption, "B");
  UpdateOverlay(state, doc, PlayerMode::Playing, 3);
  EXPECT_TRUE(state.visible);
}

TEST(Overlay, CursorDoesNotOverflowPastTheEnd) {
  SubtitleList doc = MakeList({"{1}{2}A"});
  OverlayState state;
  state.cursor = INT32_MAX;
  UpdateOverlay(state, doc, PlayerMode::Playing, 10);
  EXPECT_EQ(state.cursor, INT32_MAX);
  EXPECT_EQ(state.caption, "");
}

TEST(OverlayCaption, FirstDisplayLineWithEllipsis) {
  const std::pair<const char*, const char*> cases[] = {
      {"Ahoj", "Ahoj"},
      {"Ahoj|světe", "Ahoj..."},
      {"a|b|c", "a..."},
      {"", ""},
      {"|", "..."},
      {"{Y:i}Ahoj", "{Y:i}Ahoj"},
      {"{y:b}A|{y:i}B", "{y:b}A..."},
  };
  for (auto [text, caption] : cases) EXPECT_EQ(OverlayCaption(text), caption) << text;
}

TEST(LoadOverlaySubtitle, PastTheEndEmptiesCaptionAndKeepsFrames) {
  SubtitleList doc = MakeList({"{10}{20}A"});
  OverlayState state;
  LoadOverlaySubtitle(state, doc, 0);
  LoadOverlaySubtitle(state, doc, 5);
  EXPECT_EQ(state.caption, "");
  EXPECT_EQ(state.shownFirst, 10);
  EXPECT_EQ(state.shownSecond, 20);
  EXPECT_THROW(LoadOverlaySubtitle(state, MakeList({"{1}{99999999999}x"}), 0), Error);
}

}  // namespace
}  // namespace velorin
