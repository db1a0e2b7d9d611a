// Speech detection on FFmpeg's decoders and WebRTC's voice activity detector.

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include <malloc.h>
#include <sys/stat.h>

#include "film/part_overlap.h"
#include "film/speech_steps.h"
#include "film/speech_detector.h"

// WebRTC's voice activity detector itself. The audio processing library
// exports it but installs only the header of its whole processing chain,
// which would copy every 10 ms into its own buffers and mix them down before
// asking this same detector; these are its plain C entry points.
extern "C" {
struct WebRtcVadInst;
WebRtcVadInst* WebRtcVad_Create();
void WebRtcVad_Free(WebRtcVadInst* handle);
int WebRtcVad_Init(WebRtcVadInst* handle);
int WebRtcVad_set_mode(WebRtcVadInst* handle, int mode);
int WebRtcVad_Process(WebRtcVadInst* handle, int rate, const int16_t* frame, size_t length);
// The detector's own measure of a step: the log energy of its six bands
// (80-250, 250-500, 500-1000, 1000-2000, 2000-3000 and 3000-4000 Hz) in dB
// times 16. It keeps filter state in the instance, so it gets one of its own.
int16_t WebRtcVad_CalculateFeatures(WebRtcVadInst* self, const int16_t* data_in,
                                    size_t data_length, int16_t* features);
}

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

constexpr int kRate = 8000;
constexpr size_t kStepSamples = kRate / 100;  // 10 ms
static_assert(kStepSamples % kSlicesPerStep == 0);
// The longest film listened to; sound after it is left out, so that memory
// stays bounded whatever the file's time stamps say.
constexpr double kMaxListenSeconds = 12 * 3600;

