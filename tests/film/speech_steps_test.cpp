#include "film/speech_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace velorin {
namespace {

// A bed the detector takes for a voice throughout, 40 dB in every band, and
// sounds laid over it: which of them are speech.
TEST(SpeechSteps, AVoiceRisesInMostBandsANoteInAFew) {
  constexpr size_t kSteps = 1000;
  struct Sound {
    size_t from, to;
    float louder;      // dB over the bed's loudness
    size_t firstBand, endBand;  // the bands that rise by 20 dB
    size_t rampSteps = 0;       // the loudness rises to louder over these
  };
  const struct {
    const char* name;
    std::vector<Sound> sounds;
    bool withBands;
    std::optional<std::pair<size_t, size_t>> speech;  // first and last step
  } cases[] = {
      // The loudness hardly moves, the bands a voice fills all rise: speech,
      // from where the smoothed loudness starts to rise, less the step it
      // is marked early.
      {"a voice under the bed", {{500, 700, 3, 1, kBands}}, true, std::pair<size_t, size_t>{497, 699}},
      // A note fills two of them (250 Hz to 1 kHz): no speech.
      {"a note", {{200, 260, 3, 1, 3}}, true, std::nullopt},
      {"a note and a voice", {{200, 260, 3, 1, 3}, {500, 700, 3, 1, kBands}}, true,
       std::pair<size_t, size_t>{497, 699}},
      // Without the bands the loudness alone decides, as it always did.
      {"a voice 20 dB over the bed, no bands", {{500, 700, 20, 1, kBands}}, false,
       std::pair<size_t, size_t>{497, 699}},
      {"a voice 3 dB over the bed, no bands", {{500, 700, 3, 1, kBands}}, false, std::nullopt},
      // A voice that swells for 80 ms stands out 6 dB only halfway up: it
      // starts where it began to rise all the same.
      {"a voice rising slowly", {{500, 700, 12, 1, kBands, 8}}, false,
       std::pair<size_t, size_t>{498, 698}},
      // A sound too short for a voice keeps its start where it stood out.
      {"a short swell", {{500, 512, 12, 1, kBands, 8}}, false, std::pair<size_t, size_t>{503, 510}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HeardSteps heard{std::vector<bool>(kSteps, true), std::vector<float>(kSteps, -40),
                     std::vector<BandEnergy>(c.withBands ? kSteps : 0)};
    for (BandEnergy& b : heard.bands) b.fill(40 * 16);
    for (const Sound& s : c.sounds)
      for (size_t i = s.from; i < s.to; ++i) {
        heard.level[i] += s.louder * std::min(1.0F, static_cast<float>(i - s.from + 1) /
                                                        static_cast<float>(s.rampSteps + 1));
        for (size_t b = s.firstBand; b < s.endBand && c.withBands; ++b)
          heard.bands[i][b] = (40 + 20) * 16;
      }
    const std::vector<bool> speech = SpeechSteps(heard);
    ASSERT_EQ(speech.size(), kSteps);
    std::optional<std::pair<size_t, size_t>> found;
    for (size_t i = 0; i < kSteps; ++i)
      if (speech[i]) found = std::pair<size_t, size_t>{found ? found->first : i, i};
    EXPECT_EQ(found, c.speech);
  }
}

}  // namespace
}  // namespace velorin
