// The peak envelope of a film's sound, decoded with FFmpeg.
#include "film/sound_peaks.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "film/sound_summary.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace velorin {

namespace {

std::string AvText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

[[noreturn]] void Unreadable(const std::string& path, const std::string& why) {
  throw SpeechDetectionError(SpeechFailure::Unreadable, path + ": " + why);
}

struct FormatCloser {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// Magnitude of one sample as a fraction of full scale.
template <typename T>
float Magnitude(T v) {
  if constexpr (std::is_same_v<T, float>)
    return std::abs(v);
  else if constexpr (std::is_same_v<T, double>)
    return static_cast<float>(std::abs(v));
  else if constexpr (std::is_same_v<T, uint8_t>)
    return static_cast<float>(std::abs(static_cast<int>(v) - 128)) / 128.0f;
  else if constexpr (std::is_same_v<T, int16_t>)
    return static_cast<float>(std::abs(static_cast<int32_t>(v))) / 32768.0f;
  else if constexpr (std::is_same_v<T, int32_t>)
    return static_cast<float>(std::abs(static_cast<int64_t>(v))) / 2147483648.0f;
  else
    return static_cast<float>(std::abs(static_cast<double>(v))) / 9223372036854775808.0f;
}

// The loudest channel of every sample of a frame into out.
template <typename T>
void Loudest(const AVFrame& f, bool planar, std::vector<float>& out) {
  const auto n = static_cast<size_t>(f.nb_samples);
  const auto channels = static_cast<size_t>(std::max(f.ch_layout.nb_channels, 1));
  out.assign(n, 0.0f);
  if (planar) {
    for (size_t c = 0; c < channels; ++c) {
      const T* s = reinterpret_cast<const T*>(f.extended_data[c]);
      for (size_t i = 0; i < n; ++i) out[i] = std::max(out[i], Magnitude(s[i]));
    }
  } else {
    const T* s = reinterpret_cast<const T*>(f.extended_data[0]);
    for (size_t i = 0; i < n; ++i)
      for (size_t c = 0; c < channels; ++c)
        out[i] = std::max(out[i], Magnitude(s[i * channels + c]));
  }
}

bool ToMagnitudes(const AVFrame& f, std::vector<float>& out) {
  const auto format = static_cast<AVSampleFormat>(f.format);
  const bool planar = av_sample_fmt_is_planar(format) != 0;
  switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
      Loudest<uint8_t>(f, planar, out);
      return true;
    case AV_SAMPLE_FMT_S16:
      Loudest<int16_t>(f, planar, out);
      return true;
    case AV_SAMPLE_FMT_S32:
      Loudest<int32_t>(f, planar, out);
      return true;
    case AV_SAMPLE_FMT_S64:
      Loudest<int64_t>(f, planar, out);
      return true;
    case AV_SAMPLE_FMT_FLT:
      Loudest<float>(f, planar, out);
      return true;
    case AV_SAMPLE_FMT_DBL:
      Loudest<double>(f, planar, out);
      return true;
    default:
      return false;
  }
}

// A film opened for its first audio stream, with a decoder for it.
class SoundDecoder {
 public:
  explicit SoundDecoder(const std::string& path) : path_(path) {
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (rc < 0) Unreadable(path, AvText(rc));
    fmt_.reset(raw);
    rc = avformat_find_stream_info(fmt_.get(), nullptr);
    if (rc < 0) Unreadable(path, AvText(rc));
    for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
      AVStream* st = fmt_->streams[i];
      if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !audio_)
        audio_ = st;
      else
        st->discard = AVDISCARD_ALL;  // the demuxer skips what is not needed
    }
    if (!audio_)
      throw SpeechDetectionError(SpeechFailure::NoAudio, path + ": the film has no audio stream");
    const AVCodec* codec = avcodec_find_decoder(audio_->codecpar->codec_id);
    if (!codec) Unreadable(path, "no decoder for its audio");
    dec_.reset(avcodec_alloc_context3(codec));
    if (!dec_) throw std::bad_alloc();
    rc = avcodec_parameters_to_context(dec_.get(), audio_->codecpar);
    if (rc >= 0) rc = avcodec_open2(dec_.get(), codec, nullptr);
    if (rc < 0) Unreadable(path, AvText(rc));
    // Film time 0 is the start of the file, as players show it.
    fileStart_ = fmt_->start_time == AV_NOPTS_VALUE
                     ? 0.0
                     : static_cast<double>(fmt_->start_time) / AV_TIME_BASE;
    duration_ = fmt_->duration > 0 ? static_cast<double>(fmt_->duration) / AV_TIME_BASE : 0;
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!packet_ || !frame_) throw std::bad_alloc();
  }

  double Duration() const { return duration_; }
  bool Seekable() const {
    return fmt_->pb && (fmt_->pb->seekable & AVIO_SEEKABLE_NORMAL) && duration_ > 0;
  }

  // The peaks of the film's time [from, to) (to < 0: to the end), from
  // whole seconds. progress gets the part of the stretch done.
  std::vector<uint8_t> Read(double from, double to, const std::function<bool(double)>& progress) {
    if (from > 0) {
      // Half a second early, so the decoder has settled by `from`.
      const double at = std::max(from - 0.5, 0.0) + fileStart_;
      const auto ts = static_cast<int64_t>(at / av_q2d(audio_->time_base));
      if (av_seek_frame(fmt_.get(), audio_->index, ts, AVSEEK_FLAG_BACKWARD) < 0)
        Unreadable(path_, "its sound cannot be sought");
      avcodec_flush_buffers(dec_.get());
    }
    const auto wanted = to < 0 ? std::numeric_limits<size_t>::max()
                               : static_cast<size_t>(std::llround((to - from) * 1000));
    std::optional<PeakBuilder> peaks;
    std::vector<float> magnitudes;
    size_t blocks = 0;  // closed so far, roughly: the builder's samples over the block size
    double lastReport = -1;
    auto report = [&](const AVPacket& p) {
      if (!progress || p.pts == AV_NOPTS_VALUE) return;
      const double t = static_cast<double>(p.pts) * av_q2d(audio_->time_base) - fileStart_;
      const double end = to < 0 ? duration_ : to;
      if (!(end > from)) return;
      const double done = std::clamp((t - from) / (end - from), 0.0, 1.0);
      if (done - lastReport < 0.002) return;
      lastReport = done;
      if (!progress(done))
        throw SpeechDetectionError(SpeechFailure::Cancelled, path_ + ": listening cancelled");
    };
    double rate = 0;
    int64_t fed = 0;  // samples placed, from `from`
    auto take = [&](const AVFrame& f) {
      if (!peaks) {
        const double t =
            f.best_effort_timestamp == AV_NOPTS_VALUE
                ? from
                : static_cast<double>(f.best_effort_timestamp) * av_q2d(audio_->time_base) -
                      fileStart_;
        const double frameEnd = t + static_cast<double>(f.nb_samples) / std::max(f.sample_rate, 1);
        if (frameEnd <= from) return;  // before the stretch
        // The first sound of the stretch finds its place by its time; the
        // rest follows sample by sample.
        rate = f.sample_rate > 0 ? f.sample_rate : 48000;
        peaks.emplace(rate);
        const double start = t - from;
        if (start > 0) {
          peaks->PadTo(start);
          fed = std::llround(start * rate);
        } else {
          peaks->SkipSamples(std::llround(-start * rate));
          fed = std::llround(start * rate);
        }
      }
      if (!ToMagnitudes(f, magnitudes)) Unreadable(path_, "its audio has an unknown sample format");
      peaks->Add(magnitudes.data(), magnitudes.size());
      fed += static_cast<int64_t>(magnitudes.size());
      blocks = fed > 0 ? static_cast<size_t>(static_cast<double>(fed) * 1000 / rate) : 0;
    };
    int rc = 0;
    auto drain = [&] {
      while ((rc = avcodec_receive_frame(dec_.get(), frame_.get())) >= 0) {
        take(*frame_);
        av_frame_unref(frame_.get());
      }
      if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) Unreadable(path_, AvText(rc));
    };
    while (blocks < wanted && (rc = av_read_frame(fmt_.get(), packet_.get())) >= 0) {
      if (packet_->stream_index == audio_->index) {
        report(*packet_);
        if (avcodec_send_packet(dec_.get(), packet_.get()) >= 0) drain();  // damaged: skipped
      }
      av_packet_unref(packet_.get());
    }
    if (blocks < wanted) {
      if (rc != AVERROR_EOF) Unreadable(path_, AvText(rc));
      avcodec_send_packet(dec_.get(), nullptr);
      drain();
    }
    std::vector<uint8_t> out = peaks ? peaks->Finish() : std::vector<uint8_t>{};
    // A stretch ends exactly where the next one starts.
    if (to >= 0) out.resize(wanted, 0);
    return out;
  }

 private:
  std::string path_;
  std::unique_ptr<AVFormatContext, FormatCloser> fmt_;
  const AVStream* audio_ = nullptr;
  std::unique_ptr<AVCodecContext, CodecFreer> dec_;
  std::unique_ptr<AVPacket, PacketFreer> packet_;
  std::unique_ptr<AVFrame, FrameFreer> frame_;
  double fileStart_ = 0, duration_ = 0;
};

}  // namespace

