#include "film/sound_summary.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velorin {

namespace {

int64_t BlockAt(double seconds) {
  const double b = std::floor(seconds * SoundSummary::kBlocksPerSecond);
  if (!(b > 0)) return 0;  // also NaN
  if (b > 9e15) return INT64_C(9000000000000000);
  return static_cast<int64_t>(b);
}

}  // namespace

SoundSummary::SoundSummary(std::vector<uint8_t> peaks) {
  if (peaks.empty()) return;
  levels_.push_back(std::move(peaks));
  while (levels_.back().size() > 1) {
    const std::vector<uint8_t>& below = levels_.back();
    std::vector<uint8_t> up((below.size() + 1) / 2);
    for (size_t i = 0; i < up.size(); ++i) {
      const size_t a = 2 * i, b = std::min(2 * i + 1, below.size() - 1);
      up[i] = std::max(below[a], below[b]);
    }
    levels_.push_back(std::move(up));
  }
}

double SoundSummary::Seconds() const { return static_cast<double>(Blocks()) / kBlocksPerSecond; }

const std::vector<uint8_t>& SoundSummary::FinestPeaks() const {
  static const std::vector<uint8_t> none;
  return Empty() ? none : levels_[0];
}

uint8_t SoundSummary::Peak(double from, double to) const {
  if (Empty()) return 0;
  const auto n = static_cast<int64_t>(levels_[0].size());
  int64_t b0 = BlockAt(from), b1 = BlockAt(to);
  if (b1 <= b0) b1 = b0 + 1;  // a stretch inside one block shows that block
  b0 = std::min(b0, n);
  b1 = std::min(b1, n);
  // Bottom-up over the levels, as in a segment tree: every block read lies
  // wholly inside [b0, b1), so a peak never leaks into its neighbours.
  uint8_t best = 0;
  for (size_t k = 0; b0 < b1 && k < levels_.size(); ++k) {
    const std::vector<uint8_t>& level = levels_[k];
    if (b0 & 1) best = std::max(best, level[static_cast<size_t>(b0++)]);
    if (b1 & 1) best = std::max(best, level[static_cast<size_t>(--b1)]);
    b0 >>= 1;
    b1 >>= 1;
  }
  return best;
}

void SoundSummary::Envelope(double start, double secondsPerPixel, size_t pixels,
                            uint8_t* out) const {
  for (size_t i = 0; i < pixels; ++i) {
    const double from = start + static_cast<double>(i) * secondsPerPixel;
    out[i] = from < 0 ? 0 : Peak(from, from + secondsPerPixel);
  }
}

void SoundSummary::SetSpeech(const std::vector<bool>& decisions, double stepSeconds) {
  std::vector<Stretch> stretches;
  size_t i = 0;
  while (i < decisions.size()) {
    if (!decisions[i]) {
      ++i;
      continue;
    }
    const size_t begin = i;
    while (i < decisions.size() && decisions[i]) ++i;
    stretches.push_back(
        {static_cast<double>(begin) * stepSeconds, static_cast<double>(i) * stepSeconds});
  }
  SetSpeech(std::move(stretches));
}

void SoundSummary::SetSpeech(std::vector<Stretch> stretches) {
  speech_ = std::move(stretches);
  hasSpeech_ = true;
}

std::pair<size_t, size_t> SoundSummary::SpeechBetween(double from, double to) const {
  auto first = std::partition_point(speech_.begin(), speech_.end(),
                                    [from](const Stretch& s) { return s.end <= from; });
  auto last =
      std::partition_point(first, speech_.end(), [to](const Stretch& s) { return s.start < to; });
  return {static_cast<size_t>(first - speech_.begin()),
          static_cast<size_t>(last - speech_.begin())};
}

size_t SoundSummary::MemoryBytes() const {
  size_t bytes = sizeof *this + speech_.capacity() * sizeof(Stretch);
  for (const auto& level : levels_) bytes += level.capacity() + sizeof level;
  return bytes;
}

// ---------------------------------------------------------------- building

PeakBuilder::PeakBuilder(double sampleRate) : rate_(sampleRate > 0 ? sampleRate : 1) {
  nextBoundary_ = static_cast<int64_t>(std::ceil(rate_ / SoundSummary::kBlocksPerSecond));
}

void PeakBuilder::Close() {
  const double value = std::clamp(current_, 0.0f, 1.0f) * 255.0f;
  peaks_.push_back(static_cast<uint8_t>(std::lround(value)));
  current_ = 0;
  // The block after the one just closed ends where its millisecond ends.
  const auto next = static_cast<double>(peaks_.size() + 1);
  nextBoundary_ =
      static_cast<int64_t>(std::ceil(next * rate_ / SoundSummary::kBlocksPerSecond - 1e-9));
}

void PeakBuilder::PadTo(double seconds) {
  const auto target = static_cast<int64_t>(std::llround(seconds * rate_));
  while (samples_ < target) {
    const int64_t step = std::min(target, nextBoundary_) - samples_;
    samples_ += step;
    if (samples_ == nextBoundary_) Close();
  }
}