std::string AvMessage(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

[[noreturn]] void Unreadable(const std::string& path, const std::string& why) {
  throw SpeechDetectionError(SpeechFailure::Unreadable,
                             path + ": " + std::string(kMsgFilmUnreadable) + " (" + why + ").");
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

constexpr float kSilentDb = -120;

struct VadFreer {
  void operator()(WebRtcVadInst* v) const { WebRtcVad_Free(v); }
};

// Feeds 8 kHz mono samples in any amounts and decides every 10 ms.
class VoiceActivity {
 public:
  explicit VoiceActivity(size_t limit)
      : vad_(WebRtcVad_Create()), features_(WebRtcVad_Create()), limit_(limit) {
    if (!vad_) throw Error("WebRTC voice detection is not available");
    // The least willing mode: noise is taken for speech far less often, and
    // a missed quiet word costs the alignment little.
    constexpr int kLeastWilling = 3;
    if (WebRtcVad_Init(vad_.get()) != 0 || WebRtcVad_set_mode(vad_.get(), kLeastWilling) != 0)
      throw Error("WebRTC voice detection cannot be set up");
    if (!features_ || WebRtcVad_Init(features_.get()) != 0)
      throw Error("WebRTC voice detection cannot be set up");
  }

  // Silence before the first sound (a stream that starts late).
  void AddSilentSteps(size_t steps) {
    const size_t to = std::min(heard_.Size() + steps, limit_);
    const size_t tail = std::min(to, tailTo_) - std::min(std::max(heard_.Size(), tailFrom_), std::min(to, tailTo_));
    tailSlices_.resize(tailSlices_.size() + tail * kSlicesPerStep, 0.0F);
    heard_.PadTo(to, kSilentDb);
  }
  size_t Steps() const { return heard_.Size(); }
  // Keeps the energy of every slice of the first headSteps steps and of the
  // steps from tailFrom to tailTo (those silent before the first sound have
  // none: they are left out of the tail, and zero in the head).
  void KeepSlices(size_t headSteps, size_t tailFrom, size_t tailTo) {
    headSlices_.assign(headSteps * kSlicesPerStep, 0.0F);
    tailFrom_ = tailFrom;
    tailTo_ = tailTo;
  }
  const std::vector<float>& HeadSlices() const { return headSlices_; }
  const std::vector<float>& TailSlices() const { return tailSlices_; }
  size_t Limit() const { return limit_; }
  void SetLimit(size_t limit) { limit_ = limit; }

  // Whole steps are decided where they lie; only a step split between two
  // calls is gathered first.
  void Add(const int16_t* samples, size_t count) {
    if (count == 0) return;
    if (filled_ > 0) {
      const size_t take = std::min(count, kStepSamples - filled_);
      std::memcpy(step_ + filled_, samples, take * sizeof(int16_t));
      filled_ += take;
      samples += take;
      count -= take;
      if (filled_ < kStepSamples) return;
      filled_ = 0;
      Decide(step_);
    }
    for (; count >= kStepSamples; samples += kStepSamples, count -= kStepSamples) Decide(samples);
    std::memcpy(step_, samples, count * sizeof(int16_t));
    filled_ = count;
  }

  // The last part step, padded with silence; then the decisions and the
  // loudness of every step.
  void Finish() {
    if (filled_ > 0) {
      std::fill(step_ + filled_, step_ + kStepSamples, int16_t{0});
      filled_ = 0;
      Decide(step_);
    }
  }
  const HeardSteps& Heard() const { return heard_; }

 private:
  void Decide(const int16_t* step) {
    heard_.level.push_back(Level(step));
    const int voiced = WebRtcVad_Process(vad_.get(), kRate, step, kStepSamples);
    if (voiced < 0) throw Error("WebRTC voice detection failed");
    heard_.voiced.push_back(voiced == 1);
    BandEnergy& e = heard_.bands.emplace_back();
    WebRtcVad_CalculateFeatures(features_.get(), step, kStepSamples, e.data());
  }

  // The step's loudness in dB below full scale, after a first-order high
  // pass that takes the hum and the bass out; the energy of its slices kept
  // where asked.
  float Level(const int16_t* step) {
    const size_t index = heard_.level.size();
    float* slices = nullptr;
    if (index < headSlices_.size() / kSlicesPerStep) {
      slices = headSlices_.data() + index * kSlicesPerStep;
    } else if (index >= tailFrom_ && index < tailTo_) {
      tailSlices_.resize(tailSlices_.size() + kSlicesPerStep);
      slices = tailSlices_.data() + tailSlices_.size() - kSlicesPerStep;
    }
    double sum = 0;
    for (size_t i = 0; i < kStepSamples; ++i) {
      const double x = step[i];
      const double y = x - 0.95 * previous_;
      previous_ = x;
      sum += y * y;
      if (slices && (i + 1) % (kStepSamples / kSlicesPerStep) == 0) {
        slices[i / (kStepSamples / kSlicesPerStep)] = static_cast<float>(sum - sliced_);
        sliced_ = sum;
      }
    }
    sliced_ = 0;
    return StepLevelDb(sum);
  }

  std::unique_ptr<WebRtcVadInst, VadFreer> vad_;
  std::unique_ptr<WebRtcVadInst, VadFreer> features_;  // for the band energies alone
  size_t limit_;  // steps listened to at most
  int16_t step_[kStepSamples] = {};  // a step split between two calls
  // The energy of each slice of the first steps, and of the steps from
  // tailFrom_ to tailTo_, for placing parts against each other.
  std::vector<float> headSlices_, tailSlices_;
  size_t tailFrom_ = SIZE_MAX, tailTo_ = SIZE_MAX;
  double sliced_ = 0;  // the energy of the step's slices so far
  size_t filled_ = 0;
  double previous_ = 0;
  HeardSteps heard_;  // the decision, loudness and band energies of each step
};

double StreamRate(const AVStream* st) {
  for (AVRational r : {st->avg_frame_rate, st->r_frame_rate})
    if (r.num > 0 && r.den > 0) return av_q2d(r);
  return 0;
}

// To 8 kHz mono 16-bit (the voice activity detector works at 8 kHz whatever
// it is given, and half the samples cost half); from a layout with a centre
// channel (5.1 and the like) only the centre is taken.
SwrContext* MakeResampler(const AVFrame& f) {
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
  // The voice detector looks at 8 kHz speech, far below where a short
  // filter's roll-off matters; the default 32-tap filter costs about as much
  // as decoding the sound.
  av_opt_set_int(s, "filter_size", 8, 0);
  if (swr_init(s) < 0) swr_free(&s);
  return s;
}

// Only a regular local file is opened: a pipe or a device would block or
// never end, and anything else would reach FFmpeg's network and container
// protocols.
void CheckLocalFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) Unreadable(path, std::strerror(errno));
  if (!S_ISREG(st.st_mode))
    Unreadable(path, "není to obyčejný soubor (roura, zařízení nebo adresář)");
}

