#include "sync/auto_sync.h"

#include <fftw3.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "document/error.h"
#include "document/subtitle_line.h"
#include "sync/retiming.h"

namespace velorin {

namespace {

// How a fit is scored. Every subtitle earns the speech it covers less the
// silence it covers (speech weighs 1 - p and silence p, p being the film's
// share of speech, so a track that is speech everywhere decides nothing), and
// on top of that kOnsetWeight times the contrast between the speech just after
// its start and just before it: subtitles start when people start to speak,
// while they end anywhere after that.
constexpr double kOnsetWindow = 0.5;  // seconds either side of a subtitle's start
constexpr double kOnsetWeight = 0.5;
// Two fits whose subtitles lie less than this apart anywhere are one fit.
constexpr double kDistinctSeconds = 1.0;
// Less speech than this: silence, the track cannot place anything.
constexpr double kMinSpeechSeconds = 2.0;
// The refinement changes the scale this much at most, half the distance
// between the closest candidates (1 and 24 / 23,976).
constexpr double kRefineReach = 0.0005;
// The band of scales as likely as the refined one reaches this far from it
// (relatively): past the candidates 0.1 % apart on either side.
constexpr double kSnapBand = 0.0025;
// A scale is as likely as the refined one when it fits no worse than moving
// every subtitle of the refined fit this many steps away from its speech.
constexpr double kSnapSteps = 4.0;
// Piecewise mode: the whole document's correlation offers this many offsets
// at most, a change of offset must pay for itself with this many subtitles'
// worth of fit, and a stretch has at least this many subtitles.
constexpr size_t kMaxPieces = 8;
constexpr double kSwitchCost = 4.0;
constexpr size_t kMinPieceRows = 5;
// The document is cut into this many runs of rows (at least kMinPieceRows + 3
// each) whose best offsets are also tried.
constexpr size_t kRunsPerDocument = 32;

constexpr double kStep = kSpeechStepSeconds;
// A subtitle with no speech under it loses a fit at most this share of what
// a typical subtitle earns there.
constexpr double kFloorShare = 0.5;
// The document's reach: the film at the slowest candidate scale (24 / 30),
// no less than kShortestReach of film, and a margin; and the longest a span
// reaches past it.
constexpr double kSlowestScale = 0.8;
constexpr double kShortestReach = 60;
constexpr double kReachMargin = 600;
constexpr double kMaxSpanSeconds = 60;
// Candidate scales this close (relatively) to the best one found on the
// correlation's cells are compared at their best offsets.
constexpr double kNearScales = 0.006;
// The final offset: starts matched to rises of speech within this reach, the
// rise looked for this far either side of a start.
constexpr double kOnsetReach = 0.12;
constexpr double kOnsetEdge = 0.2;
// The spans' and the starts' offsets further apart than this (a frame and a
// half at 25 fps): the starts' is taken alone.
constexpr double kStartsDecide = 0.06;
// A subtitle starts out of quiet when less than this share of the kOnsetEdge
// before its start is speech.
constexpr double kQuietBefore = 0.5;

// The speech track as weights (speech 1 - p, silence -p), kept as their
// running sum, for scoring any stretch.
class Weights {
 public:
  explicit Weights(const std::vector<bool>& speech)
      : size_(speech.size()), below_(speech.size()), speech_(speech.size()) {
    uint32_t count = 0;  // speech steps so far
    for (size_t i = 0; i < size_; ++i) {
      speech_[i] = speech[i] ? 1 : 0;
      count += speech_[i];
    }
    const auto spoken = static_cast<double>(count);
    share_ = speech.empty() ? 0 : spoken / static_cast<double>(size_);
    // The share within the stretch people speak in (from the first speech to
    // the last): silence or hiss before and after it says nothing of how
    // dense the speech is.
    size_t first = 0, last = size_;
    while (first < size_ && !speech[first]) ++first;
    while (last > first && !speech[last - 1]) --last;
    level_ = last > first ? spoken / static_cast<double>(last - first) : 0;
    spokenSeconds_ = spoken * kStep;
    // Below at every whole step and what a step adds, worked out once: Below
    // runs millions of times.
    count = 0;
    for (size_t i = 0; i < size_; ++i) {
      below_[i] = static_cast<double>(count) - level_ * static_cast<double>(i);
      count += speech_[i];
    }
    end_ = static_cast<double>(count) - level_ * static_cast<double>(size_);
    for (uint32_t s : {0U, 1U}) step_[s] = static_cast<double>(s) - level_;
  }
  double Share() const { return share_; }
  // The share of the steps from u to v (u < v) that are speech.
  double SpeechShare(double u, double v) const { return (Below(v) - Below(u)) / (v - u) + level_; }
  double SpokenSeconds() const { return spokenSeconds_; }
  size_t Size() const { return size_; }

  // The weight from the film's start to x steps (outside the film it is 0).
  double Below(double x) const {
    if (!(x > 0)) return 0;
    if (x >= static_cast<double>(size_)) return end_;
    const auto i = static_cast<size_t>(x);
    return below_[i] + (x - static_cast<double>(i)) * step_[speech_[i]];
  }

  // The weights summed over cells of `cells` steps, for the correlation.
  std::vector<double> Cells(size_t cells) const {
    std::vector<double> out((Size() + cells - 1) / cells);
    for (size_t c = 0; c < out.size(); ++c)
      out[c] = Below(static_cast<double>((c + 1) * cells)) - Below(static_cast<double>(c * cells));
    return out;
  }

  // A subtitle's score when shown from u to v (in steps): no lower than
  // -floor, so that a subtitle with no speech under it (a title, a credit, a
  // song) costs a fit only that much and cannot pull it away.
  double Span(double u, double v) const {
    const double o = kOnsetWindow / kStep;
    const double at = Below(u);
    const double score = Below(v) - at + kOnsetWeight * (Below(u + o) + Below(u - o) - 2 * at);
    return std::max(score, -floor_);
  }
  void SetFloor(double floor) { floor_ = floor; }

