#include "film/timeline.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(TimelineScale, ZoomKeepsTheFrameUnderThePointerBetweenOneFrameAndTheWholeFilm) {
  struct Case {
    double first, fpp, factor, anchor;
    double wantFirst, wantFpp;
  } cases[] = {
      {0, 10, 2, 500, 2500, 5},                       // closer around pixel 500 (frame 5000)
      {1000, 1, 0.5, 0, 1000, 2},                     // out around the left edge
      {0, 1, 1000, 100, 100 - 100 / 64.0, 1.0 / 64},  // no closer than 64 pixels a frame
      {5000, 10, 0.001, 300, 0, 100},   // no further than the whole film (100,000 frames)
      {99000, 1, 0.5, 1000, 98000, 2},  // the end stays inside the film
  };
  for (const Case& c : cases) {
    const TimelineScale s = ZoomAt({c.first, c.fpp, 1000}, c.factor, c.anchor, 100000);
    EXPECT_DOUBLE_EQ(s.framesPerPixel, c.wantFpp) << c.first << " " << c.factor;
    EXPECT_DOUBLE_EQ(s.firstFrame, c.wantFirst) << c.first << " " << c.factor;
    EXPECT_DOUBLE_EQ(s.FrameAt(s.PixelOf(1234.5)), 1234.5);
  }
  // A film shorter than the window: the whole of it at the closest zoom.
  EXPECT_DOUBLE_EQ(WholeFilmFramesPerPixel(10, 1000), 1.0 / 64);
}

TEST(TimelineScale, FollowingTheFilmTurnsAPageOnlyWhenTheFrameLeavesIt) {
  struct Case {
    double first, frame, want;
  } cases[] = {{0, 500, 0}, {0, 999, 0}, {0, 1000, 950}, {3000, 2000, 1950}, {0, 99990, 99000}};
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(FollowFrame({c.first, 1, 1000}, c.frame, 100000).firstFrame, c.want)
        << c.frame;
}

TEST(Ruler, LabelsStandApartInFramesThenInSecondsOfTheRate) {
  struct Case {
    double fpp, rate;
    double step;
    int labelEvery;
  } cases[] = {
      {1.0 / 64, 25, 1, 2},   // a frame is 64 pixels: every other frame labelled
      {1.0 / 128, 25, 1, 1},  // every frame
      {0.02, 25, 1, 2},
      {0.5, 25, 12.5, 4},      // 2 pixels a frame: a label every 2 s, a tick every half
      {1, 23.976, 23.976, 5},  // every 5 s, a tick a second of the rate
      {1000, 25, 45000, 4},    // every 2 hours
  };
  for (const Case& c : cases) {
    const RulerTicks t = MakeRulerTicks({0, c.fpp, 1000}, c.rate, 100);
    // The labels are at least 100 pixels apart, and the next smaller step would not be.
    EXPECT_GE(t.step * t.labelEvery / c.fpp, 100 - 1e-9) << c.fpp;
    EXPECT_DOUBLE_EQ(t.step * t.labelEvery, c.step * c.labelEvery) << c.fpp;
    EXPECT_EQ(t.labelEvery, c.labelEvery) << c.fpp;
  }
  EXPECT_DOUBLE_EQ(MakeRulerTicks({1234.5, 1, 1000}, 25, 100).first, 1225);
}

TEST(Ruler, TimesAsHoursMinutesSecondsAndMilliseconds) {
  struct Case {
    double seconds;
    const char* text;
  } cases[] = {{0, "0:00:00,000"},       {1.0 / 25 * 37, "0:00:01,480"},
               {59.9996, "0:01:00,000"}, {3723.0406, "1:02:03,041"},
               {-1, "0:00:00,000"},      {36000, "10:00:00,000"}};
  for (const Case& c : cases) EXPECT_EQ(TimelineTimeText(c.seconds), c.text) << c.seconds;
}

TEST(TimelineBoxes, OpenSubtitlesReachTheNextStart) {
  const std::vector<std::string> lines = {
      "{100}{150}a", "{50}{}b",     "{200}{0}c", "{99999999999}{1}big",
      "{300}{280}d", "{120}{130}e", "{120}{}f"};
  const std::vector<TimelineBox> boxes = MakeTimelineBoxes(lines, 50);
  const std::vector<TimelineBox> want = {{1, 50, 0, 100, true},     {0, 100, 150, 150, false},
                                         {5, 120, 130, 130, false}, {6, 120, 0, 200, true},
                                         {2, 200, 0, 300, true},    {4, 300, 280, 350, true}};
  EXPECT_EQ(boxes, want);
  EXPECT_EQ(LongestBox(boxes), 100);
  // Frames 140 to 160 meet rows 0, 5 and 6 (and the look-back takes row 1).
  auto [lo, hi] = VisibleBoxes(boxes, LongestBox(boxes), 140, 160);
  EXPECT_LE(lo, 1u);
  EXPECT_EQ(hi, 4u);
}