// One listening to a stretch of one film (the whole of it by default): open
// it, pick the streams, decode the first audio stream from the stretch's
// start, resample it and hand it to the voice activity detector.
class Listening {
 public:
  // from and to in seconds of the film; the steps heard start at `from`.
  Listening(const std::string& path, const ListenProgressFn& progress, double from = 0,
            double to = kMaxListenSeconds, const std::atomic<bool>* cancel = nullptr)
      : path_(path),
        progress_(progress),
        from_(from),
        to_(to),
        cancel_(cancel),
        vad_(StepsBetween(from, to)) {}

  // Ends the stretch elsewhere, before it is listened to.
  void SetEnd(double to) {
    to_ = to;
    vad_.SetLimit(StepsBetween(from_, to));
  }

  // Opens the film and its decoder (and says whether its time stamps are
  // exact enough for listening to stretches of it apart).
  void Prepare() {
    const auto began = std::chrono::steady_clock::now();
    Open();
    PickStreams();
    OpenDecoder();
    decoding_ += Seconds(began);
  }
  double Duration() const { return duration_; }
  bool ExactTimes() const {
    const std::string name = fmt_->iformat->name;
    for (const char* exact : {"mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm", "wav"})
      if (name == exact) return true;
    return false;
  }
  double FrameRate() const { return track_.frameRate; }

  // Listens from the stretch's start to its end; false when the film cannot
  // be sought to the start.
  bool Listen() {
    const auto began = std::chrono::steady_clock::now();
    if (from_ > 0) {
      const double at = (from_ + fileStart_) / av_q2d(audio_->time_base);
      if (av_seek_frame(fmt_.get(), audio_->index, static_cast<int64_t>(at),
                        AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    }
    ReadPackets();
    FlushResampler();
    vad_.Finish();
    decoding_ += Seconds(began) - detecting_;
    return true;
  }

  const VoiceActivity& Activity() const { return vad_; }
  // The energy of slices kept: see VoiceActivity::KeepSlices.
  void KeepSlices(size_t headSteps, size_t tailFrom, size_t tailTo) {
    vad_.KeepSlices(headSteps, tailFrom, tailTo);
  }
  void AddTimes(ListenTimes* times) const {
    if (!times) return;
    times->detecting += detecting_;
    times->decoding += decoding_;
  }

  // The whole film at once, for one that is not split; Prepare first.
  SpeechTrack Run(ListenTimes* times) {
    Listen();
    AddTimes(times);
    if (times) times->parts = 1;
    track_.speech = SpeechSteps(vad_.Heard());
    if (progress_) progress_(1.0);
    return std::move(track_);
  }

 private:
  static size_t StepsBetween(double from, double to) {
    return static_cast<size_t>(std::ceil((std::min(to, kMaxListenSeconds) - from) * 100));
  }

  static double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
  }

  void Open() {
    CheckLocalFile(path_);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    // "file:" keeps a name such as "concat:x" or "http:x" a file name.
    int rc = avformat_open_input(&raw, ("file:" + path_).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) Unreadable(path_, AvMessage(rc));
    fmt_.reset(raw);
    rc = avformat_find_stream_info(fmt_.get(), nullptr);
    if (rc < 0) Unreadable(path_, AvMessage(rc));
    // Film time 0 is the start of the file, as players show it.
    if (fmt_->start_time != AV_NOPTS_VALUE)
      fileStart_ = static_cast<double>(fmt_->start_time) / AV_TIME_BASE;
    if (fmt_->duration > 0) duration_ = static_cast<double>(fmt_->duration) / AV_TIME_BASE;
    fileSize_ = fmt_->pb ? avio_size(fmt_->pb) : -1;
  }

  // The first audio stream, and the picture's rate from the first video one.
  void PickStreams() {
    for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
      AVStream* st = fmt_->streams[i];
      const AVMediaType type = st->codecpar->codec_type;
      if (type == AVMEDIA_TYPE_VIDEO && track_.frameRate == 0 &&
          !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
        track_.frameRate = StreamRate(st);
      if (type == AVMEDIA_TYPE_AUDIO && !audio_)
        audio_ = st;
      else
        st->discard = AVDISCARD_ALL;  // the demuxer skips what is not needed
    }
    if (!audio_)
      throw SpeechDetectionError(SpeechFailure::NoAudio, path_ + ": the film has no audio stream");
  }

  void OpenDecoder() {
    const AVCodec* codec = avcodec_find_decoder(audio_->codecpar->codec_id);
    if (!codec) Unreadable(path_, "no decoder for its audio");
    dec_.reset(avcodec_alloc_context3(codec));
    if (!dec_) throw std::bad_alloc();
    int rc = avcodec_parameters_to_context(dec_.get(), audio_->codecpar);
    if (rc >= 0) rc = avcodec_open2(dec_.get(), codec, nullptr);
    if (rc < 0) Unreadable(path_, AvMessage(rc));
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!packet_ || !frame_) throw std::bad_alloc();
  }