 private:
  size_t size_;
  std::vector<double> below_;    // Below(i)
  std::vector<uint8_t> speech_;  // 1 for a step of speech
  double step_[2] = {0, 0};      // what a step of silence and one of speech weigh
  double end_ = 0;               // Below past the film's end
  double share_ = 0;
  double level_ = 0;  // what a step of speech weighs less 1
  double spokenSeconds_ = 0;
  double floor_ = 1e300;
};

// The smallest size >= n with no prime factor above 7, which FFTW is fast at.
size_t SmoothSize(size_t n) {
  for (size_t m = std::max<size_t>(n, 2);; ++m) {
    size_t r = m;
    for (size_t p : {2, 3, 5, 7})
      while (r % p == 0) r /= p;
    if (r == 1) return m;
  }
}

struct FftwDeleter {
  void operator()(void* p) const { fftw_free(p); }
};

// FFTW's planner is not thread-safe: plans are made and destroyed under this
// lock. Executing a plan is safe on several threads at once.
std::mutex& PlannerLock() {
  static std::mutex lock;
  return lock;
}

// Runs work(i, worker) for every i below n on at most `threads` threads, this
// one among them (worker numbers them from 0), and rethrows what a failing
// one threw. Each i is done once, on whichever thread is free; the caller
// keeps the results by i and combines them in order, so the result does not
// depend on the threads.
template <class Work>
void ForEach(size_t n, unsigned threads, const Work& work) {
  const auto count = static_cast<unsigned>(std::min<size_t>(std::max(threads, 1u), n));
  if (count <= 1) {
    for (size_t i = 0; i < n; ++i) work(i, 0u);
    return;
  }
  std::atomic<size_t> next{0};
  std::vector<std::exception_ptr> failed(count);
  auto run = [&](unsigned worker) {
    try {
      for (size_t i = next++; i < n; i = next++) work(i, worker);
    } catch (...) {
      failed[worker] = std::current_exception();
      next = n;
    }
  };
  std::vector<std::thread> helpers;
  helpers.reserve(count - 1);  // no allocation while threads run
  for (unsigned k = 1; k < count; ++k) {
    try {
      helpers.emplace_back(run, k);
    } catch (const std::system_error&) {
      break;  // no more threads: the ones running take the rest
    }
  }
  run(0);
  for (std::thread& t : helpers) t.join();
  for (const std::exception_ptr& e : failed)
    if (e) std::rethrow_exception(e);
}

// Correlates templates with the speech weights through the FFT: for each lag,
// the sum over k of template[k] * weights[k + lag]. Up to `workers` threads
// correlate at once, each with buffers of its own and the same plans.
class Correlator {
 public:
  Correlator(const std::vector<double>& signal, size_t maxTemplate, unsigned workers = 1)
      : n_(signal.size()), size_(SmoothSize(signal.size() + maxTemplate)) {
    const size_t bins = size_ / 2 + 1;
    for (unsigned k = 0; k < std::max(workers, 1u); ++k) {
      Buffers b;
      b.real.reset(static_cast<double*>(fftw_malloc(sizeof(double) * size_)));
      b.spectrum.reset(static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * bins)));
      if (!b.real || !b.spectrum) throw std::bad_alloc();
      buffers_.push_back(std::move(b));
    }
    signal_.reset(static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * bins)));
    if (!signal_) throw std::bad_alloc();
    double* real = buffers_[0].real.get();
    fftw_complex* spectrum = buffers_[0].spectrum.get();
    {
      const std::lock_guard<std::mutex> planning(PlannerLock());
      const int size = static_cast<int>(size_);
      forward_ = fftw_plan_dft_r2c_1d(size, real, spectrum, FFTW_ESTIMATE);
      backward_ = fftw_plan_dft_c2r_1d(size, spectrum, real, FFTW_ESTIMATE);
    }
    if (!forward_ || !backward_) {
      Destroy();
      throw std::bad_alloc();
    }
    std::fill(real, real + size_, 0.0);
    std::copy(signal.begin(), signal.end(), real);
    fftw_execute(forward_);
    std::memcpy(signal_.get(), spectrum, sizeof(fftw_complex) * bins);
  }
  ~Correlator() { Destroy(); }
  Correlator(const Correlator&) = delete;
  Correlator& operator=(const Correlator&) = delete;

  // Lags from -(template size - 1) to signal size - 1, the first at index 0,
  // into out, with the buffers of `worker`.
  void Correlate(const std::vector<double>& tmpl, std::vector<double>& out,
                 unsigned worker) const {
    // The plans were made for buffers_[0]; every worker's have the same
    // alignment (fftw_malloc's), so they compute the same.
    const Buffers& b = buffers_[worker];
    double* real = b.real.get();
    fftw_complex* x = b.spectrum.get();
    std::fill(real, real + size_, 0.0);
    std::copy(tmpl.begin(), tmpl.end(), real);
    fftw_execute_dft_r2c(forward_, real, x);
    const size_t bins = size_ / 2 + 1;
    const fftw_complex* s = signal_.get();
    for (size_t k = 0; k < bins; ++k) {
      // conj(X) * S
      const double re = x[k][0] * s[k][0] + x[k][1] * s[k][1];
      const double im = x[k][0] * s[k][1] - x[k][1] * s[k][0];
      x[k][0] = re;
      x[k][1] = im;
    }
    fftw_execute_dft_c2r(backward_, x, real);
    const double scale = 1.0 / static_cast<double>(size_);
    // Lag i - (m - 1); a negative lag sits at the end of the circle.
    const size_t negative = tmpl.size() - 1;
    out.resize(negative + n_);
    for (size_t i = 0; i < negative; ++i) out[i] = real[size_ - negative + i] * scale;
    for (size_t i = 0; i < n_; ++i) out[negative + i] = real[i] * scale;
  }
  std::vector<double> Correlate(const std::vector<double>& tmpl) const {
    std::vector<double> out;
    Correlate(tmpl, out, 0);
    return out;
  }

 private:
  struct Buffers {
    std::unique_ptr<double[], FftwDeleter> real;
    std::unique_ptr<fftw_complex[], FftwDeleter> spectrum;
  };
  void Destroy() {
    const std::lock_guard<std::mutex> planning(PlannerLock());
    if (forward_) fftw_destroy_plan(forward_);
    if (backward_) fftw_destroy_plan(backward_);
    forward_ = backward_ = nullptr;
  }

  size_t n_, size_;
  std::vector<Buffers> buffers_;
  std::unique_ptr<fftw_complex[], FftwDeleter> signal_;
  fftw_plan forward_ = nullptr, backward_ = nullptr;
};

