#include "film/part_overlap.h"

#include <algorithm>
#include <cmath>

namespace velorin {

namespace {

constexpr float kSilentDb = -120;
constexpr float kSameLevelDb = 1;
constexpr double kStepSamples = 80;

bool Agrees(size_t differ, size_t count) { return count > 0 && differ * 10 <= count; }

double StepEnergy(const std::vector<float>& slices, size_t from) {
  double sum = 0;
  for (size_t i = 0; i < kSlicesPerStep; ++i) sum += slices[from + i];
  return sum;
}

// The steps heard differently with the later part moved by shift slices; the
// whole count where either part has no such steps.
size_t Differing(const PartOverlap& o, std::ptrdiff_t shift) {
  const auto first = static_cast<std::ptrdiff_t>(o.bFrom) + shift;
  const size_t span = o.count * kSlicesPerStep;
  if (first < 0 || static_cast<size_t>(first) + span > o.b.size() || o.aFrom + span > o.a.size())
    return o.count;
  size_t differ = 0;
  for (size_t i = 0; i < o.count; ++i) {
    const float a = StepLevelDb(StepEnergy(o.a, o.aFrom + i * kSlicesPerStep));
    const float b = StepLevelDb(StepEnergy(o.b, static_cast<size_t>(first) + i * kSlicesPerStep));
    if (std::fabs(a - b) > kSameLevelDb) ++differ;
  }
  return differ;
}

}  // namespace

float StepLevelDb(double energy) {
  const double mean = energy / kStepSamples / (32768.0 * 32768.0);
  return std::max(static_cast<float>(10 * std::log10(mean + 1e-12)), kSilentDb);
}

std::optional<std::ptrdiff_t> OverlapShift(const PartOverlap& o, size_t most) {
  const auto reach = static_cast<std::ptrdiff_t>(most * kSlicesPerStep);
  std::vector<size_t> differ;
  differ.reserve(static_cast<size_t>(2 * reach + 1));
  size_t best = 0;
  for (std::ptrdiff_t s = -reach; s <= reach; ++s) {
    differ.push_back(Differing(o, s));
    if (differ.back() < differ[best]) best = differ.size() - 1;
  }
  if (!Agrees(differ[best], o.count)) return std::nullopt;
  // Any shift two steps or more away must disagree on a third of the steps
  // at least, so that the sound itself, not its steadiness, decides.
  for (size_t s = 0; s < differ.size(); ++s) {
    const size_t apart = s > best ? s - best : best - s;
    if (apart >= 2 * kSlicesPerStep && differ[s] * 3 < o.count) return std::nullopt;
  }
  // To the nearest whole step.
  const double slices = static_cast<double>(static_cast<std::ptrdiff_t>(best) - reach);
  return static_cast<std::ptrdiff_t>(std::lround(slices / kSlicesPerStep));
}

}  // namespace velorin
