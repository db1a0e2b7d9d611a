#include "film/mpv_player.h"

#include <mpv/client.h>
#include <mpv/render_gl.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QString>
#include <charconv>
#include <clocale>
#include <cmath>

#include "document/error.h"

namespace velorin {

// The OpenGL surface mpv renders the film into. It owns the render context,
// which must be freed with its GL context current and before the mpv core.
class MpvVideoWidget : public QOpenGLWidget {
 public:
  MpvVideoWidget(mpv_handle* mpv, QWidget* parent) : QOpenGLWidget(parent), mpv_(mpv) {
    setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks reach the panel
  }
  ~MpvVideoWidget() override {
    if (render_) {
      makeCurrent();
      mpv_render_context_free(render_);
      doneCurrent();
    }
  }
  bool Ready() const { return render_ != nullptr; }
  QString failure;

 protected:
  void initializeGL() override {
    mpv_opengl_init_params gl{};
    gl.get_proc_address = [](void*, const char* name) -> void* {
      QOpenGLContext* ctx = QOpenGLContext::currentContext();
      return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
    };
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_INVALID, nullptr}};
    int rc = mpv_render_context_create(&render_, mpv_, params);
    if (rc < 0) {
      render_ = nullptr;
      failure = QString::fromUtf8(mpv_error_string(rc));
      return;
    }
    // Called on mpv's threads: only queue a repaint.
    mpv_render_context_set_update_callback(
        render_,
        [](void* self) {
          auto* w = static_cast<MpvVideoWidget*>(self);
          QMetaObject::invokeMethod(
              w, [w] { w->update(); }, Qt::QueuedConnection);
        },
        this);
  }
  void paintGL() override {
    if (!render_) return;
    qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()),
                       static_cast<int>(width() * ratio), static_cast<int>(height() * ratio), 0};
    int flip = 1;
    // Rendering must not wait for the frame's display time: that would hold
    // the GUI thread, and with it the 10 ms state refresh, for a frame period.
    int block = 0;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flip},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(render_, params);
  }

 private:
  mpv_handle* mpv_;
  mpv_render_context* render_ = nullptr;
};

namespace {

// How long a position read waits for a seek to be carried out at most.
constexpr int kSeekWaitMs = 2000;

// How long opening may take before it is given up (a film on a slow disk).
constexpr int kOpenTimeoutMs = 30000;

QString OpenFailureText(const std::string& path, int error) {
  QString reason;
  switch (error) {
    case MPV_ERROR_UNKNOWN_FORMAT:
      reason = QStringLiteral("neznámý formát souboru");
      break;
    case MPV_ERROR_NOTHING_TO_PLAY:
      reason = QStringLiteral("soubor neobsahuje obraz");
      break;
    case MPV_ERROR_LOADING_FAILED:
      reason = QStringLiteral("soubor nelze načíst");
      break;
    default:
      reason = QString::fromUtf8(mpv_error_string(error));
  }
  return QStringLiteral("Film %1 nelze otevřít: %2.")
      .arg(QFileInfo(QString::fromStdString(path)).fileName(), reason);
}

std::string NumberText(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, ec == std::errc() ? end : buf);
}

}  // namespace

MpvPlayer::MpvPlayer(QWidget* display, QObject* parent) : QObject(parent), display_(display) {
  // mpv refuses to start under a locale with a decimal comma.
  std::setlocale(LC_NUMERIC, "C");
  mpv_ = mpv_create();
  if (!mpv_) throw Error("Přehrávač filmů nelze spustit.");
  auto set = [this](const char* name, const char* value) {
    mpv_set_option_string(mpv_, name, value);
  };
  set("config", "no");
  set("terminal", "no");
  set("input-default-bindings", "no");
  set("input-vo-keyboard", "no");
  set("osc", "no");
  set("load-scripts", "no");
  set("ytdl", "no");
  set("idle", "yes");
  set("keep-open", "yes");  // stay on the last frame at the end
  set("pause", "yes");      // a film does not start by itself
  set("hr-seek", "yes");
  set("hwdec", "no");
  set("load-unsafe-playlists", "no");
  // The program shows the subtitles itself: mpv must not also draw a
  // subtitle file it finds beside the film (film.sub is the document).
  set("sub-auto", "no");
  set("sid", "no");
  if (display_) {
    set("vo", "libmpv");
  } else {
    set("vo", "null");
    set("ao", "null");
  }
  if (mpv_initialize(mpv_) < 0) {
    mpv_terminate_destroy(mpv_);
    mpv_ = nullptr;
    throw Error("Přehrávač filmů nelze spustit.");
  }
  // mpv's events are handled on this (the GUI) thread; the callback only queues.
  mpv_set_wakeup_callback(
      mpv_,
      [](void* self) {
        auto* p = static_cast<MpvPlayer*>(self);
        QMetaObject::invokeMethod(
            p, [p] { p->HandleEvents(); }, Qt::QueuedConnection);
      },
      this);
}