void PeakBuilder::Add(const float* magnitudes, size_t count) {
  if (skip_ > 0) {
    const auto dropped = static_cast<size_t>(std::min<int64_t>(skip_, static_cast<int64_t>(count)));
    skip_ -= static_cast<int64_t>(dropped);
    magnitudes += dropped;
    count -= dropped;
  }
  size_t i = 0;
  while (i < count) {
    const auto room = static_cast<size_t>(nextBoundary_ - samples_);
    const size_t take = std::min(room, count - i);
    float m = current_;
    for (size_t j = i; j < i + take; ++j) m = std::max(m, magnitudes[j]);
    current_ = m;
    i += take;
    samples_ += static_cast<int64_t>(take);
    if (samples_ == nextBoundary_) Close();
  }
}

std::vector<uint8_t> PeakBuilder::Finish() {
  // A last part block counts when it holds any sample.
  const auto closedUpTo = static_cast<int64_t>(std::ceil(
      static_cast<double>(peaks_.size()) * rate_ / SoundSummary::kBlocksPerSecond - 1e-9));
  if (samples_ > closedUpTo) Close();
  return std::move(peaks_);
}

// ---------------------------------------------------------------- cache file

namespace {

constexpr std::string_view kMagic = "VELORIN-WAVE 1\n";
constexpr uint64_t kMaxBlocks = uint64_t{1} << 34;  // half a year of sound
// A year; within it microseconds go through a double and back unchanged.
constexpr uint64_t kMaxMicroseconds = uint64_t{1} << 45;

void PutU64(std::string& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Take(size_t n, std::string_view& out) {
    if (bytes_.size() - pos_ < n) return false;
    out = bytes_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  bool U64(uint64_t& v) {
    std::string_view s;
    if (!Take(8, s)) return false;
    v = 0;
    for (int i = 7; i >= 0; --i)
      v = (v << 8) | static_cast<unsigned char>(s[static_cast<size_t>(i)]);
    return true;
  }
  size_t Left() const { return bytes_.size() - pos_; }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

}  // namespace

std::string SerializeSoundSummary(const SoundSummary& summary, std::string_view key) {
  const std::vector<uint8_t>& peaks = summary.FinestPeaks();
  std::string out(kMagic);
  PutU64(out, key.size());
  out += key;
  PutU64(out, peaks.size());
  out.append(reinterpret_cast<const char*>(peaks.data()), peaks.size());
  PutU64(out, summary.HasSpeech() ? 1 : 0);
  PutU64(out, summary.Speech().size());
  // Stretches in whole microseconds: the detector's steps are 10 ms.
  for (const SoundSummary::Stretch& s : summary.Speech()) {
    PutU64(out, static_cast<uint64_t>(std::llround(s.start * 1e6)));
    PutU64(out, static_cast<uint64_t>(std::llround(s.end * 1e6)));
  }
  return out;
}

std::optional<SoundSummary> ParseSoundSummary(std::string_view bytes, std::string_view key) {
  Reader r(bytes);
  std::string_view magic, storedKey, peakBytes;
  uint64_t keySize = 0, blocks = 0, hasSpeech = 0, stretches = 0;
  if (!r.Take(kMagic.size(), magic) || magic != kMagic) return std::nullopt;
  if (!r.U64(keySize) || keySize > r.Left() || !r.Take(keySize, storedKey) || storedKey != key)
    return std::nullopt;
  if (!r.U64(blocks) || blocks > kMaxBlocks || blocks > r.Left() ||
      !r.Take(static_cast<size_t>(blocks), peakBytes))
    return std::nullopt;
  if (!r.U64(hasSpeech) || hasSpeech > 1 || !r.U64(stretches) || stretches > r.Left() / 16 ||
      (!hasSpeech && stretches > 0))
    return std::nullopt;
  std::vector<SoundSummary::Stretch> speech;
  speech.reserve(static_cast<size_t>(stretches));
  double last = 0;
  for (uint64_t i = 0; i < stretches; ++i) {
    uint64_t a = 0, b = 0;
    r.U64(a);
    r.U64(b);
    const double start = static_cast<double>(a) / 1e6, end = static_cast<double>(b) / 1e6;
    // Rising and apart, as the detector makes them.
    if (!(start >= last && end > start) || a > kMaxMicroseconds || b > kMaxMicroseconds)
      return std::nullopt;
    speech.push_back({start, end});
    last = end;
  }
  if (r.Left() != 0) return std::nullopt;
  SoundSummary summary(std::vector<uint8_t>(peakBytes.begin(), peakBytes.end()));
  if (hasSpeech) summary.SetSpeech(std::move(speech));
  return summary;
}

std::string SoundCacheName(std::string_view key) {
  // FNV-1a; the key inside the file decides, the name only spreads the files.
  uint64_t h = 14695981039346656037ull;
  for (char c : key) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string name(16, '0');
  for (int i = 15; i >= 0; --i, h >>= 4) name[static_cast<size_t>(i)] = kHex[h & 15];
  return name + ".wave";
}

}  // namespace velorin