// Adds weight over [u, v) (in cells, fractions included) to x.
void AddInterval(std::vector<double>& x, double u, double v, double weight) {
  u = std::max(u, 0.0);
  v = std::min(v, static_cast<double>(x.size()));
  if (v <= u) return;
  auto k = static_cast<size_t>(u);
  const auto last = static_cast<size_t>(std::ceil(v)) - 1;
  for (; k <= last && k < x.size(); ++k) {
    const double lo = std::max(u, static_cast<double>(k));
    const double hi = std::min(v, static_cast<double>(k + 1));
    if (hi > lo) x[k] += weight * (hi - lo);
  }
}

// The document at one scale, as a template for the correlation: lag L then
// means the offset a = L * step - base.
struct Template {
  std::vector<double> values;
  double base = 0;  // seconds of the document (scaled) at cell 0
};

// The spans [from, to) at a scale on cells of `step` seconds.
Template MakeTemplate(const std::vector<SubtitleSpan>& spans, double scale, size_t from, size_t to,
                      double step) {
  double first = spans[from].start, last = spans[from].end;
  for (size_t i = from; i < to; ++i) {
    first = std::min(first, spans[i].start);
    last = std::max(last, spans[i].end);
  }
  Template t;
  t.base = scale * first - kOnsetWindow - step;
  const double o = kOnsetWindow / step;
  const auto cells = static_cast<size_t>(std::ceil((scale * last - t.base) / step + o)) + 2;
  t.values.assign(cells, 0.0);
  for (size_t i = from; i < to; ++i) {
    const double u = (scale * spans[i].start - t.base) / step;
    const double v = (scale * spans[i].end - t.base) / step;
    AddInterval(t.values, u, v, 1.0);
    AddInterval(t.values, u, u + o, kOnsetWeight);
    AddInterval(t.values, u - o, u, -kOnsetWeight);
  }
  return t;
}

// A stretch of the document's spans [from, to) shown at offset a (seconds;
// t' = a + b t with the scale b all stretches share), and its score.
struct Piece {
  size_t from = 0, to = 0;
  double a = 0;
  double score = 0;
  double middle = 0;  // of its spans, in the document's seconds
};

double PieceScore(const Weights& w, const std::vector<SubtitleSpan>& spans, size_t from, size_t to,
                  double a, double b) {
  double total = 0;
  for (size_t i = from; i < to; ++i)
    total += w.Span((a + b * spans[i].start) / kStep, (a + b * spans[i].end) / kStep);
  return total;
}

// Seconds from the earliest start to the latest end of the document.
double Extent(const std::vector<SubtitleSpan>& spans) {
  double first = spans.front().start, last = spans.front().end;
  for (const SubtitleSpan& s : spans) {
    first = std::min(first, s.start);
    last = std::max(last, s.end);
  }
  return last - first;
}

double Middle(const std::vector<SubtitleSpan>& spans, size_t from, size_t to) {
  double first = spans[from].start, last = spans[from].end;
  for (size_t i = from; i < to; ++i) {
    first = std::min(first, spans[i].start);
    last = std::max(last, spans[i].end);
  }
  return (first + last) / 2;
}

Piece MakePiece(const std::vector<SubtitleSpan>& spans, size_t from, size_t to, double a) {
  return {from, to, a, 0, Middle(spans, from, to)};
}

// The piece's offset within reach of where it is, to the millisecond.
void BestOffset(const Weights& w, const std::vector<SubtitleSpan>& spans, Piece& p, double b,
                double reach) {
  p.score = PieceScore(w, spans, p.from, p.to, p.a, b);
  for (double step : {0.005, 0.001}) {
    const double centre = p.a;
    const int n = static_cast<int>(std::lround(reach / step));
    for (int i = -n; i <= n; ++i) {
      if (i == 0) continue;  // the centre's score is p.score
      const double a = centre + i * step;
      const double score = PieceScore(w, spans, p.from, p.to, a, b);
      if (score > p.score) {
        p.score = score;
        p.a = a;
      }
    }
    reach = step;
  }
}

// Pieces with a common scale, and their total score.
struct Fit {
  std::vector<Piece> pieces;
  double b = 1;
  double score = 0;
};

// The pieces moved from scale `from` to scale b, each keeping its middle
// where it was, then their offsets searched within reach.
Fit AtScale(const Weights& w, const std::vector<SubtitleSpan>& spans, const Fit& from, double b,
            double reach) {
  Fit f{from.pieces, b, 0};
  for (Piece& p : f.pieces) {
    p.a += (from.b - b) * p.middle;
    BestOffset(w, spans, p, b, reach);
    f.score += p.score;
  }
  return f;
}

// The scale searched around the fit's, every offset with it: to kRefineReach
// of the scale, in steps that move the document's ends by 10 ms, then 2 ms.
// The scales of a pass are fitted on `threads` threads and compared in order.
Fit Refine(const Weights& w, const std::vector<SubtitleSpan>& spans, const Fit& start,
           unsigned threads) {
  Fit best = AtScale(w, spans, start, start.b, 0.05);
  const double ends = std::max(Extent(spans) / 2, 1.0);
  double reach = std::max(kRefineReach * start.b * ends, 0.02);
  for (double step : {0.01, 0.002}) {
    const Fit centre = best;
    const int n = static_cast<int>(std::lround(reach / step));
    std::vector<std::optional<Fit>> tried(2 * static_cast<size_t>(n) + 1);
    ForEach(tried.size(), threads, [&](size_t k, unsigned) {
      const int i = static_cast<int>(k) - n;
      const double b = centre.b + i * step / ends;
      if (b <= 0 || i == 0) return;
      tried[k] = AtScale(w, spans, centre, b, 0.02);
    });
    for (std::optional<Fit>& f : tried)
      if (f && f->score > best.score) best = std::move(*f);
    reach = step;
  }
  return best;
}

