#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <string>

#include "film/media_player.h"

struct mpv_handle;
class QWidget;

namespace velorin {

class MpvVideoWidget;

// The film player on libmpv. With a display window the picture is drawn
// through mpv's render API into an OpenGL widget inside that window, created
// when the first film is opened (so windows without a film need no OpenGL).
// Without one (nullptr) it plays with neither picture nor sound, for tests.
class MpvPlayer : public QObject, public MediaPlayer {
  Q_OBJECT

 public:
  explicit MpvPlayer(QWidget* display, QObject* parent = nullptr);
  ~MpvPlayer() override;

  void Open(const std::string& path) override;
  void Close() override;
  const std::string& FileName() const override { return fileName_; }
  void SetDisplayRect(int left, int top, int width, int height) override;
  PlayerMode Mode() override;
  int64_t Position() override;
  void Seek(int64_t frame) override;
  void Play() override;
  void PauseOrResume() override;
  void Stop() override;
  void Rewind() override;
  void StepFrame(bool forward) override;
  int64_t LengthMs() override;
  int64_t LengthFrames() override;

  // The widget the picture is drawn in; nullptr until a film was opened.
  QWidget* VideoWidget() const;
  double FramesPerSecond() const override { return fps_; }

 private:
  void HandleEvents();
  void EnsureVideoWidget();
  void SetPause(bool pause);
  bool FlagProperty(const char* name);
  double DoubleProperty(const char* name, double fallback);

  mpv_handle* mpv_ = nullptr;
  QWidget* display_ = nullptr;
  QPointer<MpvVideoWidget> video_;
  QRect rect_;
  std::string fileName_;
  double fps_ = 25.0;
  bool stopped_ = true;  // stopped rather than paused
  enum class SeekState { None, Requested, Started };
  SeekState seek_ = SeekState::None;
  int64_t seekTarget_ = 0;
  QElapsedTimer seekClock_;
};

}  // namespace velorin
