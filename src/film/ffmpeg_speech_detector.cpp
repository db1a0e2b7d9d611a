// Speech detection on FFmpeg's decoders and WebRTC's voice activity detector.
#include <webrtc/modules/audio_processing/include/audio_processing.h>
#include <webrtc/modules/interface/module_common_types.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "film/speech_detector.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace velorin {

namespace {

constexpr int kRate = 16000;
constexpr size_t kStepSamples = kRate / 100;  // 10 ms

std::string AvMessage(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

[[noreturn]] void Unreadable(const std::string& path, const std::string& why) {
  throw SpeechDetectionError(SpeechFailure::Unreadable, path + ": " + why);
}

// Owners of the FFmpeg objects, freed on every way out.
struct FormatCloser {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwrFreer {
  void operator()(SwrContext* c) const { swr_free(&c); }
};
struct PacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// Feeds 16 kHz mono samples in any amounts and decides every 10 ms.
class VoiceActivity {
 public:
  VoiceActivity() : apm_(webrtc::AudioProcessing::Create()) {
    if (!apm_) throw Error("WebRTC audio processing is not available");
    webrtc::VoiceDetection* vad = apm_->voice_detection();
    // The least willing setting: noise is taken for speech far less often,
    // and a missed quiet word costs the alignment little.
    if (vad->Enable(true) != 0 ||
        vad->set_likelihood(webrtc::VoiceDetection::kVeryLowLikelihood) != 0 ||
        vad->set_frame_size_ms(10) != 0)
      throw Error("WebRTC voice detection cannot be set up");
    frame_.sample_rate_hz_ = kRate;
    frame_.num_channels_ = 1;
    frame_.samples_per_channel_ = kStepSamples;
  }

  // Silence before the first sound (a stream that starts late).
  void AddSilentSteps(size_t steps) { speech_.resize(speech_.size() + steps, false); }

  void Add(const int16_t* samples, size_t count) {
    while (count > 0) {
      const size_t take = std::min(count, kStepSamples - filled_);
      std::memcpy(frame_.data_ + filled_, samples, take * sizeof(int16_t));
      filled_ += take;
      samples += take;
      count -= take;
      if (filled_ == kStepSamples) Decide();
    }
  }

  // The last part step, padded with silence.
  std::vector<bool> Finish() {
    if (filled_ > 0) {
      std::fill(frame_.data_ + filled_, frame_.data_ + kStepSamples, int16_t{0});
      Decide();
    }
    return std::move(speech_);
  }

 private:
  void Decide() {
    filled_ = 0;
    frame_.vad_activity_ = webrtc::AudioFrame::kVadUnknown;
    if (apm_->ProcessStream(&frame_) != 0) throw Error("WebRTC voice detection failed");
    speech_.push_back(apm_->voice_detection()->stream_has_voice());
  }

  std::unique_ptr<webrtc::AudioProcessing> apm_;
  webrtc::AudioFrame frame_;
  size_t filled_ = 0;
  std::vector<bool> speech_;
};

double StreamRate(const AVStream* st) {
  for (AVRational r : {st->avg_frame_rate, st->r_frame_rate})
    if (r.num > 0 && r.den > 0) return av_q2d(r);
  return 0;
}

class FfmpegSpeechDetector : public SpeechDetector {
 public:
  explicit FfmpegSpeechDetector(ListenTimes* times) : times_(times) {}

  SpeechTrack Detect(const std::string& path, const ListenProgressFn& progress) override {
    // Damaged packets and timestamp repairs are handled here; FFmpeg's own
    // warnings about them would only clutter the terminal.
    if (av_log_get_level() > AV_LOG_ERROR) av_log_set_level(AV_LOG_ERROR);
    const auto began = std::chrono::steady_clock::now();
    double detecting = 0;  // seconds in the voice activity detector
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (rc < 0) Unreadable(path, AvMessage(rc));
    std::unique_ptr<AVFormatContext, FormatCloser> fmt(raw);
    rc = avformat_find_stream_info(fmt.get(), nullptr);
    if (rc < 0) Unreadable(path, AvMessage(rc));

    SpeechTrack track;
    const AVStream* audio = nullptr;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
      AVStream* st = fmt->streams[i];
      const AVMediaType type = st->codecpar->codec_type;
      if (type == AVMEDIA_TYPE_VIDEO && track.frameRate == 0 &&
          !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
        track.frameRate = StreamRate(st);
      if (type == AVMEDIA_TYPE_AUDIO && !audio)
        audio = st;
      else
        st->discard = AVDISCARD_ALL;  // the demuxer skips what is not needed
    }
    if (!audio)
      throw SpeechDetectionError(SpeechFailure::NoAudio, path + ": the film has no audio stream");

    const AVCodec* codec = avcodec_find_decoder(audio->codecpar->codec_id);
    if (!codec) Unreadable(path, "no decoder for its audio");
    std::unique_ptr<AVCodecContext, CodecFreer> dec(avcodec_alloc_context3(codec));
    if (!dec) throw std::bad_alloc();
    rc = avcodec_parameters_to_context(dec.get(), audio->codecpar);
    if (rc >= 0) rc = avcodec_open2(dec.get(), codec, nullptr);
    if (rc < 0) Unreadable(path, AvMessage(rc));

    // Film time 0 is the start of the file, as players show it.
    const double fileStart = fmt->start_time == AV_NOPTS_VALUE
                                 ? 0.0
                                 : static_cast<double>(fmt->start_time) / AV_TIME_BASE;
    const double duration =
        fmt->duration > 0 ? static_cast<double>(fmt->duration) / AV_TIME_BASE : 0.0;
    const int64_t fileSize = fmt->pb ? avio_size(fmt->pb) : -1;

    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (!packet || !frame) throw std::bad_alloc();
    std::unique_ptr<SwrContext, SwrFreer> swr;
    AVChannelLayout swrLayout{};
    int swrRate = 0, swrFormat = -1;
    VoiceActivity vad;
    std::vector<int16_t> mono;
    bool placed = false;  // the first sound found its place in the film
    int64_t skip = 0;     // samples of sound from before the film's start
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

    // Passes resampled samples on, less any from before the film's start.
    auto feed = [&](size_t got) {
      size_t from = 0;
      if (skip > 0) {
        from = static_cast<size_t>(std::min<int64_t>(skip, static_cast<int64_t>(got)));
        skip -= static_cast<int64_t>(from);
      }
      if (!times_) {
        vad.Add(mono.data() + from, got - from);
        return;
      }
      const auto start = std::chrono::steady_clock::now();
      vad.Add(mono.data() + from, got - from);
      detecting += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };

    auto convert = [&](const AVFrame& f) {
      if (!swr || av_channel_layout_compare(&swrLayout, &f.ch_layout) != 0 ||
          swrRate != f.sample_rate || swrFormat != f.format) {
        swr.reset(MakeResampler(f));
        if (!swr) Unreadable(path, "its audio cannot be resampled");
        av_channel_layout_uninit(&swrLayout);
        av_channel_layout_copy(&swrLayout, &f.ch_layout);
        swrRate = f.sample_rate;
        swrFormat = f.format;
      }
      const int room = swr_get_out_samples(swr.get(), f.nb_samples);
      if (room < 0) Unreadable(path, AvMessage(room));
      mono.resize(static_cast<size_t>(room));
      uint8_t* out = reinterpret_cast<uint8_t*>(mono.data());
      const int got = swr_convert(swr.get(), &out, room,
                                  const_cast<const uint8_t**>(f.extended_data), f.nb_samples);
      if (got < 0) Unreadable(path, AvMessage(got));
      feed(static_cast<size_t>(got));
    };

    // Places the first sound in the film's time, then passes samples on.
    auto placeFirst = [&](const AVFrame& f) {
      placed = true;
      int64_t pts = f.best_effort_timestamp;
      if (pts == AV_NOPTS_VALUE) return;
      const double start = static_cast<double>(pts) * av_q2d(audio->time_base) - fileStart;
      const auto samples = static_cast<int64_t>(std::llround(start * kRate));
      if (samples > 0)
        PadSilence(vad, static_cast<size_t>(samples));
      else
        skip = -samples;
    };

    auto drain = [&]() {
      while ((rc = avcodec_receive_frame(dec.get(), frame.get())) >= 0) {
        if (!placed) placeFirst(*frame);
        convert(*frame);
        av_frame_unref(frame.get());
      }
      if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) Unreadable(path, AvMessage(rc));
    };

    while ((rc = av_read_frame(fmt.get(), packet.get())) >= 0) {
      if (packet->stream_index == audio->index) {
        report(*packet);
        // A damaged packet is skipped, as players do.
        if (avcodec_send_packet(dec.get(), packet.get()) >= 0) drain();
      }
      av_packet_unref(packet.get());
    }
    if (rc != AVERROR_EOF) Unreadable(path, AvMessage(rc));
    avcodec_send_packet(dec.get(), nullptr);
    drain();
    if (swr) {  // what the resampler still holds
      const int room = swr_get_out_samples(swr.get(), 0);
      if (room > 0) {
        mono.resize(static_cast<size_t>(room));
        uint8_t* out = reinterpret_cast<uint8_t*>(mono.data());
        const int got = swr_convert(swr.get(), &out, room, nullptr, 0);
        if (got > 0) feed(static_cast<size_t>(got));
      }
    }
    av_channel_layout_uninit(&swrLayout);
    track.speech = vad.Finish();
    if (times_) {
      const double all =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
      times_->detecting += detecting;
      times_->decoding += all - detecting;
    }
    if (progress) progress(1.0);
    return track;
  }

 private:
  ListenTimes* times_;

  static void PadSilence(VoiceActivity& vad, size_t samples) {
    vad.AddSilentSteps(samples / kStepSamples);
    std::vector<int16_t> zeros(samples % kStepSamples, 0);
    vad.Add(zeros.data(), zeros.size());
  }

  // To 16 kHz mono 16-bit; from a layout with a centre channel (5.1 and the
  // like) only the centre is taken.
  static SwrContext* MakeResampler(const AVFrame& f) {
    AVChannelLayout monoLayout = AV_CHANNEL_LAYOUT_MONO;
    // A stream that names no layout gets the usual one for its channel count.
    AVChannelLayout in{};
    if (f.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
      av_channel_layout_default(&in, f.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&in, &f.ch_layout) < 0)
      return nullptr;
    SwrContext* s = nullptr;
    const int rc =
        swr_alloc_set_opts2(&s, &monoLayout, AV_SAMPLE_FMT_S16, kRate, &in,
                            static_cast<AVSampleFormat>(f.format), f.sample_rate, 0, nullptr);
    const int channels = in.nb_channels;
    const int centre = av_channel_layout_index_from_channel(&in, AV_CHAN_FRONT_CENTER);
    av_channel_layout_uninit(&in);
    if (rc < 0) return nullptr;
    if (channels > 2 && centre >= 0) {
      std::vector<double> matrix(static_cast<size_t>(channels), 0.0);
      matrix[static_cast<size_t>(centre)] = 1.0;
      if (swr_set_matrix(s, matrix.data(), channels) < 0) {
        swr_free(&s);
        return nullptr;
      }
    }
    if (swr_init(s) < 0) swr_free(&s);
    return s;
  }
};

}  // namespace

std::unique_ptr<SpeechDetector> MakeFfmpegSpeechDetector(ListenTimes* times) {
  return std::make_unique<FfmpegSpeechDetector>(times);
}

}  // namespace velorin