  void ReadPackets() {
    int rc;
    while ((rc = av_read_frame(fmt_.get(), packet_.get())) >= 0 && !full_) {
      if (cancel_ && cancel_->load()) {
        av_packet_unref(packet_.get());
        throw SpeechDetectionError(SpeechFailure::Cancelled, path_ + ": listening cancelled");
      }
      if (packet_->stream_index == audio_->index) {
        Report(*packet_);
        // A damaged packet is skipped, as players do.
        if (avcodec_send_packet(dec_.get(), packet_.get()) >= 0) Drain();
      }
      av_packet_unref(packet_.get());
    }
    av_packet_unref(packet_.get());
    if (rc < 0 && rc != AVERROR_EOF) Unreadable(path_, AvMessage(rc));
    avcodec_send_packet(dec_.get(), nullptr);
    Drain();
  }

  void Drain() {
    int rc;
    while ((rc = avcodec_receive_frame(dec_.get(), frame_.get())) >= 0) {
      if (!placed_) PlaceFirst(*frame_);
      Convert(*frame_);
      av_frame_unref(frame_.get());
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) Unreadable(path_, AvMessage(rc));
  }

  // Places the first sound in the film's time: silence before it, or the
  // samples from before the film's start skipped.
  void PlaceFirst(const AVFrame& f) {
    placed_ = true;
    const int64_t pts = f.best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) return;
    const double start =
        static_cast<double>(pts) * av_q2d(audio_->time_base) - fileStart_ - from_;
    if (!(start < static_cast<double>(vad_.Limit()) / 100)) {
      full_ = true;  // nothing of the sound lies within what is listened to
      return;
    }
    const auto samples = static_cast<int64_t>(std::llround(start * kRate));
    if (samples > 0) {
      vad_.AddSilentSteps(static_cast<size_t>(samples) / kStepSamples);
      const std::vector<int16_t> zeros(static_cast<size_t>(samples) % kStepSamples, 0);
      vad_.Add(zeros.data(), zeros.size());
    } else {
      skip_ = -samples;
    }
  }

  void Convert(const AVFrame& f) {
    if (full_) return;
    if (!swr_ || av_channel_layout_compare(&swrLayout_, &f.ch_layout) != 0 ||
        swrRate_ != f.sample_rate || swrFormat_ != f.format) {
      swr_.reset(MakeResampler(f));
      if (!swr_) Unreadable(path_, "its audio cannot be resampled");
      av_channel_layout_uninit(&swrLayout_);
      av_channel_layout_copy(&swrLayout_, &f.ch_layout);
      swrRate_ = f.sample_rate;
      swrFormat_ = f.format;
    }
    const int room = swr_get_out_samples(swr_.get(), f.nb_samples);
    if (room < 0) Unreadable(path_, AvMessage(room));
    mono_.resize(static_cast<size_t>(room));
    uint8_t* out = reinterpret_cast<uint8_t*>(mono_.data());
    const int got = swr_convert(swr_.get(), &out, room,
                                const_cast<const uint8_t**>(f.extended_data), f.nb_samples);
    if (got < 0) Unreadable(path_, AvMessage(got));
    Feed(static_cast<size_t>(got));
  }

  // What the resampler still holds at the end.
  void FlushResampler() {
    if (!swr_ || full_) return;
    const int room = swr_get_out_samples(swr_.get(), 0);
    if (room <= 0) return;
    mono_.resize(static_cast<size_t>(room));
    uint8_t* out = reinterpret_cast<uint8_t*>(mono_.data());
    const int got = swr_convert(swr_.get(), &out, room, nullptr, 0);
    if (got > 0) Feed(static_cast<size_t>(got));
  }

  // Passes resampled samples on, less any from before the film's start and
  // any beyond the longest film listened to.
  void Feed(size_t got) {
    size_t from = 0;
    if (skip_ > 0) {
      from = static_cast<size_t>(std::min<int64_t>(skip_, static_cast<int64_t>(got)));
      skip_ -= static_cast<int64_t>(from);
    }
    size_t count = got - from;
    const size_t room =
        vad_.Limit() > vad_.Steps() ? (vad_.Limit() - vad_.Steps()) * kStepSamples : 0;
    if (count >= room) {
      count = room;
      full_ = true;
    }
    const auto start = std::chrono::steady_clock::now();
    vad_.Add(mono_.data() + from, count);
    detecting_ += Seconds(start);
  }

  void Report(const AVPacket& p) {
    if (!progress_) return;
    double done = -1;
    const double length = std::min(duration_, to_) - from_;
    if (length > 0 && p.pts != AV_NOPTS_VALUE)
      done = (static_cast<double>(p.pts) * av_q2d(audio_->time_base) - fileStart_ - from_) / length;
    else if (fileSize_ > 0 && p.pos >= 0)
      done = static_cast<double>(p.pos) / static_cast<double>(fileSize_);
    if (done < 0) return;
    done = std::clamp(done, 0.0, 1.0);
    if (done - lastReport_ < 0.002) return;
    lastReport_ = done;
    if (!progress_(done))
      throw SpeechDetectionError(SpeechFailure::Cancelled, path_ + ": listening cancelled");
  }

  const std::string& path_;
  const ListenProgressFn& progress_;
  double from_, to_;
  const std::atomic<bool>* cancel_;
  double decoding_ = 0;
  std::unique_ptr<AVFormatContext, FormatCloser> fmt_;
  std::unique_ptr<AVCodecContext, CodecFreer> dec_;
  std::unique_ptr<AVPacket, PacketFreer> packet_;
  std::unique_ptr<AVFrame, FrameFreer> frame_;
  std::unique_ptr<SwrContext, SwrFreer> swr_;
  const AVStream* audio_ = nullptr;
  double fileStart_ = 0, duration_ = 0;
  int64_t fileSize_ = -1;
  AVChannelLayout swrLayout_{};
  int swrRate_ = 0, swrFormat_ = -1;
  VoiceActivity vad_;
  std::vector<int16_t> mono_;
  SpeechTrack track_;
  bool placed_ = false;  // the first sound found its place in the film
  bool full_ = false;    // the longest film listened to is reached
  int64_t skip_ = 0;     // samples of sound from before the film's start
  double lastReport_ = -1;
  double detecting_ = 0;  // seconds in the voice activity detector

 public:
  ~Listening() { av_channel_layout_uninit(&swrLayout_); }
  Listening(const Listening&) = delete;
  Listening& operator=(const Listening&) = delete;
};

