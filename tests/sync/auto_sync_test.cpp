// The alignment on speech tracks made up here: where the speech lies is
// known, so the subtitles' true frames are known to the frame.
#include "sync/auto_sync.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "document/error.h"
#include "document/subtitle_line.h"
#include "sync/retiming.h"

namespace velorin {
namespace {

using Lines = std::vector<std::string>;

constexpr double kNtsc = 24000.0 / 1001;

struct Random {
  uint64_t state;
  explicit Random(uint64_t seed) : state(seed * 2654435761u + 1) {}
  double Uniform(double lo, double hi) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return lo + (hi - lo) * static_cast<double>(state >> 11) / 9007199254740992.0;
  }
};

// A film of `seconds` with sentences of 0.6 to 4 s after pauses of 0.3 to 4 s,
// each with a short pause inside, and the subtitles at the frames where each
// sentence starts, shown until a little after it ends. `flips` marks that
// share of the 10 ms steps wrongly (noise taken for speech and back).
struct Film {
  std::vector<bool> speech;
  Lines truth;
};

Film MakeFilm(double seconds, double fps, uint64_t seed, double flips = 0) {
  Random r(seed);
  Film f;
  f.speech.assign(static_cast<size_t>(seconds * 100), false);
  double t = 25;  // late enough for every document shift below to stay after frame 0
  while (true) {
    const double length = r.Uniform(0.6, 4);
    if (t + length + 1 > seconds) break;
    const auto from = static_cast<size_t>(std::lround(t * 100));
    const auto to = static_cast<size_t>(std::lround((t + length) * 100));
    const size_t breath = from + (to - from) / 2;
    for (size_t i = from; i < to; ++i) f.speech[i] = i < breath || i >= breath + 12;
    const auto first = static_cast<int32_t>(std::lround(static_cast<double>(from) / 100.0 * fps));
    const auto second = static_cast<int32_t>(std::lround((t + length + r.Uniform(0.2, 0.9)) * fps));
    f.truth.push_back(ComposeSubtitleLine(first, second, "x"));
    t += length + r.Uniform(0.3, 4);
  }
  for (size_t i = 0; i < f.speech.size(); ++i)
    if (r.Uniform(0, 1) < flips) f.speech[i] = !f.speech[i];
  return f;
}

// The document as it was made for another copy: true = wrong * scale + offset.
Lines Mistimed(const Lines& truth, double offset, double scale) {
  Lines out;
  for (const std::string& l : truth) {
    const SubtitleFields f = ParseSubtitleLine(l);
    auto back = [&](int32_t x) { return static_cast<int32_t>(std::lround((x - offset) / scale)); };
    out.push_back(ComposeSubtitleLine(back(f.first), back(f.second), f.text));
  }
  return out;
}

// The largest distance in frames between a retimed first frame and the true
// one, retiming with the texts as the recalculation reads them.
int32_t WorstFrameError(const Lines& wrong, const Lines& truth, const std::string& offsetText,
                        const std::string& scaleText) {
  const long double offset = RoundHalfEven(*ParseDecimal(offsetText));
  const double scale = *ParseDecimal(scaleText);
  int32_t worst = 0;
  for (size_t i = 0; i < wrong.size(); ++i) {
    const auto got = static_cast<int32_t>(RetimeFrame(ParseFirstFrame(wrong[i]), offset, scale));
    worst = std::max(worst, std::abs(got - ParseFirstFrame(truth[i])));
  }
  return worst;
}

TEST(AlignToSpeech, RecoversOffsetAndScaleWithinAFrame) {
  const struct {
    double fps;
    double offsetSeconds;  // of the true mapping, in seconds of the film
    double scale;
    double flips;
    bool exactScale;  // one of the candidate scales: found exactly
  } cases[] = {
      {25, 12.5, 1, 0, true},           {25, -7.3, 1, 0, true},
      {kNtsc, 3.1, 1, 0, true},         {25, -20, 25 / kNtsc, 0, true},
      {25, 4, kNtsc / 25, 0, true},     {25, -3, 25.0 / 24, 0, true},
      {25, -3, 24.0 / 25, 0, true},     {kNtsc, -2, 24 / kNtsc, 0, true},
      {kNtsc, -2, kNtsc / 24, 0, true}, {25, -1, 30.0 / 25, 0, true},
      {25, 9, 25.0 / 30, 0, true},      {kNtsc, -5, 25 / kNtsc, 0.02, true},  // noise
      {25, -6, 1.0003, 0, false},  // between the candidates
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fps << " fps, " << c.offsetSeconds << " s, x" << c.scale);
    const Film film = MakeFilm(600, c.fps, 7, c.flips);
    const Lines wrong = Mistimed(film.truth, c.offsetSeconds * c.fps, c.scale);
    const AutoSyncResult r = AlignToSpeech(film.speech, wrong, c.fps);
    EXPECT_EQ(r.status, AutoSyncStatus::Found);
    EXPECT_GT(r.confidence, 0.3);
    if (c.exactScale) {
      EXPECT_DOUBLE_EQ(r.scale, c.scale);
    }
    EXPECT_LE(WorstFrameError(wrong, film.truth, r.offsetText, r.scaleText), 1);
  }
}