MpvPlayer::~MpvPlayer() {
  mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
  delete video_.data();  // frees the render context before the core
  mpv_terminate_destroy(mpv_);
}

QWidget* MpvPlayer::VideoWidget() const { return video_.data(); }

void MpvPlayer::EnsureVideoWidget() {
  if (!video_) {
    video_ = new MpvVideoWidget(mpv_, display_);
    if (!rect_.isNull()) video_->setGeometry(rect_);
  }
  video_->show();
  // The render context has to exist before a file is loaded; grabbing a frame
  // initialises the GL widget at once instead of at its first paint.
  if (!video_->Ready()) video_->grabFramebuffer();
  if (!video_->Ready()) {
    QString why =
        video_->failure.isEmpty() ? QStringLiteral("OpenGL není k dispozici") : video_->failure;
    video_->hide();
    throw Error(("Obraz filmu nelze zobrazit: " + why + ".").toStdString());
  }
}

void MpvPlayer::Open(const std::string& path) {
  Close();
  if (display_) EnsureVideoWidget();
  const char* cmd[] = {"loadfile", path.c_str(), "replace", nullptr};
  int rc = mpv_command(mpv_, cmd);
  if (rc < 0) throw Error(OpenFailureText(path, rc).toStdString());

  // Wait until the file is loaded or has failed. Earlier files end with
  // reason "stop"; those events are passed over.
  QElapsedTimer clock;
  clock.start();
  int failure = 0;
  bool loaded = false;
  while (!loaded && failure == 0) {
    if (clock.elapsed() > kOpenTimeoutMs) {
      failure = MPV_ERROR_LOADING_FAILED;
      break;
    }
    mpv_event* ev = mpv_wait_event(mpv_, 0.1);
    if (ev->event_id == MPV_EVENT_FILE_LOADED) {
      loaded = true;
    } else if (ev->event_id == MPV_EVENT_END_FILE) {
      auto* end = static_cast<mpv_event_end_file*>(ev->data);
      if (end->reason == MPV_END_FILE_REASON_ERROR)
        failure = end->error;
      else if (end->reason == MPV_END_FILE_REASON_EOF ||
               end->reason == MPV_END_FILE_REASON_REDIRECT)
        failure = MPV_ERROR_UNKNOWN_FORMAT;  // a playlist or an empty file, not a film
    }
  }
  if (loaded) {
    char* vid = mpv_get_property_string(mpv_, "vid");
    bool hasVideo = vid && std::string(vid) != "no";
    mpv_free(vid);
    if (!hasVideo) failure = MPV_ERROR_NOTHING_TO_PLAY;
  }
  if (failure != 0) {
    const char* stop[] = {"stop", nullptr};
    mpv_command(mpv_, stop);
    if (video_) video_->hide();
    throw Error(OpenFailureText(path, failure).toStdString());
  }
  fileName_ = path;
  stopped_ = true;
  seek_ = SeekState::None;
  fps_ = DoubleProperty("container-fps", 0);
  if (!(fps_ > 0)) fps_ = DoubleProperty("estimated-vf-fps", 0);
  if (!(fps_ > 0)) fps_ = 25.0;
}

void MpvPlayer::Close() {
  if (fileName_.empty()) return;
  const char* stop[] = {"stop", nullptr};
  mpv_command(mpv_, stop);
  SetPause(true);
  fileName_.clear();
  stopped_ = true;
  seek_ = SeekState::None;
  if (video_) video_->hide();
}