// A long film is listened to in parts at once, one per processor (four at
// most), each part decoded from a little before its start so that the
// decoder and the detector have settled, and running on a second past its
// end, where the loudness of both parts must agree: a part that sought to
// the wrong place is moved by the steps that make them agree, when the sound
// there says so clearly, and otherwise not used.
constexpr double kMinPartSeconds = 300;
constexpr size_t kMaxParts = 4;
constexpr size_t kWarmUpSteps = 300;
constexpr size_t kOverlapSteps = 100;
constexpr size_t kCompareFrom = 100;  // the overlap's steps compared start this far into it
constexpr size_t kMostShift = 50;     // steps a seek may land off and be mended
constexpr float kSameLevelDb = 1;

// Whether two parts heard the same sound where they overlap, as they are.
bool SameSound(const std::vector<float>& a, size_t aFrom, const std::vector<float>& b,
               size_t bFrom, size_t count) {
  if (a.size() < aFrom + count || b.size() < bFrom + count) return false;
  size_t differ = 0;
  for (size_t i = 0; i < count; ++i)
    if (std::fabs(a[aFrom + i] - b[bFrom + i]) > kSameLevelDb) ++differ;
  return differ * 10 <= count;
}

// How a film was listened to in parts.
enum class Parts {
  None,      // it is not split (short, or no exact time stamps); nothing was listened to
  Heard,     // the track is made
  Disagree,  // a part could not be placed; the film must be listened to in one go
};

