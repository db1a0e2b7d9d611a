#pragma once

#include <QLabel>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "film/sound_summary.h"
#include "film/timeline.h"

namespace velorin {

class MainForm;
class TimelineView;
struct SoundJob;

// "Časová osa": the film's sound under the subtitles. A window of its own
// beside the main window, made on first use and kept for the whole run; it
// follows the main window's document and film. The painting and the mouse
// are TimelineView's; the frames, zoom and drags are the core's.
class TForm15 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm15(MainForm& form);
  ~TForm15() override;

  // One step of its refresh (every 30 ms while shown): the film's sound, the
  // playing position, the document.
  void Tick();

  // What the sound part shows.
  enum class SoundState { NoFilm, Loading, Ready, NoSound, Failed };
  SoundState State() const { return state_; }
  const SoundSummary& Sound() const { return sound_; }
  const TimelineScale& Scale() const { return scale_; }
  void SetScale(const TimelineScale& scale);
  double LengthFrames() const { return lengthFrames_; }
  // Zooms by factor around pixel anchor of the view.
  void Zoom(double factor, double anchor);
  // Waits for the sound being read (tests).
  void WaitForSound();

  TimelineView* View = nullptr;
  QScrollBar* ScrollBar1 = nullptr;
  QLabel* LStav = nullptr;  // current frame, and how the sound is doing
  QTimer* Timer1 = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  friend class TimelineView;
  void FollowFilm();
  void StartReading(const std::string& path);
  void TakeResults();
  void CacheSound();
  void UpdateScrollBar();
  void UpdateStatus();
  void ReadPlacement();
  void WritePlacement();
  const std::vector<TimelineBox>& Boxes();
  double FilmFps() const;
  double RulerRate() const;

  MainForm& form_;
  TimelineScale scale_;
  double lengthFrames_ = 1;
  int64_t position_ = 0;
  bool playing_ = false;
  std::vector<TimelineBox> boxes_;
  int32_t longest_ = 0;
  bool boxesDirty_ = true;
  // Where the automatic synchronization would put the boxes, and for which
  // of its results (offset, scale, stretches).
  std::vector<TimelineBox> ghosts_;
  int32_t ghostLongest_ = 0;
  std::vector<double> ghostsFor_;

  std::string filmPath_;  // whose sound is shown or read
  std::string cacheKey_;
  SoundState state_ = SoundState::NoFilm;
  QString failure_;
  SoundSummary sound_;
  SnapEdges snap_;
  std::shared_ptr<SoundJob> job_;
  bool placed_ = false;
};

// The painted part of the timeline: the ruler, the waveform, the speech band
// and the subtitles, with the current frame as a line. Turns the mouse into
// core calls on its window.
class TimelineView : public QWidget {
  Q_OBJECT

 public:
  explicit TimelineView(TForm15& owner);

  // Heights of the parts, top to bottom.
  static constexpr int kRulerHeight = 30;
  static constexpr int kSpeechHeight = 8;
  static constexpr int kBoxesHeight = 44;
  static constexpr int kEdgePixels = 4;
  // The y where the subtitle boxes start.
  int BoxesTop() const { return height() - kBoxesHeight; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::optional<BoxHit> HitAt(const QPointF& at);
  TForm15& owner_;
  std::optional<TimelineDrag> drag_;
  std::optional<DragFrames> dragged_;  // what the drag gives so far
  bool dragMoved_ = false;
};

}  // namespace velorin