TEST(AlignToSpeech, ScalesTheSoundCannotTellApartMeetHalfway) {
  // On two and a half minutes, 1 and 1,001 differ by under four frames from
  // end to end, about what a noisy track can settle. Taking either one when
  // the other is true puts the ends two frames off; the scale between them
  // keeps most results within a frame.
  int moreThanAFrame = 0;
  for (uint64_t seed = 1; seed <= 30; ++seed)
    for (double scale : {1.001, 1 / 1.001}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", x" << scale);
      const Film film = MakeFilm(150, 25, seed, 0.03);
      const Lines wrong = Mistimed(film.truth, -3.3 * 25, scale);
      const AutoSyncResult r = AlignToSpeech(film.speech, wrong, 25);
      ASSERT_EQ(r.status, AutoSyncStatus::Found) << AutoSyncMessage(r);
      const int32_t error = WorstFrameError(wrong, film.truth, r.offsetText, r.scaleText);
      EXPECT_LE(error, 2);
      moreThanAFrame += error > 1 ? 1 : 0;
    }
  EXPECT_LE(moreThanAFrame, 10);  // of 60
}

TEST(AlignToSpeech, StretchesOfACutMeetHalfwayToo) {
  // The same around a cut: 10 s that the document has and the film lacks, two
  // stretches of a minute and a half sharing one scale.
  int moreThanAFrame = 0, found = 0;
  for (uint64_t seed = 1; seed <= 12; ++seed)
    for (double scale : {1.001, 1 / 1.001}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", x" << scale);
      const Film film = MakeFilm(210, 25, seed, 0.03);
      const size_t half = film.truth.size() / 2;
      Lines doc;
      for (size_t i = 0; i < film.truth.size(); ++i)
        doc.push_back(i < half ? film.truth[i] : Mistimed({film.truth[i]}, -250, 1).front());
      const Lines wrong = Mistimed(doc, -3.3 * 25, scale);
      const AutoSyncResult r = AlignToSpeech(film.speech, wrong, 25, true);
      if (r.status != AutoSyncStatus::Found || r.segments.size() != 2) continue;
      ++found;
      int32_t error = 0;
      for (const AutoSyncSegment& s : r.segments)
        for (int row = s.firstRow; row <= s.lastRow; ++row) {
          const auto got = static_cast<int32_t>(
              RetimeFrame(ParseFirstFrame(wrong[static_cast<size_t>(row)]), s.offset, s.scale));
          const int32_t want = ParseFirstFrame(film.truth[static_cast<size_t>(row)]);
          error = std::max(error, std::abs(got - want));
        }
      EXPECT_LE(error, 2);
      moreThanAFrame += error > 1 ? 1 : 0;
    }
  EXPECT_GE(found, 20);  // of 24
  // The first usual ratio that fits as well put 13 of them two frames off.
  EXPECT_LE(moreThanAFrame, 10);
}

TEST(AlignToSpeech, FieldsAreWhatEqualsShowsForTheFrames) {
  const Film film = MakeFilm(300, 25, 3);
  const Lines wrong = Mistimed(film.truth, 37.6, 25 / kNtsc);
  const AutoSyncResult r = AlignToSpeech(film.speech, wrong, 25);
  ASSERT_EQ(r.status, AutoSyncStatus::Found);
  EXPECT_EQ(r.firstOld, ParseFirstFrame(wrong.front()));
  EXPECT_EQ(r.lastOld, ParseFirstFrame(wrong.back()));
  const RetimingValues v = ComputeRetiming(r.firstOld, r.lastOld, r.firstNew, r.lastNew);
  ASSERT_TRUE(v.success);
  EXPECT_EQ(r.offsetText, FormatDecimal(v.offset));
  EXPECT_EQ(r.scaleText, FormatDecimal(v.scale));
}