// How much worse than the refined fit another fit may score and still be as
// likely: what moving every subtitle kSnapSteps steps either way costs.
double SnapTolerance(const Weights& w, const std::vector<SubtitleSpan>& spans, const Fit& refined) {
  double stepped = 0;
  for (const Piece& p : refined.pieces)
    stepped += (PieceScore(w, spans, p.from, p.to, p.a - kSnapSteps * kStep, refined.b) +
                PieceScore(w, spans, p.from, p.to, p.a + kSnapSteps * kStep, refined.b)) /
               2;
  return std::max(refined.score - stepped, 0.0);
}

// The scale the sound settles on. Every scale whose best fit is no worse
// than moving every subtitle of the refined fit kSnapSteps steps away is as
// likely as the refined one; that band of scales reaches out from the refined
// scale to kSnapBand of it at most. When one candidate scale lies in the band
// it is taken. When several do (1 and 1,001 on a short document, where they
// differ by a frame or two at its ends), the sound cannot tell which, and
// the scale halfway between them keeps every one of them within half their
// difference. With none, the refined scale stays.
Fit Snap(const Weights& w, const std::vector<SubtitleSpan>& spans, const Fit& refined) {
  const double tolerance = SnapTolerance(w, spans, refined);
  // Steps that move the document's ends by 10 ms, a hundred of them at most.
  const double reach = kSnapBand * refined.b;
  const double step = std::max(kStep / std::max(Extent(spans) / 2, 1.0), reach / 100);
  auto likely = [&](double b) {
    return refined.score - AtScale(w, spans, refined, b, 0.05).score <= tolerance;
  };
  double lo = refined.b, hi = refined.b;
  for (const int side : {-1, 1})
    for (int i = 1; static_cast<double>(i) * step <= reach; ++i) {
      const double b = refined.b + side * static_cast<double>(i) * step;
      if (!likely(b)) break;
      (side < 0 ? lo : hi) = b;
    }
  // A candidate between the steps is tried on its own.
  double first = 0, last = 0;
  for (const double c : CandidateScales()) {
    const bool inBand = c >= lo - 1e-12 && c <= hi + 1e-12;
    if (!inBand && !(std::fabs(c - refined.b) <= reach && likely(c))) continue;
    first = first == 0 ? c : std::min(first, c);
    last = std::max(last, c);
  }
  if (first == 0) return refined;
  return AtScale(w, spans, refined, std::sqrt(first * last), 0.05);
}