Parts ListenInParts(Listening& first, const std::string& path, const ListenProgressFn& progress,
                    std::atomic<bool>& cancel, SpeechTrack& track, ListenTimes* times,
                    size_t most) {
  const size_t cores =
      most > 0 ? most : std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), kMaxParts);
  const double duration = std::min(first.Duration(), kMaxListenSeconds);
  const size_t parts = std::min(cores, static_cast<size_t>(duration / kMinPartSeconds));
  if (parts < 2 || !first.ExactTimes()) return Parts::None;
  // Part k covers the steps from starts[k] to starts[k + 1].
  std::vector<size_t> starts;
  for (size_t k = 0; k < parts; ++k)
    starts.push_back(static_cast<size_t>(std::llround(duration * 100 * static_cast<double>(k) /
                                                      static_cast<double>(parts))));
  // Part k's first step is the film's step partFrom(k); where it overlaps
  // the next part, its own steps from tailAt(k) on are compared.
  constexpr size_t count = kWarmUpSteps - kCompareFrom + kOverlapSteps;
  auto partFrom = [&](size_t k) { return k == 0 ? 0 : starts[k] - kWarmUpSteps; };
  auto tailAt = [&](size_t k) { return starts[k + 1] - kWarmUpSteps + kCompareFrom - partFrom(k); };
  const ListenProgressFn none;
  std::vector<std::unique_ptr<Listening>> rest;
  for (size_t k = 1; k < parts; ++k) {
    const double from = static_cast<double>(partFrom(k)) / 100;
    const double to = k + 1 < parts
                          ? static_cast<double>(starts[k + 1] + kOverlapSteps + kMostShift) / 100
                          : kMaxListenSeconds;
    rest.push_back(std::make_unique<Listening>(path, none, from, to, &cancel));
  }
  // The first part, already open, ends where the second begins, and a
  // second on.
  Listening& head = first;
  head.SetEnd(static_cast<double>(starts[1] + kOverlapSteps + kMostShift) / 100);
  // The slices of each overlap, from kMostShift steps before to as many after.
  for (size_t k = 0; k < parts; ++k) {
    Listening& part = k == 0 ? head : *rest[k - 1];
    part.KeepSlices(k == 0 ? 0 : kCompareFrom + count + kMostShift,
                    k + 1 < parts ? tailAt(k) - kMostShift : SIZE_MAX,
                    k + 1 < parts ? tailAt(k) + count + kMostShift : SIZE_MAX);
  }
  std::vector<bool> sought(parts - 1, false);
  std::vector<std::exception_ptr> failed(parts - 1);
  std::vector<std::thread> threads;
  for (size_t k = 0; k + 1 < parts; ++k)
    threads.emplace_back([&, k] {
      try {
        rest[k]->Prepare();
        sought[k] = rest[k]->Listen();
      } catch (...) {
        failed[k] = std::current_exception();
        cancel = true;
      }
    });
  std::exception_ptr headFailed;
  try {
    head.Listen();
  } catch (...) {
    headFailed = std::current_exception();
    cancel = true;
  }
  for (std::thread& t : threads) t.join();
  // What went wrong first: a part that failed stops the others, which then
  // say they were cancelled.
  auto cancelled = [](const std::exception_ptr& e) {
    try {
      std::rethrow_exception(e);
    } catch (const SpeechDetectionError& x) {
      return x.Failure() == SpeechFailure::Cancelled;
    } catch (...) {
      return false;
    }
  };
  for (const std::exception_ptr& e : failed)
    if (e && !cancelled(e)) std::rethrow_exception(e);
  if (headFailed) std::rethrow_exception(headFailed);
  for (const std::exception_ptr& e : failed)
    if (e) std::rethrow_exception(e);

  // Each part's steps from its start on, checked against the part before.
  HeardSteps heard;
  Listening* previous = &head;
  // The previous part's step at the film's step 0 (its steps run from
  // there); a part moved to fit is no longer where its start says.
  std::ptrdiff_t previousFrom = 0;
  for (size_t k = 0; k < parts; ++k) {
    Listening* part = k == 0 ? &head : rest[k - 1].get();
    const size_t end = k + 1 < parts ? starts[k + 1] : SIZE_MAX;
    const HeardSteps& steps = part->Activity().Heard();
    std::ptrdiff_t shift = 0;
    if (k > 0) {
      if (!sought[k - 1]) return Parts::Disagree;
      // The overlap: the previous part's last steps and this one's warm-up
      // steps from kCompareFrom on, at the film's steps
      // starts[k] - kWarmUpSteps + kCompareFrom to starts[k] + kOverlapSteps.
      const auto at = static_cast<std::ptrdiff_t>(starts[k] - kWarmUpSteps + kCompareFrom);
      if (at < previousFrom) return Parts::Disagree;
      const auto aFrom = static_cast<size_t>(at - previousFrom);
      if (!SameSound(previous->Activity().Heard().level, aFrom, steps.level, kCompareFrom, count)) {
        // Moved by the steps that make both agree, where the sound says so.
        const size_t tailFrom = tailAt(k - 1) - kMostShift;
        if (aFrom < tailFrom) return Parts::Disagree;
        const PartOverlap overlap{previous->Activity().TailSlices(), (aFrom - tailFrom) * kSlicesPerStep,
                                  part->Activity().HeadSlices(), kCompareFrom * kSlicesPerStep, count};
        const std::optional<std::ptrdiff_t> fit = OverlapShift(overlap, kMostShift);
        if (!fit) return Parts::Disagree;
        shift = *fit;
      }
    }
    const auto from = static_cast<std::ptrdiff_t>(k == 0 ? 0 : kWarmUpSteps) + shift;
    const auto have = static_cast<std::ptrdiff_t>(steps.Size());
    const size_t take = end == SIZE_MAX ? static_cast<size_t>(std::max<std::ptrdiff_t>(have - from, 0))
                                        : end - starts[k];
    if (k + 1 < parts && have < from + static_cast<std::ptrdiff_t>(take))
      return Parts::Disagree;  // the film ended early
    if (take > 0) heard.Append(steps, static_cast<size_t>(from), take);
    previous = part;
    previousFrom = static_cast<std::ptrdiff_t>(partFrom(k)) - shift;
  }
  head.AddTimes(times);
  for (const auto& part : rest) part->AddTimes(times);
  if (times) times->parts = parts;
  track.frameRate = first.FrameRate();
  track.speech = SpeechSteps(heard);
  if (progress) progress(1.0);
  return Parts::Heard;
}