TEST(TimelineBoxes, GhostsGoWhereTheAutomaticSynchronizationWouldPutThem) {
  const std::vector<TimelineBox> boxes = {
      {0, 100, 150, 150, false}, {1, 200, 0, 300, true}, {2, 300, 350, 350, false}};
  AutoSyncResult single;
  single.offset = 10.4;
  single.scale = 1.5;
  EXPECT_EQ(GhostBoxes(boxes, single),
            (std::vector<TimelineBox>{
                {0, 160, 235, 235, false}, {1, 310, 0, 460, true}, {2, 460, 535, 535, false}}));
  // Stretches: rows 0 and 1 earlier, row 2 moved far back, before them.
  AutoSyncResult cut = single;
  cut.segments = {{0, 1, -50, 1, 1}, {2, 2, -290, 1, 1}};
  EXPECT_EQ(GhostBoxes(boxes, cut),
            (std::vector<TimelineBox>{
                {2, 10, 60, 60, false}, {0, 50, 100, 100, false}, {1, 150, 0, 250, true}}));
}

TEST(TimelineBoxes, HitTestingFindsEdgesBodiesAndTheBoxOnTop) {
  // One pixel per frame from frame 0.
  const std::vector<TimelineBox> boxes = {{0, 100, 200, 200, false}, {1, 150, 160, 160, false},
                                          {2, 300, 306, 306, false}, {3, 400, 0, 500, true},
                                          {4, 600, 650, 650, false}, {5, 650, 700, 700, false}};
  const TimelineScale s{0, 1, 1000};
  struct Case {
    double x;
    std::optional<BoxHit> hit;
  } cases[] = {
      {90, std::nullopt},
      {97, BoxHit{0, BoxPart::StartEdge}},
      {104, BoxHit{0, BoxPart::StartEdge}},
      {120, BoxHit{0, BoxPart::Body}},
      {152, BoxHit{1, BoxPart::StartEdge}},  // a narrow box on top of a wide one
      {155, BoxHit{1, BoxPart::Body}},
      {158, BoxHit{1, BoxPart::EndEdge}},
      {198, BoxHit{0, BoxPart::EndEdge}},
      {203, BoxHit{0, BoxPart::EndEdge}},
      {205, std::nullopt},
      {302, BoxHit{2, BoxPart::StartEdge}},  // six pixels wide: a third each
      {303, BoxHit{2, BoxPart::Body}},
      {304, BoxHit{2, BoxPart::EndEdge}},
      {450, BoxHit{3, BoxPart::Body}},
      {499, BoxHit{3, BoxPart::EndEdge}},
      {648, BoxHit{4, BoxPart::EndEdge}},  // touching boxes: the one the pointer is in
      {652, BoxHit{5, BoxPart::StartEdge}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HitTestBoxes(boxes, LongestBox(boxes), s, c.x, 4), c.hit) << c.x;
  // Zoomed out to ten frames a pixel, the edge of the narrow box wins.
  EXPECT_EQ(HitTestBoxes(boxes, LongestBox(boxes), {0, 10, 100}, 15, 4),
            (BoxHit{1, BoxPart::StartEdge}));
}

TEST(TimelineDrag, PointerMotionBecomesWholeFramesWithinTheFilm) {
  const TimelineBox closed{7, 100, 150, 150, false};
  const TimelineBox open{8, 100, 0, 180, true};
  SnapEdges speech;
  speech.starts = {90.4, 130.2};
  speech.ends = {160.6, 240};
  struct Case {
    TimelineBox box;
    BoxPart part;
    double motion;
    bool snap;
    DragFrames want;
  } cases[] = {
      {closed, BoxPart::Body, 10.4, false, {110, 160}},
      {closed, BoxPart::Body, 10.6, false, {111, 161}},
      {closed, BoxPart::Body, -500, false, {0, 50}},  // never before frame 0, length kept
      {closed, BoxPart::Body, -8, true, {90, 140}},   // start onto speech at 90.4
      {closed, BoxPart::Body, 40, true, {140, 190}},  // 130.2 is 9.8 away: too far
      {closed, BoxPart::StartEdge, 25, false, {125, 150}},
      {closed, BoxPart::StartEdge, 80, false, {149, 150}},  // never at or after the end
      {closed, BoxPart::StartEdge, 28, true, {130, 150}},
      {closed, BoxPart::EndEdge, -70, false, {100, 101}},
      {closed, BoxPart::EndEdge, 7, true, {100, 161}},  // end onto speech end 160.6
      {open, BoxPart::Body, 5, false, {105, 0}},        // stays open
      {open, BoxPart::StartEdge, 200, false, {179, 0}},
      {open, BoxPart::EndEdge, -20, false, {100, 160}},  // gets a second frame
  };
  for (const Case& c : cases) {
    const TimelineDrag drag{c.box, c.part, 1000.25};
    EXPECT_EQ(DragToFrames(drag, 1000.25 + c.motion, c.snap ? &speech : nullptr, 5), c.want)
        << static_cast<int>(c.part) << " " << c.motion;
  }
}

TEST(TimelineDrag, SnapEdgesAreTheSpeechStretchesInFilmFrames) {
  SoundSummary sound(std::vector<uint8_t>(10));
  sound.SetSpeech(std::vector<SoundSummary::Stretch>{{1, 2}, {3.5, 4}});
  const SnapEdges e = SpeechSnapEdges(sound, 25);
  EXPECT_EQ(e.starts, (std::vector<double>{25, 87.5}));
  EXPECT_EQ(e.ends, (std::vector<double>{50, 100}));
}

}  // namespace
}  // namespace velorin