// The refined fit, or the first candidate scale in order of preference that
// fits as well as it (for the stretches of a cut, each too short to weigh
// scales by itself).
Fit SnapToCandidate(const Weights& w, const std::vector<SubtitleSpan>& spans, const Fit& refined) {
  const double tolerance = SnapTolerance(w, spans, refined);
  for (const double c : CandidateScales()) {
    if (std::fabs(c - refined.b) > 2 * kRefineReach * refined.b) continue;
    Fit f = AtScale(w, spans, refined, c, 0.05);
    if (refined.score - f.score <= tolerance) return f;
  }
  return refined;
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// The correlation runs on cells of this many steps (40 ms): plenty to tell
// offsets apart, and the offsets are then searched to the millisecond.
constexpr size_t kCells = 4;
constexpr double kCellSeconds = kStep * kCells;
// Each candidate scale offers this many of its correlation's peaks.
constexpr size_t kPeaksPerScale = 6;

// Adds offset a unless one within kDistinctSeconds is there already.
void AddDistinct(std::vector<double>& offsets, double a) {
  for (double o : offsets)
    if (std::fabs(o - a) < kDistinctSeconds) return;
  offsets.push_back(a);
}

// The offsets at which the template's correlation peaks above zero, best
// first, at least kDistinctSeconds apart, `most` of them at most.
std::vector<double> PeakOffsets(const std::vector<double>& corr, const Template& t, size_t most) {
  std::vector<size_t> peaks;
  for (size_t i = 0; i < corr.size(); ++i) {
    const bool left = i == 0 || corr[i] >= corr[i - 1];
    const bool right = i + 1 == corr.size() || corr[i] > corr[i + 1];
    if (corr[i] > 0 && left && right) peaks.push_back(i);
  }
  const auto higher = [&](size_t x, size_t y) { return corr[x] > corr[y]; };
  std::vector<double> offsets;
  // Takes the peak i; true when that makes `most`.
  const auto take = [&](size_t i) {
    const double lag = static_cast<double>(i) - static_cast<double>(t.values.size() - 1);
    AddDistinct(offsets, lag * kCellSeconds - t.base);
    return offsets.size() == most;
  };
  // Most often the highest few peaks give the offsets: they are sorted
  // alone. That order is the one sorting all of them gives as long as every
  // peak taken is strictly higher than the next; where two are level, or the
  // few do not suffice, all are sorted.
  constexpr size_t kFew = 256;
  if (peaks.size() > kFew) {
    std::vector<size_t> top(kFew);
    std::partial_sort_copy(peaks.begin(), peaks.end(), top.begin(), top.end(), higher);
    for (size_t j = 0; j + 1 < kFew && corr[top[j]] > corr[top[j + 1]]; ++j)
      if (take(top[j])) return offsets;
    offsets.clear();
  }
  std::sort(peaks.begin(), peaks.end(), higher);
  for (size_t i : peaks)
    if (take(i)) break;
  return offsets;
}

// The offsets for the pieces: the peaks of the whole document's correlation
// and the best offset of each short run of rows on its own, so that a stretch
// too short to show in the whole's correlation still offers its offset.
std::vector<double> PieceOffsets(const std::vector<double>& coarse,
                                 const std::vector<SubtitleSpan>& spans, double b,
                                 unsigned threads) {
  const size_t n = spans.size();
  const size_t rows = std::max(kMinPieceRows + 3, n / kRunsPerDocument);
  const Template whole = MakeTemplate(spans, b, 0, n, kCellSeconds);
  // The whole document first, then each run; correlated on `threads` threads.
  const size_t runs = (n + rows - 1) / rows;
  const auto workers = static_cast<unsigned>(std::min<size_t>(std::max(threads, 1u), runs + 1));
  Correlator correlator(coarse, whole.values.size(), workers);
  std::vector<std::vector<double>> found(runs + 1), corr(workers);
  ForEach(runs + 1, workers, [&](size_t k, unsigned worker) {
    if (k == 0) {
      correlator.Correlate(whole.values, corr[worker], worker);
      found[0] = PeakOffsets(corr[worker], whole, kMaxPieces);
      return;
    }
    const size_t from = (k - 1) * rows;
    const Template t = MakeTemplate(spans, b, from, std::min(n, from + rows), kCellSeconds);
    correlator.Correlate(t.values, corr[worker], worker);
    found[k] = PeakOffsets(corr[worker], t, 1);
  });
  std::vector<double> offsets = std::move(found[0]);
  for (size_t k = 1; k <= runs; ++k)
    for (double a : found[k]) AddDistinct(offsets, a);
  return offsets;
}

// Gives every span one of the offsets so that the spans score best, a change
// of offset between neighbours costing kSwitchCost average subtitles (by
// dynamic programming); stretches shorter than kMinPieceRows then join the
// neighbour that fits them better.
std::vector<Piece> SplitIntoPieces(const Weights& w, const std::vector<SubtitleSpan>& spans,
                                   const std::vector<double>& offsets, double b) {
  const size_t n = spans.size(), k = offsets.size();
  std::vector<double> score(n * k);
  double average = 0;  // of a subtitle at the best single offset, the first
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < k; ++j) score[i * k + j] = PieceScore(w, spans, i, i + 1, offsets[j], b);
    average += std::max(score[i * k], 0.0);
  }
  const double cost = kSwitchCost * std::max(average / static_cast<double>(n), 1e-9);
  // A change of offset keeps the film's order: the span after it may not
  // land before the one ahead of it (a stretch of the film heard twice would
  // otherwise take rows of either copy).
  std::vector<double> total(score.begin(), score.begin() + static_cast<std::ptrdiff_t>(k));
  std::vector<double> next(k);
  std::vector<uint16_t> cameFrom(n * k, 0);
  for (size_t i = 1; i < n; ++i) {
    for (size_t j = 0; j < k; ++j) {
      size_t lead = j;
      double best = total[j];
      const double here = offsets[j] + b * spans[i].start;
      for (size_t m = 0; m < k; ++m) {
        if (m == j || total[m] - cost <= best) continue;
        if (here < offsets[m] + b * spans[i - 1].start) continue;
        best = total[m] - cost;
        lead = m;
      }
      cameFrom[i * k + j] = static_cast<uint16_t>(lead);
      next[j] = score[i * k + j] + best;
    }
    total.swap(next);
  }
  std::vector<size_t> choice(n);
  choice[n - 1] = static_cast<size_t>(std::max_element(total.begin(), total.end()) - total.begin());
  for (size_t i = n - 1; i > 0; --i) choice[i - 1] = cameFrom[i * k + choice[i]];

  auto runs = [&]() {
    std::vector<std::pair<size_t, size_t>> r;  // [from, to)
    for (size_t i = 0; i < n; ++i)
      if (r.empty() || choice[r.back().first] != choice[i])
        r.push_back({i, i + 1});
      else
        r.back().second = i + 1;
    return r;
  };
  std::vector<std::pair<size_t, size_t>> r = runs();
  while (r.size() > 1) {
    size_t shortest = 0;
    for (size_t p = 1; p < r.size(); ++p)
      if (r[p].second - r[p].first < r[shortest].second - r[shortest].first) shortest = p;
    const size_t from = r[shortest].first, to = r[shortest].second;
    if (to - from >= kMinPieceRows) break;
    auto runScore = [&](size_t j) {
      double t = 0;
      for (size_t i = from; i < to; ++i) t += score[i * k + j];
      return t;
    };
    const double before = shortest > 0 ? runScore(choice[from - 1]) : -1e300;
    const double after = shortest + 1 < r.size() ? runScore(choice[to]) : -1e300;
    const size_t into = before >= after ? choice[from - 1] : choice[to];
    for (size_t i = from; i < to; ++i) choice[i] = into;
    r = runs();
  }
  std::vector<Piece> pieces;
  for (const auto& [from, to] : r)
    pieces.push_back(MakePiece(spans, from, to, offsets[choice[from]]));
  return pieces;
}

// The best piecewise fit: pieces found at the linear fit's scale, then the
// scale that suits all the pieces (every candidate tried, then refined), and
// the pieces found again at it when it differs.
Fit PiecewiseFit(const Weights& w, const std::vector<double>& coarse,
                 const std::vector<SubtitleSpan>& spans, double linearScale,
                 std::vector<double>& offsets, unsigned threads) {
  Fit fit;
  fit.b = linearScale;
  for (int round = 0; round < 2; ++round) {
    offsets = PieceOffsets(coarse, spans, fit.b, threads);
    const double b = fit.b;
    fit = {SplitIntoPieces(w, spans, offsets, b), b, 0};
    fit = AtScale(w, spans, fit, b, 0.05);
    if (fit.pieces.size() == 1) return fit;
    Fit best = fit;
    const std::vector<double> scales = CandidateScales();
    std::vector<Fit> tried(scales.size());
    ForEach(scales.size(), threads,
            [&](size_t k, unsigned) { tried[k] = AtScale(w, spans, fit, scales[k], 0.05); });
    for (Fit& f : tried)
      if (f.score > best.score) best = std::move(f);
    const Fit chosen = SnapToCandidate(w, spans, Refine(w, spans, best, threads));
    const bool moved = std::fabs(chosen.b - b) * Extent(spans) >= kDistinctSeconds / 2;
    fit = chosen;
    if (!moved) break;
  }
  // The stretches found, their common scale is settled as a single fit's is:
  // the first usual ratio that fits as well put a whole document of two
  // stretches two frames off at its ends where 1 and 1,001 fit alike.
  if (fit.pieces.size() > 1) fit = Snap(w, spans, Refine(w, spans, fit, threads));
  return fit;
}

