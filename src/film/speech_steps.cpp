// Where people speak, from the voice activity detector's decisions and the
// loudness of every step.

#include "film/speech_steps.h"

#include <algorithm>

namespace velorin {

std::vector<bool> SpeechSteps(const std::vector<bool>& voiced, const std::vector<float>& level,
                              const std::vector<BandEnergy>& bands) {
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
  const size_t n = level.size();
  std::vector<float> smooth(n), bed(n);
  // smooth: the mean of the kSmooth steps either side; bed: the lowest
  // smoothed value within kBed steps (a running minimum over a sliding
  // window), no lower than quietest.
  std::vector<size_t> window;  // indices of rising values, as a deque
  auto smoothAndBed = [&](auto value, float quietest) {
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
    window.clear();
    size_t head = 0;
    for (size_t i = 0; i < n + kBed; ++i) {
      if (i < n) {
        while (window.size() > head && smooth[window.back()] >= smooth[i]) window.pop_back();
        window.push_back(i);
      }
      if (i < kBed) continue;
      const size_t at = i - kBed;
      while (window[head] + kBed < at) ++head;
      bed[at] = std::max(smooth[window[head]], quietest);
      if (head > 4096 && head * 2 > window.size()) {
        window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(head));
        head = 0;
      }
    }
  };
  // The bands a voice fills, each against its own bed: how many stand out.
  std::vector<uint8_t> standing(n, 0);
  if (bands.size() == n) {
    for (size_t b = kVoiceBand; b < kBands; ++b) {
      smoothAndBed([&](size_t i) { return static_cast<double>(bands[i][b]) / 16; }, kBandQuietest);
      for (size_t i = 0; i < n; ++i)
        if (smooth[i] > bed[i] + kAbove) ++standing[i];
    }
  }
  smoothAndBed([&](size_t i) { return static_cast<double>(level[i]); }, kQuietest);
  std::vector<uint32_t> heard(n + 1, 0);  // voiced steps before each
  for (size_t i = 0; i < n; ++i) heard[i + 1] = heard[i] + (voiced[i] ? 1 : 0);
  auto loud = [&](size_t i) { return smooth[i] > bed[i] + kAbove || standing[i] >= kMostBands; };
  std::vector<bool> speech(n, false);
  if (heard[n] > kCollapsed * static_cast<double>(n)) {
    // The detector hears a voice nearly throughout (a bed of music or
    // noise): speech is where the sound stands out of the bed near a voice.
    for (size_t i = 0; i < n; ++i) {
      if (!loud(i)) continue;
      const size_t lo = i >= kAfter ? i - kAfter : 0, hi = std::min(n, i + kBefore + 1);
      speech[i] = heard[hi] > heard[lo];
    }
    // A voice stands out of a bed only some way up its rise, the later the
    // louder the bed: each stretch long enough to be a voice is taken back
    // to the foot of its rise, over the steps each louder than the one
    // before. A note's attack is too short to be moved: walked back it
    // would only join the voice before it.
    // (A walk changes only steps before the stretch, which the loop has passed.)
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
  } else {
    // The detector's speech, each start taken back to where the sound
    // began to stand out of the bed.
    for (size_t i = 0; i < n; ++i) {
      speech[i] = voiced[i];
      if (!voiced[i] || (i > 0 && voiced[i - 1])) continue;
      for (size_t j = i; j > 0 && i - j < kBefore && loud(j - 1); --j) speech[j - 1] = true;
    }
  }
  size_t last = n;  // the last speech step seen
  for (size_t i = 0; i < n; ++i) {
    if (!speech[i]) continue;
    if (last < i && i - last - 1 <= kBreath)
      for (size_t j = last + 1; j < i; ++j) speech[j] = true;
    last = i;
  }
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