TEST(FillRetimingFields, PicksTheFramesWhoseRetimingStaysNearest) {
  const struct {
    Lines lines;
    double offset, scale;
    int32_t firstNew, lastNew;
    const char* offsetText;
    const char* scaleText;
  } cases[] = {
      // Whole frames: "=" gives the mapping itself.
      {{"{100}{}a", "{1100}{}b"}, 50, 1, 150, 1150, "50", "1"},
      // 149,6 and 1149,6: 150 and 1150 keep both ends within 0,4 of a frame.
      {{"{100}{}a", "{1100}{}b"}, 49.6, 1, 150, 1150, "50", "1"},
      // One subtitle: "=" cannot be used, the values are shown as they are.
      {{"{100}{}a"}, 49.6, 1.25, 175, 175, "49,6", "1,25"},
  };
  for (const auto& c : cases) {
    AutoSyncResult r;
    r.offset = c.offset;
    r.scale = c.scale;
    FillRetimingFields(r, c.lines);
    EXPECT_EQ(r.firstNew, c.firstNew);
    EXPECT_EQ(r.lastNew, c.lastNew);
    EXPECT_EQ(r.offsetText, c.offsetText);
    EXPECT_EQ(r.scaleText, c.scaleText);
  }
}

TEST(AlignToSpeech, SaysWhenTheSoundCannotDecide) {
  const Film film = MakeFilm(300, 25, 5);
  const Film other = MakeFilm(300, 25, 6);  // someone else's film
  const struct {
    std::vector<bool> speech;
    Lines lines;
    AutoSyncStatus status;
  } cases[] = {
      {std::vector<bool>(30000, false), film.truth, AutoSyncStatus::NoSpeech},
      // Speech everywhere is speech, though it places nothing.
      {std::vector<bool>(30000, true), film.truth, AutoSyncStatus::Unclear},
      {{}, film.truth, AutoSyncStatus::NoSpeech},
      {film.speech, {"{}{}a", "no frames"}, AutoSyncStatus::NoSubtitles},
      {other.speech, film.truth, AutoSyncStatus::Unclear},
  };
  for (const auto& c : cases) {
    const AutoSyncResult r = AlignToSpeech(c.speech, c.lines, 25);
    EXPECT_EQ(r.status, c.status);
    EXPECT_FALSE(AutoSyncMessage(r).empty());
  }
  EXPECT_EQ(AutoSyncMessage(AlignToSpeech(film.speech, film.truth, 25)), "");
}

TEST(AlignToSpeech, PiecewiseFindsACut) {
  // The film lacks 40 s after the 30th subtitle that the document still has.
  Film film = MakeFilm(900, 25, 11);
  Lines doc;
  for (size_t i = 0; i < film.truth.size(); ++i)
    doc.push_back(i < 30 ? film.truth[i] : Mistimed({film.truth[i]}, -1000, 1).front());
  const Lines wrong = Mistimed(doc, 5 * 25, 1);

  const AutoSyncResult r = AlignToSpeech(film.speech, wrong, 25, true);
  ASSERT_EQ(r.status, AutoSyncStatus::Found);
  ASSERT_EQ(r.segments.size(), 2u);
  EXPECT_EQ(r.segments[0].firstRow, 0);
  EXPECT_EQ(r.segments[0].lastRow, 29);
  EXPECT_EQ(r.segments[1].firstRow, 30);
  EXPECT_NEAR(r.segments[0].offset, 125, 1);
  EXPECT_NEAR(r.segments[1].offset, -875, 1);
  ASSERT_EQ(r.points.size(), 4u);
  EXPECT_TRUE(CheckChronology(r.points));
  const int rows[] = {0, 29, 30, static_cast<int>(wrong.size()) - 1};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(r.points[i].position, rows[i]);
    EXPECT_EQ(r.points[i].oldFrame, ParseFirstFrame(wrong[static_cast<size_t>(rows[i])]));
    EXPECT_NEAR(r.points[i].newFrame, ParseFirstFrame(film.truth[static_cast<size_t>(rows[i])]), 1);
  }

  // Without a cut there is one stretch, from the first row to the last.
  const AutoSyncResult whole = AlignToSpeech(film.speech, film.truth, 25, true);
  ASSERT_EQ(whole.segments.size(), 1u);
  ASSERT_EQ(whole.points.size(), 2u);
  EXPECT_EQ(whole.points[1].position, static_cast<int>(film.truth.size()) - 1);
}