// The document's spans that can fall within the film: at most the film's
// length at the slowest candidate scale, and a margin, from the earliest
// to the latest (the stretch holding the most subtitles). Keeps the work and
// memory bounded by the film whatever frame numbers the document holds.
std::vector<SubtitleSpan> WithinReach(std::vector<SubtitleSpan> spans, double filmSeconds) {
  const double reach = std::max(filmSeconds, kShortestReach) / kSlowestScale + kReachMargin;
  std::vector<double> starts;
  for (const SubtitleSpan& s : spans) starts.push_back(s.start);
  std::sort(starts.begin(), starts.end());
  size_t bestFrom = 0, bestCount = 0;
  for (size_t i = 0, j = 0; i < starts.size(); ++i) {
    while (j < starts.size() && starts[j] - starts[i] <= reach) ++j;
    if (j - i > bestCount) {
      bestCount = j - i;
      bestFrom = i;
    }
  }
  const double lo = starts[bestFrom], hi = lo + reach;
  std::vector<SubtitleSpan> kept;
  for (SubtitleSpan s : spans)
    if (s.start >= lo && s.start <= hi) {
      s.end = std::min(s.end, hi + kMaxSpanSeconds);
      kept.push_back(s);
    }
  return kept;
}

double LastEnd(const std::vector<SubtitleSpan>& spans) {
  double last = spans.front().end;
  for (const SubtitleSpan& s : spans) last = std::max(last, s.end);
  return last;
}

// What a typical subtitle earns at a fit: the median of their scores.
double TypicalScore(const Weights& w, const std::vector<SubtitleSpan>& spans, const Fit& fit) {
  const Piece& p = fit.pieces.front();
  std::vector<double> scores;
  for (const SubtitleSpan& s : spans)
    scores.push_back(w.Span((p.a + fit.b * s.start) / kStep, (p.a + fit.b * s.end) / kStep));
  std::nth_element(scores.begin(), scores.begin() + static_cast<std::ptrdiff_t>(scores.size() / 2),
                   scores.end());
  return std::max(scores[scores.size() / 2], 0.0);
}

// Single fits to choose from: the best peaks of every candidate scale's
// correlation, each offset searched to the millisecond. The scales are done
// on `threads` threads and their fits kept in the order of the scales.
std::vector<Fit> Hypotheses(const Weights& w, const std::vector<double>& coarse,
                            const std::vector<SubtitleSpan>& spans, unsigned threads) {
  const std::vector<double> scales = CandidateScales();
  // The fastest scale makes the longest template.
  const double fastest = *std::max_element(scales.begin(), scales.end());
  const auto workers = static_cast<unsigned>(std::min<size_t>(std::max(threads, 1u), scales.size()));
  Correlator correlator(
      coarse, MakeTemplate(spans, fastest, 0, spans.size(), kCellSeconds).values.size(), workers);
  std::vector<std::vector<Fit>> perScale(scales.size());
  std::vector<std::vector<double>> corr(workers);
  ForEach(scales.size(), workers, [&](size_t k, unsigned worker) {
    const double scale = scales[k];
    const Template t = MakeTemplate(spans, scale, 0, spans.size(), kCellSeconds);
    correlator.Correlate(t.values, corr[worker], worker);
    for (double a : PeakOffsets(corr[worker], t, kPeaksPerScale)) {
      const Fit start{{MakePiece(spans, 0, spans.size(), a)}, scale, 0};
      perScale[k].push_back(AtScale(w, spans, start, scale, 0.05));
    }
  });
  std::vector<Fit> fits;
  for (std::vector<Fit>& f : perScale) std::move(f.begin(), f.end(), std::back_inserter(fits));
  return fits;
}

// The offset moved, within kOnsetReach, to where the subtitles' starts sit
// best on rises of speech (speech within kOnsetEdge after each start, none
// just before): subtitles start when people start to speak, while their
// ends and the pauses inside them follow the voice loosely and pull a fit of
// whole spans by a frame or more.
double OnsetOffset(const Weights& w, const std::vector<SubtitleSpan>& spans, double a, double b) {
  const double o = kOnsetEdge / kStep;
  auto score = [&](double x) {
    double total = 0;
    for (const SubtitleSpan& s : spans) {
      const double u = (x + b * s.start) / kStep;
      const double at = w.Below(u);
      total += std::clamp(w.Below(u + o) + w.Below(u - o) - 2 * at, -o / 4, o);
    }
    return total;
  };
  double best = a, bestScore = score(a);
  for (double step : {0.005, 0.001}) {
    const double centre = best;
    const double reach = step == 0.005 ? kOnsetReach : 0.005;
    const int n = static_cast<int>(std::lround(reach / step));
    for (int i = -n; i <= n; ++i) {
      const double x = centre + i * step;
      const double sc = score(x);
      if (sc > bestScore) {
        bestScore = sc;
        best = x;
      }
    }
  }
  return best;
}

// The share of subtitles that start out of quiet at offset a and scale b:
// only those can place a start on a rise of speech. A bed of music or noise
// that the detector takes for speech leaves few of them, clean speech about
// half (people talk on across many subtitles' starts).
double RisingShare(const Weights& w, const std::vector<SubtitleSpan>& spans, double a, double b) {
  const double o = kOnsetEdge / kStep;
  size_t rising = 0;
  for (const SubtitleSpan& s : spans) {
    const double u = (a + b * s.start) / kStep;
    if (w.SpeechShare(u - o, u) < kQuietBefore) ++rising;
  }
  return static_cast<double>(rising) / static_cast<double>(spans.size());
}

// The first frame of a row.
int32_t FirstFrameOf(LineSpan lines, int row) {
  return ParseFirstFrame(lines[static_cast<size_t>(row)]);
}

