#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

// The sound of a film as the timeline draws it: the loudest sample of every
// millisecond (its peak envelope), kept at every power-of-two coarseness so
// that the envelope over any stretch costs a few reads whatever the zoom, and
// where people speak, as stretches of seconds.
class SoundSummary {
 public:
  // The finest peaks: one per millisecond of the film.
  static constexpr int kBlocksPerSecond = 1000;

  SoundSummary() = default;
  // From the finest peaks (0 silence, 255 full scale), block 0 at the film's start.
  explicit SoundSummary(std::vector<uint8_t> peaks);

  bool Empty() const { return levels_.empty() || levels_[0].empty(); }
  double Seconds() const;
  size_t Blocks() const { return Empty() ? 0 : levels_[0].size(); }
  const std::vector<uint8_t>& FinestPeaks() const;

  // The loudest peak between two times (seconds), read at the coarsest level
  // whose blocks are no longer than the stretch; 0 outside the sound.
  uint8_t Peak(double from, double to) const;
  // The envelope of `pixels` pixels from `start`, each `secondsPerPixel`
  // wide, into out.
  void Envelope(double start, double secondsPerPixel, size_t pixels, uint8_t* out) const;

  // Where people speak: stretches [start, end) in seconds, rising, apart.
  struct Stretch {
    double start = 0, end = 0;
    bool operator==(const Stretch&) const = default;
  };
  const std::vector<Stretch>& Speech() const { return speech_; }
  bool HasSpeech() const { return hasSpeech_; }
  // From the speech detector's decisions, one per stepSeconds.
  void SetSpeech(const std::vector<bool>& decisions, double stepSeconds);
  void SetSpeech(std::vector<Stretch> stretches);
  // The speech stretches that reach into [from, to).
  std::pair<size_t, size_t> SpeechBetween(double from, double to) const;

  // Bytes held, for measuring.
  size_t MemoryBytes() const;

 private:
  std::vector<std::vector<uint8_t>> levels_;  // level k: one peak per 2^k blocks
  std::vector<Stretch> speech_;
  bool hasSpeech_ = false;
};

// Gathers the finest peaks from decoded samples of any rate.
class PeakBuilder {
 public:
  explicit PeakBuilder(double sampleRate);
  // Silence up to this time (a sound stream that starts late).
  void PadTo(double seconds);
  // Drops this many samples before the film's start.
  void SkipSamples(int64_t count) { skip_ += count; }
  // Samples already reduced to one value each (the loudest channel's
  // magnitude, 1.0 full scale).
  void Add(const float* magnitudes, size_t count);
  std::vector<uint8_t> Finish();

 private:
  void Close();
  double rate_;
  int64_t samples_ = 0;  // samples placed so far
  int64_t skip_ = 0;
  float current_ = 0;
  int64_t nextBoundary_ = 0;  // sample where the current block ends
  std::vector<uint8_t> peaks_;
};

// The cache file of a film's summary. The key names the film (its path, size
// and modification time); a file made for another key, or damaged, reads as
// nothing.
std::string SerializeSoundSummary(const SoundSummary& summary, std::string_view key);
std::optional<SoundSummary> ParseSoundSummary(std::string_view bytes, std::string_view key);
// The cache file's name for a key: hexadecimal digits and ".wave".
std::string SoundCacheName(std::string_view key);

}  // namespace velorin
