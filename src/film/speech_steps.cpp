// Where people speak, from the voice activity detector's decisions and the
// loudness of every step.

#include "film/speech_steps.h"

#include <algorithm>

namespace velorin {

namespace {

constexpr size_t kSmooth = 2;       // steps either side for the loudness
constexpr size_t kBed = 300;        // steps either side for the bed's level
constexpr float kAbove = 6;         // dB above the bed
constexpr float kQuietest = -70;    // dB: quieter than this is no bed, only silence
constexpr size_t kBefore = 30;      // steps a voice may start before the detector hears it
constexpr size_t kAfter = 50;       // steps it may end before the detector lets go
constexpr size_t kBreath = 20;      // longest gap closed
constexpr size_t kLagSteps = 1;     // how late a rise is marked
constexpr double kCollapsed = 0.9;  // share of voiced steps: the detector hears only the bed
constexpr size_t kVoiceBand = 1;    // the first band a voice fills (250-500 Hz)
constexpr size_t kMostBands = 3;    // of the five from there: most of them
constexpr size_t kVoiceSteps = 15;  // a stretch this long is a voice, not a note's attack
constexpr size_t kFootSteps = 10;   // steps a voice's start is taken back at most
constexpr float kRising = 0.5;      // dB a step louder than the one before: still rising
// A band quieter than this (dB on the detector's scale) is silence, not a
// bed: about the loudness's kQuietest there.
constexpr float kBandQuietest = 34;

// A value of every step smoothed, and its bed: the smoothed value's lowest
// within kBed steps, no lower than the quietest a bed may be.
class SmoothAndBed {
 public:
  explicit SmoothAndBed(size_t n) : smooth(n), bed(n) {}

  // value(i) for each step i below n.
  template <typename Value>
  void Of(Value value, float quietest) {
    const size_t n = smooth.size();
    // The mean of the kSmooth steps either side.
    double sum = 0;
    for (size_t i = 0; i < n + kSmooth; ++i) {
      if (i < n) sum += value(i);
      if (i >= 2 * kSmooth + 1) sum -= value(i - 2 * kSmooth - 1);
      if (i >= kSmooth) {
        const size_t at = i - kSmooth;
        const size_t lo = at >= kSmooth ? at - kSmooth : 0, hi = std::min(n - 1, at + kSmooth);
        smooth[at] = static_cast<float>(sum / static_cast<double>(hi - lo + 1));
      }
    }
    // A running minimum over a sliding window.
    window_.clear();
    size_t head = 0;
    for (size_t i = 0; i < n + kBed; ++i) {
      if (i < n) {
        while (window_.size() > head && smooth[window_.back()] >= smooth[i]) window_.pop_back();
        window_.push_back(i);
      }
      if (i < kBed) continue;
      const size_t at = i - kBed;
      while (window_[head] + kBed < at) ++head;
      bed[at] = std::max(smooth[window_[head]], quietest);
      if (head > 4096 && head * 2 > window_.size()) {
        window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(head));
        head = 0;
      }
    }
  }
  bool Above(size_t i) const { return smooth[i] > bed[i] + kAbove; }

  std::vector<float> smooth, bed;

 private:
  std::vector<size_t> window_;  // indices of rising values, as a deque
};

// A voice stands out of a bed only some way up its rise, the later the
// louder the bed: each stretch long enough to be a voice is taken back to the
// foot of its rise, over the steps each louder than the one before. A note's
// attack is too short to be moved: walked back it would only join the voice
// before it. (A walk changes only steps before the stretch, which the loop
// has passed.)
void TakeBackToFoot(std::vector<bool>& speech, const std::vector<float>& smooth) {
  const size_t n = speech.size();
  for (size_t i = 1; i < n;) {
    if (!speech[i] || speech[i - 1]) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < n && speech[end]) ++end;
    if (end - i >= kVoiceSteps)
      for (size_t j = i; j > 1 && i - j < kFootSteps && smooth[j - 1] > smooth[j - 2] + kRising;
           --j)
        speech[j - 1] = true;
    i = end;
  }
}