// Points at the first and last row of each stretch. Where a stretch's first
// rows would land before the previous point, they are taken as the previous
// stretch's last rows when they come after its end there (the boundary
// between two stretches is uncertain by a row or so), and are otherwise left
// between the points (the film lacks a part the subtitles have).
void MakePoints(AutoSyncResult& result, LineSpan lines, const std::vector<SubtitleSpan>& spans,
                const std::vector<Piece>& pieces) {
  SyncPoints points;
  auto at = [&](size_t span, const AutoSyncSegment& seg, SyncPoint& p) {
    const int row = spans[span].row;
    const int32_t old = FirstFrameOf(lines, row);
    const long double frame = RetimeFrame(old, seg.offset, seg.scale);
    if (frame > 2147483647.0L) return false;
    p = {static_cast<int32_t>(frame), old, row};
    if (points.empty()) return true;
    const SyncPoint& q = points.back();
    return p.newFrame > q.newFrame && p.oldFrame > q.oldFrame && p.position > q.position;
  };
  bool endOfPrevious = false;  // points.back() ends the previous stretch
  for (size_t k = 0; k < pieces.size(); ++k) {
    const AutoSyncSegment& seg = result.segments[k];
    SyncPoint p;
    size_t i = pieces[k].from;
    for (; i + 1 < pieces[k].to && !at(i, seg, p); ++i) {
      SyncPoint q;
      if (endOfPrevious && at(i, result.segments[k - 1], q)) points.back() = q;
    }
    if (i + 1 < pieces[k].to) points.push_back(p);
    endOfPrevious = at(pieces[k].to - 1, seg, p);
    if (endOfPrevious) points.push_back(p);
  }
  result.points = std::move(points);
}

}  // namespace

std::vector<SubtitleSpan> SubtitleSpans(LineSpan lines, double fps) {
  std::vector<SubtitleSpan> spans;
  std::vector<bool> open;  // no usable second frame: the end comes from the next start
  for (size_t row = 0; row < lines.size(); ++row) {
    const SubtitleLineView view(lines[row]);
    // Empty braces are frame 0, the way a line says it has no frame.
    const int32_t first = view.First();
    if (first == 0) continue;
    const int32_t second = view.Second();
    SubtitleSpan s{static_cast<int>(row), first / fps, second / fps};
    const bool usable = second > first;
    open.push_back(!usable);
    spans.push_back(s);
  }
  for (size_t i = 0; i < spans.size(); ++i) {
    if (!open[i]) continue;
    const double next = i + 1 < spans.size() ? spans[i + 1].start - spans[i].start : 2.5;
    spans[i].end = spans[i].start + std::clamp(next, 0.5, 2.5);
  }
  return spans;
}

std::vector<double> CandidateScales() {
  // The rates from the most common, and each pair both ways: the order in
  // which a scale is preferred when the sound cannot tell two apart.
  const double rates[] = {25, 24000.0 / 1001, 24, 30000.0 / 1001, 30};
  std::vector<double> scales = {1.0};
  auto add = [&](double r) {
    for (double s : scales)
      if (std::fabs(s - r) < 1e-9) return;
    scales.push_back(r);
  };
  for (size_t i = 0; i < std::size(rates); ++i)
    for (size_t j = i + 1; j < std::size(rates); ++j) {
      add(rates[i] / rates[j]);
      add(rates[j] / rates[i]);
    }
  return scales;
}