// FFmpeg allocates and frees a few small aligned blocks for every packet and
// every frame. The C library's aligned allocation never takes such blocks
// back from its per-thread cache, so they pile up in its fast bins, which it
// then tidies on nearly every packet: a twentieth of the listening. While
// any listening runs, small blocks are freed the ordinary way.
class FastBinsOff {
 public:
  FastBinsOff() {
    const std::lock_guard<std::mutex> hold(Lock());
    if (Users()++ == 0) mallopt(M_MXFAST, 0);
  }
  ~FastBinsOff() {
    const std::lock_guard<std::mutex> hold(Lock());
    if (--Users() == 0) mallopt(M_MXFAST, kUsualFastBins);
  }
  FastBinsOff(const FastBinsOff&) = delete;
  FastBinsOff& operator=(const FastBinsOff&) = delete;

 private:
  static constexpr int kUsualFastBins = 64 * static_cast<int>(sizeof(size_t)) / 4;  // glibc's own
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static int& Users() {
    static int users = 0;
    return users;
  }
};

class FfmpegSpeechDetector : public SpeechDetector {
 public:
  FfmpegSpeechDetector(ListenTimes* times, size_t parts) : times_(times), parts_(parts) {}

  SpeechTrack Detect(const std::string& path, const ListenProgressFn& progress) override {
    // What goes wrong reaches the user in the message thrown; FFmpeg's own
    // log lines would only clutter the terminal.
    av_log_set_level(AV_LOG_QUIET);
    const FastBinsOff quicker;
    SpeechTrack track;
    std::atomic<bool> cancel{false};
    Listening first(path, progress, 0, kMaxListenSeconds, &cancel);
    first.Prepare();
    const Parts parts =
        parts_ == 1 ? Parts::None
                    : ListenInParts(first, path, progress, cancel, track, times_, parts_);
    if (parts == Parts::Heard) return track;
    if (parts == Parts::None) return first.Run(times_);
    Listening again(path, progress);
    again.Prepare();
    return again.Run(times_);
  }

  double FrameRateOf(const std::string& path) override {
    av_log_set_level(AV_LOG_QUIET);
    Listening film(path, {});
    film.Prepare();
    return film.FrameRate();
  }

 private:
  ListenTimes* times_;
  size_t parts_;
};

}  // namespace

std::unique_ptr<SpeechDetector> MakeFfmpegSpeechDetector(ListenTimes* times, size_t parts) {
  return std::make_unique<FfmpegSpeechDetector>(times, parts);
}

}  // namespace velorin
