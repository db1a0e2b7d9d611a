// The peak envelope of a film's sound, decoded with FFmpeg.
#include "film/sound_peaks.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

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
      for (size_t c = 0; c < channels; ++c) out[i] = std::max(out[i], Magnitude(s[i * channels + c]));
  }
}

bool ToMagnitudes(const AVFrame& f, std::vector<float>& out) {
  const auto format = static_cast<AVSampleFormat>(f.format);
  const bool planar = av_sample_fmt_is_planar(format) != 0;
  switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8: Loudest<uint8_t>(f, planar, out); return true;
    case AV_SAMPLE_FMT_S16: Loudest<int16_t>(f, planar, out); return true;
    case AV_SAMPLE_FMT_S32: Loudest<int32_t>(f, planar, out); return true;
    case AV_SAMPLE_FMT_S64: Loudest<int64_t>(f, planar, out); return true;
    case AV_SAMPLE_FMT_FLT: Loudest<float>(f, planar, out); return true;
    case AV_SAMPLE_FMT_DBL: Loudest<double>(f, planar, out); return true;
    default: return false;
  }
}

}  // namespace

std::vector<uint8_t> ReadSoundPeaks(const std::string& path, const ListenProgressFn& progress) {
  if (av_log_get_level() > AV_LOG_ERROR) av_log_set_level(AV_LOG_ERROR);
  AVFormatContext* raw = nullptr;
  int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
  if (rc < 0) Unreadable(path, AvText(rc));
  std::unique_ptr<AVFormatContext, FormatCloser> fmt(raw);
  rc = avformat_find_stream_info(fmt.get(), nullptr);
  if (rc < 0) Unreadable(path, AvText(rc));

  const AVStream* audio = nullptr;
  for (unsigned i = 0; i < fmt->nb_streams; ++i) {
    AVStream* st = fmt->streams[i];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !audio)
      audio = st;
    else
      st->discard = AVDISCARD_ALL;
  }
  if (!audio)
    throw SpeechDetectionError(SpeechFailure::NoAudio, path + ": the film has no audio stream");
  const AVCodec* codec = avcodec_find_decoder(audio->codecpar->codec_id);
  if (!codec) Unreadable(path, "no decoder for its audio");
  std::unique_ptr<AVCodecContext, CodecFreer> dec(avcodec_alloc_context3(codec));
  if (!dec) throw std::bad_alloc();
  rc = avcodec_parameters_to_context(dec.get(), audio->codecpar);
  if (rc >= 0) rc = avcodec_open2(dec.get(), codec, nullptr);
  if (rc < 0) Unreadable(path, AvText(rc));

  const double fileStart = fmt->start_time == AV_NOPTS_VALUE
                               ? 0.0
                               : static_cast<double>(fmt->start_time) / AV_TIME_BASE;
  const double duration = fmt->duration > 0 ? static_cast<double>(fmt->duration) / AV_TIME_BASE : 0;
  const int64_t fileSize = fmt->pb ? avio_size(fmt->pb) : -1;
  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  if (!packet || !frame) throw std::bad_alloc();

  std::optional<PeakBuilder> peaks;
  std::vector<float> magnitudes;
  double lastReport = -1;
  auto report = [&](const AVPacket& p) {
    if (!progress) return;
    double done = -1;
    if (duration > 0 && p.pts != AV_NOPTS_VALUE)
      done = (static_cast<double>(p.pts) * av_q2d(audio->time_base) - fileStart) / duration;
    else if (fileSize > 0 && p.pos >= 0)
      done = static_cast<double>(p.pos) / static_cast<double>(fileSize);
    if (done < 0) return;
    done = std::clamp(done, 0.0, 1.0);
    if (done - lastReport < 0.002) return;
    lastReport = done;
    if (!progress(done))
      throw SpeechDetectionError(SpeechFailure::Cancelled, path + ": listening cancelled");
  };
  auto take = [&](const AVFrame& f) {
    if (!peaks) {
      // The first sound finds its place in the film's time.
      peaks.emplace(f.sample_rate > 0 ? f.sample_rate : 48000);
      if (f.best_effort_timestamp != AV_NOPTS_VALUE) {
        const double start =
            static_cast<double>(f.best_effort_timestamp) * av_q2d(audio->time_base) - fileStart;
        if (start > 0)
          peaks->PadTo(start);
        else
          peaks->SkipSamples(std::llround(-start * f.sample_rate));
      }
    }
    if (!ToMagnitudes(f, magnitudes)) Unreadable(path, "its audio has an unknown sample format");
    peaks->Add(magnitudes.data(), magnitudes.size());
  };
  auto drain = [&] {
    while ((rc = avcodec_receive_frame(dec.get(), frame.get())) >= 0) {
      take(*frame);
      av_frame_unref(frame.get());
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) Unreadable(path, AvText(rc));
  };
  while ((rc = av_read_frame(fmt.get(), packet.get())) >= 0) {
    if (packet->stream_index == audio->index) {
      report(*packet);
      if (avcodec_send_packet(dec.get(), packet.get()) >= 0) drain();  // damaged: skipped
    }
    av_packet_unref(packet.get());
  }
  if (rc != AVERROR_EOF) Unreadable(path, AvText(rc));
  avcodec_send_packet(dec.get(), nullptr);
  drain();
  if (progress) progress(1.0);
  return peaks ? peaks->Finish() : std::vector<uint8_t>{};
}

}  // namespace velorin