AutoSyncResult AlignToSpeech(const std::vector<bool>& speech, LineSpan lines, double fps,
                             bool piecewise, unsigned threads) {
  if (!(fps >= kMinAutoSyncRate && fps <= kMaxAutoSyncRate))
    throw Error("the frame rate " + FormatDecimal(fps) + " is out of range");
  AutoSyncResult result;
  std::vector<SubtitleSpan> spans = SubtitleSpans(lines, fps);
  if (spans.empty()) {
    result.status = AutoSyncStatus::NoSubtitles;
    return result;
  }
  Weights w(speech);
  if (w.SpokenSeconds() < kMinSpeechSeconds) {
    result.status = AutoSyncStatus::NoSpeech;
    return result;
  }
  spans = WithinReach(std::move(spans), static_cast<double>(w.Size()) * kStep);
  const std::vector<double> coarse = w.Cells(kCells);

  // The best peaks of every candidate scale, each to the millisecond; then
  // again with every subtitle's loss bounded by half what a typical one
  // earns at the best of them.
  std::vector<Fit> fits = Hypotheses(w, coarse, spans, threads);
  auto bestOf = [](const std::vector<Fit>& f) {
    return std::max_element(f.begin(), f.end(),
                            [](const Fit& x, const Fit& y) { return x.score < y.score; });
  };
  if (fits.empty()) {
    result.status = AutoSyncStatus::Unclear;
    FillRetimingFields(result, lines);
    return result;
  }
  w.SetFloor(kFloorShare * TypicalScore(w, spans, *bestOf(fits)));
  ForEach(fits.size(), threads,
          [&](size_t k, unsigned) { fits[k] = AtScale(w, spans, fits[k], fits[k].b, 0.05); });

  // To the millisecond, and between the candidates where that is clearly better.
  // The coarse cells hardly tell close scales apart (1 and 1,001 on a short
  // document): each candidate near the best is tried at its best offset.
  Fit near = *bestOf(fits);
  const double coarseScale = near.b;
  for (double c : CandidateScales()) {
    if (std::fabs(c - coarseScale) > kNearScales * coarseScale) continue;
    Fit f = AtScale(w, spans, *bestOf(fits), c, 0.1);
    if (f.score > near.score) near = std::move(f);
  }
  const Fit refined = Refine(w, spans, near, threads);
  const Fit fit = Snap(w, spans, refined);
  const Piece& whole = fit.pieces.front();

  // Confidence: against the best fit that puts some subtitle at least a
  // second elsewhere.
  double rival = 0;
  double first = spans.front().start;
  for (const SubtitleSpan& s : spans) first = std::min(first, s.start);
  const double last = LastEnd(spans);
  auto apart = [&](const Fit& f) {
    const Piece& p = f.pieces.front();
    return std::max(std::fabs(p.a + f.b * first - whole.a - fit.b * first),
                    std::fabs(p.a + f.b * last - whole.a - fit.b * last));
  };
  for (const Fit& f : fits)
    if (apart(f) >= kDistinctSeconds) rival = std::max(rival, f.score);
  result.scale = fit.b;
  const double onsetA = OnsetOffset(w, spans, whole.a, fit.b);
  // The spans' offset and the starts' one, weighed by the share of starts
  // that rise out of quiet: a start inside speech says nothing of where it
  // belongs, and under a bed of music the few that rise would decide alone.
  // When the two disagree by more than kStartsDecide, the spans have
  // followed where the detector joined beats of music or noise to the
  // speech, and the starts decide.
  const bool startsDecide = std::fabs(onsetA - whole.a) > kStartsDecide;
  const double trust = startsDecide ? 1.0 : RisingShare(w, spans, onsetA, fit.b);
  result.offset = (trust * onsetA + (1 - trust) * whole.a) * fps;
  result.confidence = fit.score <= 0 ? 0 : Clamp01((fit.score - rival) / fit.score);

  // Stretches with offsets of their own, each with its confidence against
  // the other offsets the correlation suggested. A cut found with that
  // confidence in every stretch is no single fit: without piecewise mode
  // that is unclear. A split found with less leaves the single fit standing
  // without piecewise mode, and nothing clear with it.
  std::vector<double> offsets;
  // The stretches start from the candidate scale nearest the refined one:
  // one stretch's share of the document cannot weigh scales between them.
  const Fit pieces =
      PiecewiseFit(w, coarse, spans, SnapToCandidate(w, spans, refined).b, offsets, threads);
  std::vector<AutoSyncSegment> segments;
  double lowest = 1;
  // The stretches keep their order in the film: a stretch placed before the
  // one ahead of it in the document has matched the wrong part of the film
  // (a scene heard twice), which no confidence of its own shows.
  bool ordered = true;
  for (size_t k = 1; k < pieces.pieces.size(); ++k) {
    const Piece& p = pieces.pieces[k - 1];
    const Piece& q = pieces.pieces[k];
    ordered = ordered && q.a + pieces.b * spans[q.from].start >=
                             p.a + pieces.b * spans[p.to - 1].start;
  }
  if (!ordered) lowest = 0;
  // Each stretch against the other offsets that keep it between its
  // neighbours in the film.
  const std::vector<Piece>& all = pieces.pieces;
  for (size_t k = 0; k < all.size(); ++k) {
    const Piece& p = all[k];
    const double b = pieces.b;
    double other = 0;
    for (double o : offsets) {
      if (std::fabs(o - p.a) < kDistinctSeconds) continue;
      if (k > 0 && o + b * spans[p.from].start < all[k - 1].a + b * spans[all[k - 1].to - 1].start)
        continue;
      if (k + 1 < all.size() &&
          o + b * spans[p.to - 1].start > all[k + 1].a + b * spans[all[k + 1].from].start)
        continue;
      other = std::max(other, PieceScore(w, spans, p.from, p.to, o, b));
    }
    const double confidence = p.score <= 0 ? 0 : Clamp01((p.score - other) / p.score);
    segments.push_back({spans[p.from].row, spans[p.to - 1].row, p.a * fps, pieces.b,
                        ordered ? confidence : 0});
    lowest = std::min(lowest, confidence);
  }
  const bool cut = pieces.pieces.size() > 1 && lowest >= kMinAutoSyncConfidence;
  if (cut && !piecewise) {
    result.confidence = 0;
    result.cut = true;
  }
  result.status =
      result.confidence >= kMinAutoSyncConfidence ? AutoSyncStatus::Found : AutoSyncStatus::Unclear;
  FillRetimingFields(result, lines);
  if (!piecewise) return result;
  if (pieces.pieces.size() > 1 && !cut) {
    // In piecewise mode a split that is not clear leaves nothing clear.
    result.confidence = lowest;
    result.status = AutoSyncStatus::Unclear;
    return result;
  }
  if (!cut) {
    result.segments.push_back(
        {spans.front().row, spans.back().row, result.offset, result.scale, result.confidence});
    MakePoints(result, lines, spans, fit.pieces);
    return result;
  }
  result.segments = std::move(segments);
  result.confidence = lowest;
  result.status = AutoSyncStatus::Found;
  MakePoints(result, lines, spans, pieces.pieces);
  return result;
}

unsigned AlignThreadsForCommand() {
  return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

void FillRetimingFields(AutoSyncResult& result, LineSpan lines) {
  if (lines.empty()) return;
  result.firstOld = ParseFirstFrame(lines.front());
  result.lastOld = ParseFirstFrame(lines.back());
  const long double y1 = static_cast<long double>(result.firstOld) * result.scale + result.offset;
  const long double y2 = static_cast<long double>(result.lastOld) * result.scale + result.offset;
  auto frame = [](long double v) {
    return static_cast<int32_t>(std::clamp(v, 0.0L, 2147483647.0L));
  };
  long double bestError = -1;
  for (long double e3 : {std::floor(y1), std::ceil(y1)})
    for (long double e4 : {std::floor(y2), std::ceil(y2)}) {
      const RetimingValues v =
          ComputeRetiming(result.firstOld, result.lastOld, frame(e3), frame(e4));
      if (!v.success) continue;
      // What the recalculation will apply: the offset rounded to a frame.
      const long double applied = RoundHalfEven(v.offset);
      const long double error =
          std::max(std::fabs(result.firstOld * static_cast<long double>(v.scale) + applied - y1),
                   std::fabs(result.lastOld * static_cast<long double>(v.scale) + applied - y2));
      if (bestError >= 0 && error >= bestError) continue;
      bestError = error;
      result.firstNew = frame(e3);
      result.lastNew = frame(e4);
      result.offsetText = FormatDecimal(v.offset);
      result.scaleText = FormatDecimal(v.scale);
    }
  if (bestError < 0) {
    // One subtitle, or the first and last not rising: "=" cannot be used.
    result.firstNew = frame(RoundHalfEven(y1));
    result.lastNew = frame(RoundHalfEven(y2));
    result.offsetText = FormatDecimal(result.offset);
    result.scaleText = FormatDecimal(result.scale);
  }
}

std::string AutoSyncMessage(const AutoSyncResult& result) {
  switch (result.status) {
    case AutoSyncStatus::NoSpeech:
      return std::string(kMsgAutoNoSpeech);
    case AutoSyncStatus::NoSubtitles:
      return std::string(kMsgAutoNoSubtitles);
    case AutoSyncStatus::Unclear:
      return std::string(kMsgAutoUnclear) +
             std::to_string(static_cast<int>(std::lround(result.confidence * 100))) + " %). " +
             std::string(kMsgAutoUnchanged);
    case AutoSyncStatus::Found:
      break;
  }
  return {};
}

}  // namespace velorin
