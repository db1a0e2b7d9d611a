#include "film/part_overlap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <vector>

namespace velorin {
namespace {

// The energy of each slice of a film's sound, as the listening keeps it.
enum class Sound { Speech, Silence, Steady, Beat };

std::vector<float> FilmSlices(Sound sound, size_t slices, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> jitter(0.7, 1.3);
  std::uniform_real_distribution<double> syllable(-60, -10);  // dB
  std::vector<float> out(slices);
  double level = -40;
  for (size_t t = 0; t < slices; ++t) {
    switch (sound) {
      case Sound::Speech:
        if (t % 20 == 0) level = syllable(random);  // the voice rises and falls every 20 ms
        out[t] = static_cast<float>(80 * 1e9 * std::pow(10.0, level / 10) * jitter(random) / 10);
        break;
      case Sound::Silence: out[t] = 0; break;
      case Sound::Steady: out[t] = 1e6F; break;
      case Sound::Beat: out[t] = (t / 50) % 3 == 0 ? 1e8F : 1e5F; break;  // one beat every 150 ms
    }
  }
  return out;
}

TEST(PartOverlap, TheLaterPartIsMovedOnlyWhenTheSoundSettlesWhere) {
  struct Case {
    const char* what;
    Sound sound;
    std::ptrdiff_t late;  // slices the later part's sound lies behind its place
    size_t most;          // steps searched either way
    std::optional<std::ptrdiff_t> shift;
  };
  const Case cases[] = {
      {"a seek that landed right", Sound::Speech, 0, 50, 0},
      {"seven steps late", Sound::Speech, 70, 50, 7},
      {"between two steps, nearer the first", Sound::Speech, 73, 50, 7},
      {"between two steps, nearer the second", Sound::Speech, 76, 50, 8},
      {"early, as a joined film's priming samples make it", Sound::Speech, -104, 50, -10},
      {"at the edge of the search", Sound::Speech, 500, 50, 50},
      {"beyond the search", Sound::Speech, 800, 50, std::nullopt},
      {"silence fits every shift", Sound::Silence, 30, 50, std::nullopt},
      {"a steady hum fits every shift", Sound::Steady, 30, 50, std::nullopt},
      {"a beat fits every fifteenth step", Sound::Beat, 30, 50, std::nullopt},
  };
  constexpr size_t kCount = 300;  // steps compared
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<float> film = FilmSlices(c.sound, 20000, 7);
    // The earlier part's slices from the film's slice 1000 on; the later
    // part's from 4000 on, its sound `late` slices behind.
    const std::vector<float> a(film.begin() + 1000, film.begin() + 9000);
    std::vector<float> b(8000, 0.0F);
    for (size_t j = 0; j < b.size(); ++j) b[j] = film[static_cast<size_t>(4000 + static_cast<std::ptrdiff_t>(j) - c.late)];
    const size_t bFrom = 1000;
    const PartOverlap overlap{a, 4000 + bFrom - 1000, b, bFrom, kCount};
    EXPECT_EQ(OverlapShift(overlap, c.most), c.shift);
  }
}

TEST(PartOverlap, DifferentSoundOrTooLittleOfItGivesNoShift) {
  const std::vector<float> one = FilmSlices(Sound::Speech, 8000, 1);
  const std::vector<float> other = FilmSlices(Sound::Speech, 8000, 2);
  EXPECT_EQ(OverlapShift({one, 3000, other, 3000, 300}, 50), std::nullopt);
  // The later part ends before the overlap does.
  const std::vector<float> cut(one.begin(), one.begin() + 4000);
  EXPECT_EQ(OverlapShift({one, 3000, cut, 3000, 300}, 50), std::nullopt);
  EXPECT_EQ(OverlapShift({one, 3000, one, 3000, 0}, 50), std::nullopt);
}

TEST(PartOverlap, StepLevelMatchesFullScale) {
  EXPECT_NEAR(StepLevelDb(80.0 * 32768 * 32768), 0, 1e-4);
  EXPECT_NEAR(StepLevelDb(80.0 * 32768 * 32768 / 100), -20, 1e-4);
  EXPECT_EQ(StepLevelDb(0), -120);
}

}  // namespace
}  // namespace velorin
