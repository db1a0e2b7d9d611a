#pragma once
#include <cstddef>
#include <optional>
#include <vector>

namespace velorin {

// Two parts of a film listened to apart overlap by some steps of 10 ms. The
// later part found its start by seeking, which lands exactly in most films;
// in a film joined from pieces without re-encoding, its time stamps and its
// decoded samples drift apart, and the seek lands some steps off, seldom on
// a whole step.

// Slices of a step whose energy is kept where parts overlap.
constexpr size_t kSlicesPerStep = 10;

// A step's loudness in dB below full scale from the energy of its samples
// (the sum of their squares, full scale 32768), as the listening measures it.
float StepLevelDb(double energy);

// Where two parts overlap: the energy of each slice heard by the earlier
// part from slice aFrom on and by the later part from slice bFrom on, count
// steps long.
struct PartOverlap {
  const std::vector<float>& a;
  size_t aFrom;
  const std::vector<float>& b;
  size_t bFrom;
  size_t count;
};

// The whole steps, within most either way, by which the later part is to be
// moved (its step bFrom / kSlicesPerStep + shift + i heard what the earlier
// part's step aFrom / kSlicesPerStep + i did) so that both hear the same
// sound: nine steps in ten within a decibel, at the best slice. Only a shift
// that alone agrees is given: where shifts two steps or more apart both fit
// (an overlap of silence or of a steady sound), none is.
std::optional<std::ptrdiff_t> OverlapShift(const PartOverlap& o, size_t most);

}  // namespace velorin