// Dense speech: sentences of 1,5 to 5 s with pauses of only 0,25 to 0,4 s,
// nine tenths or more of the film spoken.
Film MakeDenseFilm(double seconds, double fps, uint64_t seed) {
  Random r(seed);
  Film f;
  f.speech.assign(static_cast<size_t>(seconds * 100), true);
  for (size_t i = 0; i < 2500; ++i) f.speech[i] = false;
  double t = 25;
  while (t + 6 < seconds) {
    const double length = r.Uniform(1.5, 5);
    f.truth.push_back(ComposeSubtitleLine(static_cast<int32_t>(std::lround(t * fps)),
                                          static_cast<int32_t>(std::lround((t + length) * fps)),
                                          "x"));
    t += length;
    const double pause = r.Uniform(0.25, 0.4);
    for (auto i = static_cast<size_t>(t * 100); i < static_cast<size_t>((t + pause) * 100); ++i)
      f.speech[i] = false;
    t += pause;
  }
  return f;
}

TEST(AlignToSpeech, WhatTheSoundCannotShowDoesNotPullTheFit) {
  const Film film = MakeFilm(400, 25, 31);
  const Film dense = MakeDenseFilm(400, 25, 32);
  // The film's speech from 25 s on: a title over the silence before it and
  // a credit over silence after the end.
  const Lines titles = {"{100}{600}Velorin uvádí"};
  const Lines credits = {ComposeSubtitleLine(9900, 9990, "Překlad: Velorin")};
  const struct {
    const char* name;
    const Film& film;
    Lines before, after;
  } cases[] = {
      {"title and credit over silence", film, titles, credits},
      {"dense speech", dense, {}, {}},
      {"dense speech, title over silence", dense, titles, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Lines truth = c.before;
    truth.insert(truth.end(), c.film.truth.begin(), c.film.truth.end());
    truth.insert(truth.end(), c.after.begin(), c.after.end());
    for (double scale : {1.0, 25 / kNtsc, 24.0 / 25}) {
      const Lines wrong = Mistimed(truth, -4 * 25, scale);
      const AutoSyncResult r = AlignToSpeech(c.film.speech, wrong, 25);
      ASSERT_EQ(r.status, AutoSyncStatus::Found) << AutoSyncMessage(r);
      EXPECT_LE(WorstFrameError(wrong, truth, r.offsetText, r.scaleText), 1);
    }
  }
}

TEST(AlignToSpeech, ACutIsNoSingleFit) {
  // The film lacks 40 s after the 30th subtitle: one offset would put the
  // rest 40 s off, so only the piecewise mode finds a result.
  const Film film = MakeFilm(900, 25, 11);
  Lines doc;
  for (size_t i = 0; i < film.truth.size(); ++i)
    doc.push_back(i < 30 ? film.truth[i] : Mistimed({film.truth[i]}, -1000, 1).front());
  const AutoSyncResult single = AlignToSpeech(film.speech, doc, 25);
  EXPECT_EQ(single.status, AutoSyncStatus::Unclear);
  EXPECT_TRUE(single.cut);
  EXPECT_EQ(AlignToSpeech(film.speech, doc, 25, true).status, AutoSyncStatus::Found);
  EXPECT_FALSE(AlignToSpeech(film.speech, film.truth, 25).cut);
}

TEST(AlignToSpeech, PiecewiseKeepsTheFilmsOrder) {
  // One scene heard twice, 10 s of silence between; the document places the
  // second as if the silence were not there. Either half fits either copy
  // equally well: only the order in the film tells them apart.
  const Film scene = MakeFilm(200, 25, 13);
  std::vector<bool> speech = scene.speech;
  speech.insert(speech.end(), 1000, false);
  speech.insert(speech.end(), scene.speech.begin(), scene.speech.end());
  Lines doc = scene.truth, truth = scene.truth;
  for (const std::string& l : Mistimed(scene.truth, -200 * 25, 1)) doc.push_back(l);
  for (const std::string& l : Mistimed(scene.truth, -210 * 25, 1)) truth.push_back(l);
  const AutoSyncResult r = AlignToSpeech(speech, Mistimed(doc, 3 * 25, 1), 25, true);
  ASSERT_EQ(r.status, AutoSyncStatus::Found) << AutoSyncMessage(r);
  ASSERT_EQ(r.segments.size(), 2u);
  EXPECT_NEAR(r.segments[0].offset, 75, 1);
  EXPECT_NEAR(r.segments[1].offset, 75 + 250, 1);
  EXPECT_EQ(r.segments[1].firstRow, static_cast<int>(scene.truth.size()));
  EXPECT_TRUE(CheckChronology(r.points));
  EXPECT_NEAR(r.points.back().newFrame, ParseFirstFrame(truth.back()), 1);
}

TEST(AlignToSpeech, FramesAndRatesFarOutside) {
  const Film film = MakeFilm(120, 25, 41);
  // Frame numbers far beyond the film take no memory by their size: the
  // stretch of the document the film can hold is aligned.
  const Lines documents[] = {
      {"{75}{127}a", "{195}{241}b", "{1000000}{1000050}konec"},
      {"{2147483647}{}a"},
      {"{75}{127}a", "{2147483000}{2147483647}b"},
  };
  for (const Lines& doc : documents) {
    const AutoSyncResult r = AlignToSpeech(film.speech, doc, 25, true);
    EXPECT_TRUE(std::isfinite(r.offset) && std::isfinite(r.scale));
  }
  for (double fps : {1e-300, 0.0000000001, 0.5, 301.0, std::nan(""), HUGE_VAL})
    EXPECT_THROW(AlignToSpeech(film.speech, film.truth, fps), Error) << fps;
}

TEST(AlignToSpeech, ThreadsChangeNoBitOfTheResult) {
  // The work is shared among threads and combined in order: every field the
  // same to the last bit, fits, cuts, refusals and points alike.
  const Film noisy = MakeFilm(600, 25, 51, 0.05);
  const Film cut = MakeFilm(900, 25, 11);
  Lines cutDoc;
  for (size_t i = 0; i < cut.truth.size(); ++i)
    cutDoc.push_back(i < 30 ? cut.truth[i] : Mistimed({cut.truth[i]}, -1000, 1).front());
  const Film shortFilm = MakeFilm(150, 25, 52);
  const std::vector<bool> everywhere(60000, true);
  const struct {
    const char* name;
    const std::vector<bool>& speech;
    Lines doc;
    bool piecewise;
  } cases[] = {
      {"noisy, another rate", noisy.speech, Mistimed(noisy.truth, 300, 25 / kNtsc), false},
      {"a cut, piecewise", cut.speech, Mistimed(cutDoc, 5 * 25, 1), true},
      {"a cut, single fit", cut.speech, cutDoc, false},
      {"short, scales alike", shortFilm.speech, Mistimed(shortFilm.truth, -40, 1.001), true},
      {"speech everywhere", everywhere, noisy.truth, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const AutoSyncResult one = AlignToSpeech(c.speech, c.doc, 25, c.piecewise, 1);
    for (unsigned threads : {2u, 3u}) {
      const AutoSyncResult r = AlignToSpeech(c.speech, c.doc, 25, c.piecewise, threads);
      EXPECT_EQ(r.status, one.status);
      EXPECT_EQ(r.cut, one.cut);
      EXPECT_EQ(r.offset, one.offset);
      EXPECT_EQ(r.scale, one.scale);
      EXPECT_EQ(r.confidence, one.confidence);
      EXPECT_EQ(r.offsetText + r.scaleText, one.offsetText + one.scaleText);
      ASSERT_EQ(r.segments.size(), one.segments.size());
      for (size_t i = 0; i < r.segments.size(); ++i) {
        EXPECT_EQ(r.segments[i].lastRow, one.segments[i].lastRow);
        EXPECT_EQ(r.segments[i].offset, one.segments[i].offset);
        EXPECT_EQ(r.segments[i].confidence, one.segments[i].confidence);
      }
      EXPECT_EQ(r.points, one.points);
    }
  }
}

TEST(SubtitleSpans, SecondFramesAndLinesWithoutFrames) {
  const auto spans =
      SubtitleSpans({"{25}{75}a", "{}{50}x", "{100}{}b", "{150}{100}c", "{200}{}d"}, 25);
  ASSERT_EQ(spans.size(), 4u);
  // No second frame, or one before the first: shown until the next subtitle,
  // 2,5 s at most.
  const double expected[][3] = {{0, 1, 3}, {2, 4, 6}, {3, 6, 8}, {4, 8, 10.5}};
  for (size_t i = 0; i < spans.size(); ++i) {
    EXPECT_EQ(spans[i].row, expected[i][0]);
    EXPECT_DOUBLE_EQ(spans[i].start, expected[i][1]);
    EXPECT_DOUBLE_EQ(spans[i].end, expected[i][2]);
  }
}

}  // namespace
}  // namespace velorin
