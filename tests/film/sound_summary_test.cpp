#include "film/sound_summary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace velorin {
namespace {

uint8_t BruteMax(const std::vector<uint8_t>& peaks, double from, double to) {
  int64_t b0 = static_cast<int64_t>(std::floor(std::max(from, 0.0) * 1000));
  int64_t b1 = static_cast<int64_t>(std::floor(std::max(to, 0.0) * 1000));
  if (b1 <= b0) b1 = b0 + 1;
  uint8_t best = 0;
  for (int64_t b = b0; b < b1 && b < static_cast<int64_t>(peaks.size()); ++b)
    best = std::max(best, peaks[static_cast<size_t>(b)]);
  return best;
}

TEST(SoundSummary, PeakOfAnyStretchIsTheLoudestBlockInsideIt) {
  // Odd sizes give levels whose last block has no partner.
  for (size_t size : {1u, 2u, 7u, 1000u, 4097u}) {
    std::mt19937 random(static_cast<unsigned>(size));
    std::vector<uint8_t> peaks(size);
    for (auto& p : peaks) p = static_cast<uint8_t>(random() % 200);
    const SoundSummary summary(peaks);
    std::uniform_real_distribution<double> at(-0.01, static_cast<double>(size) / 1000 + 0.01);
    for (int i = 0; i < 400; ++i) {
      double a = at(random), b = at(random);
      if (a > b) std::swap(a, b);
      ASSERT_EQ(summary.Peak(a, b), BruteMax(peaks, a, b)) << size << " " << a << " " << b;
    }
  }
}

TEST(SoundSummary, ASpikeStaysInItsOwnPixel) {
  std::vector<uint8_t> peaks(10000, 1);
  peaks[5000] = 250;  // at 5.000 s
  const SoundSummary summary(peaks);
  struct Case {
    double start, perPixel;
    size_t spikePixel;
  } cases[] = {{0, 0.1, 50}, {4.9005, 0.001, 100}, {0, 1.0, 5}, {4.99955, 0.0001, 5}};
  for (const Case& c : cases) {
    std::vector<uint8_t> env(120);
    summary.Envelope(c.start, c.perPixel, env.size(), env.data());
    for (size_t x = 0; x < env.size(); ++x) {
      const bool spike =
          c.perPixel >= 0.001 ? x == c.spikePixel : x >= c.spikePixel && x < c.spikePixel + 10;
      if (c.start + static_cast<double>(x) * c.perPixel >= 10) {
        EXPECT_EQ(env[x], 0) << x;
      } else {
        EXPECT_EQ(env[x], spike ? 250 : 1) << c.start << " " << c.perPixel << " " << x;
      }
    }
  }
}

TEST(PeakBuilder, PlacesEverySampleInItsMillisecond) {
  struct Case {
    double rate;
    double padTo;       // silence before the first sample
    int64_t skip;       // samples before the film's start
    size_t samples;     // fed, in uneven pieces
    size_t spikeAt;     // sample index among those fed
    size_t spikeBlock;  // where the spike lands
    size_t blocks;
  } cases[] = {
      {48000, 0, 0, 48000, 24000, 500, 1000},
      {44100, 0, 0, 44100, 44099, 999, 1000},
      {44100, 0, 0, 100, 44, 0, 3},  // 2.27 ms: the last part block counts
      {8000, 0.25, 0, 8000, 0, 250, 1250},
      {22050, 0, 2205, 22050, 2205, 0, 900},
      {16000, 0, 0, 16, 15, 0, 1},
  };
  for (const Case& c : cases) {
    PeakBuilder builder(c.rate);
    builder.PadTo(c.padTo);
    builder.SkipSamples(c.skip);
    std::vector<float> s(c.samples, 0.01f);
    s[c.spikeAt] = 1.0f;
    for (size_t done = 0, piece = 1; done < s.size(); done += piece, piece = piece * 3 % 1021 + 1)
      builder.Add(s.data() + done, std::min(piece, s.size() - done));
    const std::vector<uint8_t> peaks = builder.Finish();
    ASSERT_EQ(peaks.size(), c.blocks) << c.rate;
    EXPECT_EQ(std::max_element(peaks.begin(), peaks.end()) - peaks.begin(),
              static_cast<std::ptrdiff_t>(c.spikeBlock))
        << c.rate;
    EXPECT_EQ(peaks[c.spikeBlock], 255);
  }
}

TEST(SoundSummary, SpeechStretchesFromDecisions) {
  SoundSummary s(std::vector<uint8_t>(100));
  EXPECT_FALSE(s.HasSpeech());
  s.SetSpeech({false, true, true, false, false, true, true, true}, 0.01);
  using S = SoundSummary::Stretch;
  ASSERT_EQ(s.Speech(), (std::vector<S>{{1 * 0.01, 3 * 0.01}, {5 * 0.01, 8 * 0.01}}));
  EXPECT_TRUE(s.HasSpeech());
  struct Case {
    double from, to;
    size_t first, last;
  } cases[] = {
      {0, 1, 0, 2}, {0.035, 0.045, 1, 1}, {0.029, 0.051, 0, 2}, {0.085, 1, 2, 2}, {0, 0.005, 0, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(s.SpeechBetween(c.from, c.to), std::make_pair(c.first, c.last)) << c.from;
}

TEST(SoundCache, ReadsBackOnlyWhatWasWrittenForTheSameFilm) {
  std::vector<uint8_t> peaks(3001);
  for (size_t i = 0; i < peaks.size(); ++i) peaks[i] = static_cast<uint8_t>(i * 7);
  SoundSummary s(peaks);
  s.SetSpeech({{0.5, 1.25}, {2, 2.99}});
  const std::string key = "/films/a.mkv\n123\n456";
  const std::string bytes = SerializeSoundSummary(s, key);
  std::optional<SoundSummary> back = ParseSoundSummary(bytes, key);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->FinestPeaks(), peaks);
  EXPECT_EQ(back->Speech(), s.Speech());
  EXPECT_EQ(back->Peak(0, 3), s.Peak(0, 3));
  // Another film (or the same one changed), any cut, any extra byte.
  EXPECT_FALSE(ParseSoundSummary(bytes, "/films/a.mkv\n123\n457"));
  for (size_t cut = 0; cut < bytes.size(); cut += 97)
    EXPECT_FALSE(ParseSoundSummary(bytes.substr(0, cut), key)) << cut;
  EXPECT_FALSE(ParseSoundSummary(bytes + "x", key));
  // Without speech found yet, it stays unknown.
  const std::optional<SoundSummary> quiet =
      ParseSoundSummary(SerializeSoundSummary(SoundSummary(peaks), key), key);
  ASSERT_TRUE(quiet);
  EXPECT_FALSE(quiet->HasSpeech());
  EXPECT_EQ(SoundCacheName(key).size(), 21u);
  EXPECT_NE(SoundCacheName(key), SoundCacheName(key + "1"));
}

}  // namespace
}  // namespace velorin
