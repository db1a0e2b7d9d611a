#include "sync/time_frames.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(TimeToFrame, SecondsTimesRateRoundedHalfToEven) {
  struct Case {
    TimeFields time;
    const char* rate;
    int64_t frame;
  };
  const Case cases[] = {
      {{1, 2, 3}, "25,000", 93075}, {{1, 2, 3}, "23,976", 89263},  // 89262,648
      {{0, 0, 0}, "29,970", 0},     {{24, 60, 60}, "25,000", (86400 + 3600 + 60) * 25},
      {{0, 0, 1}, "29,970", 30},     // 29,97
      {{0, 0, 50}, "23,976", 1199},  // 1198,8
      {{0, 1, 2}, "30,000", 1860},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TimeToFrame(c.time, *FrameRate::Parse(c.rate)), c.frame) << c.rate;
  // Exact halves go to the even frame.
  EXPECT_EQ(TimeToFrame({0, 0, 1}, FrameRate(2500)), 2);
  EXPECT_EQ(TimeToFrame({0, 0, 3}, FrameRate(2500)), 8);  // 7,5
}

TEST(FrameToTime, FieldsCutCappedAndCarried) {
  struct Case {
    double frame;
    const char* rate;
    TimeFields time;
  };
  const Case cases[] = {
      {0, "25,000", {0, 0, 0}},
      {93075, "25,000", {1, 2, 3}},
      {89263, "23,976", {1, 2, 3}},
      {25.0 * 3600 * 25, "25,000", {24, 60, 0}},   // 25 h
      {26.5 * 3600 * 25, "25,000", {24, 60, 60}},  // excess capped at each field
      {25 * 59.5 + 0.01, "25,000", {0, 0, 60}},    // 59,5 s or more shows as 60
      {2877, "23,976", {0, 1, 60}},                // 119,996 s
      {91500, "25,000", {1, 1, 0}},
      {25 * 59.4, "25,000", {0, 0, 59}},
      {25 * 2.5, "25,000", {0, 0, 2}},  // halves to even
      {25 * 3.5, "25,000", {0, 0, 4}},
      {29.97 * 3723, "29,970", {1, 2, 3}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FrameToTime(c.frame, *FrameRate::Parse(c.rate)), c.time) << c.frame << " " << c.rate;
}

TEST(FrameToTime, WholeSecondsAtWholeRatesComeBackUnchanged) {
  // An exact minute must not come out as 59 s rounded up to 60 (1:00:60).
  for (auto rateText : {"24,000", "25,000", "30,000"}) {
    const FrameRate rate = *FrameRate::Parse(rateText);
    int wrong = 0;
    for (int s = 0; s < 24 * 3600; ++s) {
      TimeFields t{s / 3600, s / 60 % 60, s % 60};
      if (!(FrameToTime(static_cast<double>(TimeToFrame(t, rate)), rate) == t) && ++wrong < 5)
        ADD_FAILURE() << rateText << " " << t.hours << ":" << t.minutes << ":" << t.seconds;
    }
  }
}

TEST(NearestFrameRate, PicksNearestOfferedRate) {
  struct Case {
    int64_t ms, frames;
    int current, expected;
  };
  const Case cases[] = {
      {7200000, 172800, 2, 1},                         // 24 fps
      {7200000, 179820, 0, 2},                         // 24,975 -> 25,000
      {10000, 250, -1, 2},                             // 25 fps, nothing selected before
      {10000, 245, 2, 1},                              // 24,5 exactly between: the earlier rate
      {10000, 239, 2, 0},                              // 23,9
      {10000, 300, 2, 4},                              // 30
      {10000, 299, 2, 3},                              // 29,9
      {0, 250, 3, 3},                                  // length 0 ms: selection stays
      {-5, 250, -1, -1},       {1000, 2000000, 2, 2},  // 1000 or more away from all: stays
  };
  for (const auto& c : cases)
    EXPECT_EQ(NearestFrameRate(c.ms, c.frames, c.current), c.expected)
        << c.ms << " ms " << c.frames << " frames";
}

}  // namespace
}  // namespace velorin
