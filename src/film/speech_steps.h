#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velorin {

// The energy of a 10 ms step in the voice activity detector's six bands
// (80-250, 250-500, 500-1000, 1000-2000, 2000-3000 and 3000-4000 Hz), in dB
// times 16 on the detector's own scale; all 0 for silence before the sound.
inline constexpr size_t kBands = 6;
using BandEnergy = std::array<int16_t, kBands>;

// What was heard at each 10 ms step: the voice activity detector's decision,
// the loudness in dB below full scale and the band energies (either one per
// step or none at all: the loudness alone then decides).
struct HeardSteps {
  std::vector<bool> voiced;
  std::vector<float> level;
  std::vector<BandEnergy> bands;

  size_t Size() const { return voiced.size(); }
  // Steps up to n, silent at silentLevel (sound that starts late).
  void PadTo(size_t n, float silentLevel);
  // Appends count of the other's steps from `from` on (both with band
  // energies for every step).
  void Append(const HeardSteps& other, size_t from, size_t count);
};

// Where people speak, from the voice activity detector's decisions and the
// loudness of every step. The detector alone starts speech a tenth of a
// second or more after the voice does, and takes a steady bed of music or
// noise for speech throughout; the loudness against its quietest level
// nearby marks where a voice actually rises above the bed. The detector's
// speech starts where the sound rose out of the bed; where the detector hears
// a voice nearly everywhere, a step is speech when it stands out of the bed
// and a voice was heard close to it. Gaps shorter than a breath are closed.
// A bed of music hides a voice's rise in the loudness, which the bed's own
// low notes fill, while the bands the music leaves free show it: a step also
// stands out when most of the bands a voice fills (250 Hz to 4 kHz) stand
// out of their own beds. A note or a beat fills a band or two; a voice, its
// formants and hiss, most of them. Under a bed a voice stands out only some
// way up its rise: where the detector hears a voice throughout, each stretch
// long enough to be one starts where its loudness began to rise.
std::vector<bool> SpeechSteps(const HeardSteps& heard);

}  // namespace velorin