std::vector<uint8_t> ReadSoundPeaks(const std::string& path, const ListenProgressFn& progress,
                                    int threads) {
  if (av_log_get_level() > AV_LOG_ERROR) av_log_set_level(AV_LOG_ERROR);
  SoundDecoder first(path);
  if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const double duration = first.Duration();
  // Short films, and files that cannot be sought, are read in one go.
  if (threads == 1 || !first.Seekable() || duration < 120) {
    std::vector<uint8_t> peaks = first.Read(0, -1, progress);
    if (progress) progress(1.0);
    return peaks;
  }
  // Longer ones in stretches of whole seconds, each decoder taking the next
  // stretch left, so that every core decodes.
  const int count = threads * 4;
  const double step = std::ceil(duration / count);
  std::vector<std::vector<uint8_t>> parts(static_cast<size_t>(count));
  std::vector<std::atomic<int>> done(static_cast<size_t>(count));
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};
  std::mutex failureLock;
  std::exception_ptr failure;
  auto work = [&](SoundDecoder* own) {
    std::unique_ptr<SoundDecoder> made;
    try {
      while (!stop) {
        const int i = next++;
        if (i >= count) break;
        if (!own) own = (made = std::make_unique<SoundDecoder>(path)).get();
        const double from = i * step;
        const double to = i + 1 == count ? -1 : (i + 1) * step;
        parts[static_cast<size_t>(i)] = own->Read(from, to, [&, i](double fraction) {
          done[static_cast<size_t>(i)] = static_cast<int>(fraction * 1000);
          return !stop.load();
        });
        done[static_cast<size_t>(i)] = 1000;
      }
    } catch (...) {
      stop = true;
      std::lock_guard<std::mutex> g(failureLock);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(work, nullptr);
  // This thread decodes as well, and reports the progress of all.
  std::thread mine(work, &first);
  while (true) {
    int sum = 0;
    for (const auto& d : done) sum += d;
    if (sum == 1000 * count || stop) break;
    if (progress && !progress(sum / (1000.0 * count))) stop = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  mine.join();
  for (std::thread& t : helpers) t.join();
  if (failure) std::rethrow_exception(failure);
  if (stop) throw SpeechDetectionError(SpeechFailure::Cancelled, path + ": listening cancelled");
  std::vector<uint8_t> peaks;
  for (auto& part : parts) peaks.insert(peaks.end(), part.begin(), part.end());
  // The last stretch may hold nothing when the sound ends before it.
  if (progress) progress(1.0);
  return peaks;
}

}  // namespace velorin