void MpvPlayer::SetDisplayRect(int left, int top, int width, int height) {
  rect_ = QRect(left, top, width, height);
  if (video_) video_->setGeometry(rect_);
}

PlayerMode MpvPlayer::Mode() {
  if (fileName_.empty()) return PlayerMode::NotOpen;
  if (stopped_ || FlagProperty("eof-reached")) return PlayerMode::Stopped;
  return FlagProperty("pause") ? PlayerMode::Paused : PlayerMode::Playing;
}

int64_t MpvPlayer::Position() {
  if (fileName_.empty()) return 0;
  HandleEvents();
  // Until mpv has carried a seek out, the position is where it goes: the
  // overlay must not see the old frame right after a jump.
  if (seek_ != SeekState::None) {
    if (seekClock_.elapsed() < kSeekWaitMs) return seekTarget_;
    seek_ = SeekState::None;
  }
  return std::llround(DoubleProperty("time-pos", 0) * fps_);
}

void MpvPlayer::Seek(int64_t frame) {
  if (fileName_.empty()) return;
  HandleEvents();  // events of earlier seeks must not end this one
  std::string target = NumberText(static_cast<double>(frame) / fps_);
  const char* cmd[] = {"seek", target.c_str(), "absolute+exact", nullptr};
  if (mpv_command(mpv_, cmd) < 0) return;
  seek_ = SeekState::Requested;
  seekTarget_ = frame;
  seekClock_.start();
}

void MpvPlayer::Play() {
  if (fileName_.empty()) return;
  stopped_ = false;
  SetPause(false);
}

void MpvPlayer::PauseOrResume() {
  switch (Mode()) {
    case PlayerMode::Playing:
      SetPause(true);
      break;
    case PlayerMode::Paused:
      SetPause(false);
      break;
    default:
      break;
  }
}

void MpvPlayer::Stop() {
  if (fileName_.empty()) return;
  SetPause(true);
  stopped_ = true;
}

void MpvPlayer::Rewind() { Seek(0); }

void MpvPlayer::StepFrame(bool forward) {
  if (fileName_.empty()) return;
  // mpv's own frame-step plays for a frame and, with some outputs, does not
  // pause again; an exact seek to the neighbouring frame lands on it as
  // surely and leaves the film paused.
  const int64_t from = Position();
  if (!forward && from <= 0) return;
  const bool wasStopped = stopped_;
  Seek(from + (forward ? 1 : -1));
  if (seek_ != SeekState::None && wasStopped) stopped_ = false;  // paused on the new frame
}

int64_t MpvPlayer::LengthMs() {
  if (fileName_.empty()) return 0;
  return std::llround(DoubleProperty("duration", 0) * 1000);
}

int64_t MpvPlayer::LengthFrames() {
  if (fileName_.empty()) return 0;
  int64_t frames = 0;
  if (mpv_get_property(mpv_, "estimated-frame-count", MPV_FORMAT_INT64, &frames) >= 0 && frames > 0)
    return frames;
  return std::llround(DoubleProperty("duration", 0) * fps_);
}

void MpvPlayer::HandleEvents() {
  // The rest of the state is read from mpv when needed; events only tell
  // when a seek has started and when playback has restarted after it.
  while (mpv_) {
    mpv_event* ev = mpv_wait_event(mpv_, 0);
    if (ev->event_id == MPV_EVENT_NONE) break;
    if (ev->event_id == MPV_EVENT_SEEK && seek_ == SeekState::Requested)
      seek_ = SeekState::Started;
    else if (ev->event_id == MPV_EVENT_PLAYBACK_RESTART && seek_ == SeekState::Started)
      seek_ = SeekState::None;
  }
}

void MpvPlayer::SetPause(bool pause) {
  int flag = pause ? 1 : 0;
  mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &flag);
}

bool MpvPlayer::FlagProperty(const char* name) {
  int flag = 0;
  if (mpv_get_property(mpv_, name, MPV_FORMAT_FLAG, &flag) < 0) return false;
  return flag != 0;
}

double MpvPlayer::DoubleProperty(const char* name, double fallback) {
  double v = 0;
  if (mpv_get_property(mpv_, name, MPV_FORMAT_DOUBLE, &v) < 0) return fallback;
  return v;
}

}  // namespace velorin