// Gaps of no more than a breath between speech closed.
void CloseBreaths(std::vector<bool>& speech) {
  size_t last = speech.size();  // the last speech step seen
  for (size_t i = 0; i < speech.size(); ++i) {
    if (!speech[i]) continue;
    if (last < i && i - last - 1 <= kBreath)
      for (size_t j = last + 1; j < i; ++j) speech[j] = true;
    last = i;
  }
}

}  // namespace

void HeardSteps::PadTo(size_t n, float silentLevel) {
  voiced.resize(n, false);
  level.resize(n, silentLevel);
  bands.resize(n, BandEnergy{});
}

void HeardSteps::Append(const HeardSteps& other, size_t from, size_t count) {
  const auto at = [&](const auto& v, size_t i) {
    return v.begin() + static_cast<std::ptrdiff_t>(i);
  };
  voiced.insert(voiced.end(), at(other.voiced, from), at(other.voiced, from + count));
  level.insert(level.end(), at(other.level, from), at(other.level, from + count));
  bands.insert(bands.end(), at(other.bands, from), at(other.bands, from + count));
}

std::vector<bool> SpeechSteps(const HeardSteps& heard) {
  const std::vector<bool>& voiced = heard.voiced;
  const size_t n = heard.level.size();
  SmoothAndBed sb(n);
  // The bands a voice fills, each against its own bed: how many stand out.
  std::vector<uint8_t> standing(n, 0);
  if (heard.bands.size() == n) {
    for (size_t b = kVoiceBand; b < kBands; ++b) {
      sb.Of([&](size_t i) { return static_cast<double>(heard.bands[i][b]) / 16; }, kBandQuietest);
      for (size_t i = 0; i < n; ++i)
        if (sb.Above(i)) ++standing[i];
    }
  }
  sb.Of([&](size_t i) { return static_cast<double>(heard.level[i]); }, kQuietest);
  std::vector<uint32_t> before(n + 1, 0);  // voiced steps before each
  for (size_t i = 0; i < n; ++i) before[i + 1] = before[i] + (voiced[i] ? 1 : 0);
  auto loud = [&](size_t i) { return sb.Above(i) || standing[i] >= kMostBands; };
  std::vector<bool> speech(n, false);
  if (before[n] > kCollapsed * static_cast<double>(n)) {
    // The detector hears a voice nearly throughout (a bed of music or
    // noise): speech is where the sound stands out of the bed near a voice.
    for (size_t i = 0; i < n; ++i) {
      if (!loud(i)) continue;
      const size_t lo = i >= kAfter ? i - kAfter : 0, hi = std::min(n, i + kBefore + 1);
      speech[i] = before[hi] > before[lo];
    }
    TakeBackToFoot(speech, sb.smooth);
  } else {
    // The detector's speech, each start taken back to where the sound
    // began to stand out of the bed.
    for (size_t i = 0; i < n; ++i) {
      speech[i] = voiced[i];
      if (!voiced[i] || (i > 0 && voiced[i - 1])) continue;
      for (size_t j = i; j > 0 && i - j < kBefore && loud(j - 1); --j) speech[j - 1] = true;
    }
  }
  CloseBreaths(speech);
  // Even so, speech is marked from where it has risen well above the bed,
  // some 10 ms after it begins: the track is moved that much earlier. The
  // recorded-speech cases (bench/autosync_real) would take 20 or 30 ms (their
  // median distance from the subtitles' own timing is 0 frames there, and
  // under a frame late at 10 ms), but the generated films then land most of
  // a frame early, the Opus ones by more than a frame.
  const size_t lag = std::min(kLagSteps, n);
  speech.erase(speech.begin(), speech.begin() + static_cast<std::ptrdiff_t>(lag));
  speech.resize(n, false);
  return speech;
}

}  // namespace velorin
