// "Časová osa": the film's sound, its speech and the subtitles on one line of
// frames, with the film's position; subtitles are moved by dragging them.
#include "film/casovaosa.h"

#include <QAbstractItemModel>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "app/main_form.h"
#include "document/file_io.h"
#include "document/ini_file.h"
#include "document/subtitle_line.h"
#include "film/sound_peaks.h"
#include "film/speech_detector.h"
#include "sync/frame_rate.h"

namespace velorin {

namespace {

const char* const kSection = "CASOVA OSA";
constexpr double kZoomStep = 1.25;

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The folder where the sound of films is kept between runs.
QString CacheDir() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
         QStringLiteral("/velorin");
}

// The film as the cache knows it: a changed file is read again.
std::string CacheKey(const std::string& path) {
  const QFileInfo info(QFile::decodeName(QByteArray::fromStdString(path)));
  return path + '\n' + std::to_string(info.size()) + '\n' +
         std::to_string(info.lastModified().toMSecsSinceEpoch());
}

}  // namespace

// Reading one film's sound in the background: the peaks (quick), then the
// speech (slower), so the waveform shows while the speech is still being
// found. The window polls it; destroying it stops the reading.
struct SoundJob {
  std::atomic<bool> cancel{false};
  std::atomic<int> peaksPermille{0}, speechPermille{0};
  std::mutex lock;
  // Under lock:
  std::optional<SoundSummary> peaks;
  std::optional<std::vector<bool>> speech;
  bool peaksDone = false, speechDone = false;
  std::optional<SpeechFailure> failure;
  std::string message;
  std::thread worker;

  ~SoundJob() {
    cancel = true;
    if (worker.joinable()) worker.join();
  }

  void Fail(const SpeechDetectionError& e) {
    if (e.Failure() == SpeechFailure::Cancelled) return;
    if (!failure || e.Failure() == SpeechFailure::NoAudio) {
      failure = e.Failure();
      message = e.what();
    }
  }

  // The peaks first, on every core, then the speech: the waveform shows as
  // soon as it can.
  void Start(const std::string& path) {
    worker = std::thread([this, path] {
      auto progress = [this](std::atomic<int>& permille) {
        return [this, &permille](double done) {
          permille = static_cast<int>(done * 1000);
          return !cancel.load();
        };
      };
      // Runs one reading; a failure is kept for the window, never thrown.
      auto guarded = [this](auto read) {
        try {
          read();
        } catch (const SpeechDetectionError& e) {
          std::lock_guard<std::mutex> g(lock);
          Fail(e);
        } catch (const std::exception& e) {
          std::lock_guard<std::mutex> g(lock);
          Fail(SpeechDetectionError(SpeechFailure::Unreadable, e.what()));
        }
      };
      std::optional<SoundSummary> summary;
      guarded([&] { summary.emplace(ReadSoundPeaks(path, progress(peaksPermille))); });
      bool go = false;
      {
        std::lock_guard<std::mutex> g(lock);
        go = summary.has_value();
        peaks = std::move(summary);
        peaksDone = true;
      }
      std::optional<std::vector<bool>> found;
      if (go)
        guarded([&] {
          found = MakeFfmpegSpeechDetector()->Detect(path, progress(speechPermille)).speech;
        });
      std::lock_guard<std::mutex> g(lock);
      speech = std::move(found);
      speechDone = true;
    });
  }
};

// ---------------------------------------------------------------- window

TForm15::TForm15(MainForm& form) : QWidget(form.Window(), Qt::Window), form_(form) {
  setWindowTitle(QStringLiteral("Časová osa"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(2);
  LStav = new QLabel(this);
  View = new TimelineView(*this);
  ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
  layout->addWidget(LStav);
  layout->addWidget(View, 1);
  layout->addWidget(ScrollBar1);
  // The main window's keys work here too: undo a drag, play and pause.
  addActions(form_.Window()->actions());
  setMinimumSize(320, 160);
  resize(form_.Scaled(760), form_.Scaled(220));
  connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int value) {
    if (std::llround(scale_.firstFrame) == value) return;
    scale_.firstFrame = value;
    scale_ = Clamp(scale_, lengthFrames_);
    View->update();
  });

  // The rows shown change: the boxes are made again at the next paint.
  if (QItemSelectionModel* sel = form_.ListSelection()) {
    QAbstractItemModel* model = sel->model();
    auto dirty = [this] {
      boxesDirty_ = true;
      View->update();
    };
    connect(model, &QAbstractItemModel::modelReset, this, dirty);
    connect(model, &QAbstractItemModel::dataChanged, this, dirty);
    connect(model, &QAbstractItemModel::rowsInserted, this, dirty);
    connect(model, &QAbstractItemModel::rowsRemoved, this, dirty);
    connect(sel, &QItemSelectionModel::selectionChanged, View, qOverload<>(&QWidget::update));
    connect(sel, &QItemSelectionModel::currentChanged, View, qOverload<>(&QWidget::update));
  }
  scale_.width = std::max(View->width(), 1);
  scale_.framesPerPixel = 1;

  Timer1 = new QTimer(this);
  Timer1->setInterval(30);
  connect(Timer1, &QTimer::timeout, this, &TForm15::Tick);
}

TForm15::~TForm15() = default;

double TForm15::FilmFps() const {
  if (form_.FilmOpen()) {
    const double fps = form_.Player().FramesPerSecond();
    if (fps > 0) return fps;
  }
  return RulerRate();
}

double TForm15::RulerRate() const {
  return FrameRate::Parse(form_.FrameRateText().toStdString())
      .value_or(FrameRate(25000))
      .PerSecond();
}

const std::vector<TimelineBox>& TForm15::Boxes() {
  if (boxesDirty_) {
    // An open subtitle that nothing follows is drawn two seconds long.
    boxes_ =
        MakeTimelineBoxes(form_.Doc().Lines(), static_cast<int32_t>(std::llround(2 * RulerRate())));
    longest_ = LongestBox(boxes_);
    boxesDirty_ = false;
    ghostsFor_ = {-1};  // made again below
  }
  const AutoSyncResult* proposal = form_.AutoSyncProposal();
  std::vector<double> key;
  if (proposal) {
    key = {proposal->offset, proposal->scale};
    for (const AutoSyncSegment& s : proposal->segments)
      key.insert(key.end(), {double(s.firstRow), double(s.lastRow), s.offset, s.scale});
  }
  if (key != ghostsFor_) {
    ghosts_ = proposal ? GhostBoxes(boxes_, *proposal) : std::vector<TimelineBox>();
    ghostLongest_ = LongestBox(ghosts_);
    ghostsFor_ = std::move(key);
    View->update();
  }
  return boxes_;
}

void TForm15::SetScale(const TimelineScale& scale) {
  scale_ = Clamp(scale, lengthFrames_);
  UpdateScrollBar();
  View->update();
}

void TForm15::Zoom(double factor, double anchor) {
  scale_ = ZoomAt(scale_, factor, anchor, lengthFrames_);
  UpdateScrollBar();
  View->update();
}

void TForm15::UpdateScrollBar() {
  const double shown = scale_.framesPerPixel * scale_.width;
  const QSignalBlocker quiet(ScrollBar1);
  ScrollBar1->setRange(0, static_cast<int>(std::max(0.0, std::ceil(lengthFrames_ - shown))));
  ScrollBar1->setPageStep(std::max(1, static_cast<int>(shown)));
  ScrollBar1->setSingleStep(std::max(1, static_cast<int>(shown / 10)));
  ScrollBar1->setValue(static_cast<int>(std::llround(scale_.firstFrame)));
}

void TForm15::Tick() {
  FollowFilm();
  TakeResults();
  // How long the line is: the film, else its sound, else the subtitles.
  const std::vector<TimelineBox>& boxes = Boxes();
  double length = 0;
  if (form_.FilmOpen()) length = static_cast<double>(form_.Player().LengthFrames());
  if (!sound_.Empty()) length = std::max(length, sound_.Seconds() * FilmFps());
  for (const TimelineBox& b : boxes) length = std::max(length, static_cast<double>(b.end) + 1);
  if (length < 1) length = 60 * RulerRate();
  const bool lengthChanged = length != lengthFrames_;
  lengthFrames_ = length;

  int64_t position = position_;
  bool playing = false;
  if (form_.FilmOpen()) {
    MediaPlayer& player = form_.Player();
    const PlayerMode mode = player.Mode();
    playing = mode == PlayerMode::Playing;
    position = player.Position();
  }
  bool moved = position != position_ || playing != playing_;
  position_ = position;
  playing_ = playing;
  if (!placed_) {
    placed_ = true;
    scale_.width = std::max(View->width(), 1);
    scale_.framesPerPixel = WholeFilmFramesPerPixel(lengthFrames_, scale_.width);
    scale_.firstFrame = 0;
    moved = true;
  }
  if (moved && playing_)
    scale_ = FollowFrame(scale_, static_cast<double>(position_), lengthFrames_);
  if (lengthChanged) scale_ = Clamp(scale_, lengthFrames_);
  if (moved || lengthChanged) {
    UpdateScrollBar();
    View->update();
  }
  UpdateStatus();
}

void TForm15::FollowFilm() {
  const std::string path = form_.FilmOpen() ? form_.Player().FileName() : std::string();
  if (path == filmPath_) return;
  job_.reset();  // stops reading the film before
  filmPath_ = path;
  sound_ = SoundSummary();
  snap_ = SnapEdges();
  failure_.clear();
  placed_ = false;
  if (path.empty()) {
    state_ = SoundState::NoFilm;
    View->update();
    return;
  }
  cacheKey_ = CacheKey(path);
  try {
    const QString file = CacheDir() + '/' + QString::fromStdString(SoundCacheName(cacheKey_));
    if (QFileInfo::exists(file))
      if (auto cached = ParseSoundSummary(ReadFileBytes(Local(file)), cacheKey_)) {
        sound_ = std::move(*cached);
        snap_ = SpeechSnapEdges(sound_, FilmFps());
        state_ = sound_.Empty() ? SoundState::NoSound : SoundState::Ready;
        View->update();
        return;
      }
  } catch (const std::exception&) {
    // An unreadable cache file is as good as none: the film is read again.
  }
  StartReading(path);
}

void TForm15::StartReading(const std::string& path) {
  state_ = SoundState::Loading;
  job_ = std::make_shared<SoundJob>();
  job_->Start(path);
}

void TForm15::TakeResults() {
  if (!job_) return;
  bool finished = false, failed = false;
  {
    std::lock_guard<std::mutex> g(job_->lock);
    failed = job_->failure.has_value();
    if (job_->failure == SpeechFailure::NoAudio) {
      state_ = SoundState::NoSound;
    } else if (job_->failure) {
      state_ = SoundState::Failed;
      failure_ = QString::fromStdString(job_->message);
    }
    if (job_->peaks) {
      sound_ = std::move(*job_->peaks);
      job_->peaks.reset();
      if (state_ == SoundState::Loading) state_ = SoundState::Ready;
      View->update();
    }
    // The speech joins the peaks once they are here.
    if (job_->speech && job_->peaksDone) {
      sound_.SetSpeech(*job_->speech, kSpeechStepSeconds);
      snap_ = SpeechSnapEdges(sound_, FilmFps());
      job_->speech.reset();
      View->update();
    }
    finished = job_->peaksDone && job_->speechDone && !job_->speech;
  }
  if (!finished) return;
  job_.reset();
  if (!failed && !sound_.Empty() && sound_.HasSpeech()) CacheSound();
}

void TForm15::CacheSound() {
  // A cache that cannot be written costs only the next opening's time.
  try {
    const QString dir = CacheDir();
    QDir().mkpath(dir);
    WriteFileAtomically(Local(dir + '/' + QString::fromStdString(SoundCacheName(cacheKey_))),
                        SerializeSoundSummary(sound_, cacheKey_));
  } catch (const std::exception&) {
  }
}

void TForm15::WaitForSound() {
  while (job_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    TakeResults();
  }
}

void TForm15::UpdateStatus() {
  QString text;
  if (form_.FilmOpen())
    text = QStringLiteral("snímek %1").arg(position_);
  else
    text = QStringLiteral("Film není otevřen.");
  switch (state_) {
    case SoundState::NoFilm:
      break;
    case SoundState::Loading: {
      const int done = job_ ? job_->peaksPermille.load() : 0;
      text += QStringLiteral("   Načítám zvuk filmu ... %1 %").arg(done / 10);
      break;
    }
    case SoundState::Ready:
      if (job_) {
        text += QStringLiteral("   Hledám řeč ... %1 %").arg(job_->speechPermille.load() / 10);
      }
      break;
    case SoundState::NoSound:
      text += QStringLiteral("   Film nemá zvukovou stopu.");
      break;
    case SoundState::Failed:
      text += QStringLiteral("   Zvuk filmu nelze přečíst: ") + failure_;
      break;
  }
  if (LStav->text() != text) LStav->setText(text);
}

void TForm15::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const auto mods = event->modifiers() & ~Qt::KeypadModifier;
  if ((key == Qt::Key_Left || key == Qt::Key_Right) && (mods & ~Qt::ShiftModifier) == 0) {
    const bool forward = key == Qt::Key_Right, second = mods & Qt::ShiftModifier;
    form_.RunCommand([this, forward, second] { form_.StepFilm(forward, second); });
    Tick();
    return;
  }
  if (key == Qt::Key_Plus || key == Qt::Key_Minus || key == Qt::Key_Equal) {
    // Around the current frame when it is in view, else around the middle.
    double anchor = scale_.PixelOf(static_cast<double>(position_));
    if (anchor < 0 || anchor > scale_.width) anchor = scale_.width / 2.0;
    Zoom(key == Qt::Key_Minus ? 1 / kZoomStep : kZoomStep, anchor);
    return;
  }
  QWidget::keyPressEvent(event);
}

void TForm15::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ReadPlacement();
  Timer1->start();
  Tick();
  View->setFocus();
}

void TForm15::closeEvent(QCloseEvent* event) {
  WritePlacement();
  Timer1->stop();
  job_.reset();  // no reading while nobody looks; the next showing goes on
  filmPath_.clear();
  event->accept();
}

void TForm15::ReadPlacement() {
  try {
    const IniFile ini(Local(form_.SettingsFile()));
    if (!ini.HasKey(kSection, "Sirka")) return;
    const int w = ini.ReadInteger(kSection, "Sirka", width());
    const int h = ini.ReadInteger(kSection, "Vyska", height());
    const int x = ini.ReadInteger(kSection, "Vlevo", this->x());
    const int y = ini.ReadInteger(kSection, "Nahore", this->y());
    resize(std::max(w, minimumWidth()), std::max(h, minimumHeight()));
    move(x, y);
  } catch (const std::exception&) {
    // Settings that cannot be read leave the window where the desktop put it.
  }
}

void TForm15::WritePlacement() {
  try {
    IniFile ini(Local(form_.SettingsFile()));
    ini.WriteInteger(kSection, "Vlevo", x());
    ini.WriteInteger(kSection, "Nahore", y());
    ini.WriteInteger(kSection, "Sirka", width());
    ini.WriteInteger(kSection, "Vyska", height());
  } catch (const std::exception&) {
    // The place is a convenience: a settings file that cannot be written
    // does not stop the window from closing.
  }
}

// ---------------------------------------------------------------- view

TimelineView::TimelineView(TForm15& owner) : QWidget(&owner), owner_(owner) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setMinimumHeight(kRulerHeight + kSpeechHeight + kBoxesHeight + 40);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TimelineView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  TimelineScale s = owner_.scale_;
  // The same frames stay at the left edge; the zoom keeps its frames per pixel.
  s.width = std::max(width(), 1);
  if (!owner_.placed_) return;
  owner_.SetScale(s);
}

void TimelineView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const TimelineScale& s = owner_.scale_;
  const int w = width(), h = height();
  const int waveTop = kRulerHeight, boxesTop = BoxesTop();
  const int speechTop = boxesTop - kSpeechHeight;
  const int waveHeight = std::max(speechTop - waveTop, 1);
  p.fillRect(rect(), QColor(250, 250, 250));
  p.fillRect(QRect(0, waveTop, w, waveHeight), QColor(24, 32, 40));

  // Waveform: a vertical line per pixel, as high as the loudest sample in it.
  const SoundSummary& sound = owner_.sound_;
  const double fps = owner_.FilmFps();
  if (!sound.Empty()) {
    std::vector<uint8_t> env(static_cast<size_t>(w));
    sound.Envelope(s.firstFrame / fps, s.framesPerPixel / fps, env.size(), env.data());
    std::vector<QLine> lines;
    lines.reserve(env.size());
    const int mid = waveTop + waveHeight / 2;
    for (int x = 0; x < w; ++x) {
      const int half = env[static_cast<size_t>(x)] * (waveHeight / 2 - 1) / 255;
      if (half > 0 || env[static_cast<size_t>(x)] > 0)
        lines.emplace_back(x, mid - half, x, mid + half);
    }
    p.setPen(QColor(90, 200, 120));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
  }
  p.fillRect(QRect(0, speechTop, w, kSpeechHeight), QColor(225, 225, 225));
  if (sound.HasSpeech()) {
    // Stretches that meet within a pixel are painted as one.
    auto [a, b] = sound.SpeechBetween(s.firstFrame / fps, s.LastFrame() / fps);
    double runStart = 0, runEnd = -2;
    auto flush = [&] {
      if (runEnd >= runStart)
        p.fillRect(
            QRectF(runStart, speechTop + 1, std::max(runEnd - runStart, 1.0), kSpeechHeight - 2),
            QColor(240, 150, 40));
    };
    for (size_t i = a; i < b; ++i) {
      const auto& st = sound.Speech()[i];
      const double x0 = s.PixelOf(st.start * fps), x1 = s.PixelOf(st.end * fps);
      if (x0 > runEnd + 1) {
        flush();
        runStart = x0;
      }
      runEnd = std::max(runEnd, x1);
    }
    flush();
  }
  // What the sound part says when it has nothing to show.
  QString note;
  switch (owner_.state_) {
    case TForm15::SoundState::NoFilm:
      note = QStringLiteral("Film není otevřen.");
      break;
    case TForm15::SoundState::NoSound:
      note = QStringLiteral("Film nemá zvukovou stopu.");
      break;
    case TForm15::SoundState::Failed:
      note = QStringLiteral("Zvuk filmu nelze přečíst.");
      break;
    case TForm15::SoundState::Loading:
      if (sound.Empty()) note = QStringLiteral("Načítám zvuk filmu ...");
      break;
    case TForm15::SoundState::Ready:
      break;
  }
  if (!note.isEmpty()) {
    p.setPen(QColor(220, 220, 220));
    p.drawText(QRect(0, waveTop, w, waveHeight), Qt::AlignCenter, note);
  }

  // Ruler: ticks every step, the labelled ones with frame and time.
  const double rate = owner_.RulerRate();
  const RulerTicks ticks = MakeRulerTicks(s, rate, 110);
  p.setPen(QColor(60, 60, 60));
  QFont small = font();
  small.setPixelSize(10);
  p.setFont(small);
  for (double f = ticks.first; f <= s.LastFrame(); f += ticks.step) {
    const double x = s.PixelOf(f);
    const auto index = std::llround(f / ticks.step);
    const bool label = index % ticks.labelEvery == 0;
    p.drawLine(QPointF(x, kRulerHeight - (label ? 12 : 5)), QPointF(x, kRulerHeight - 1));
    if (label)
      p.drawText(QPointF(x + 2, 11), QStringLiteral("%1  %2")
                                         .arg(std::llround(f))
                                         .arg(QString::fromStdString(TimelineTimeText(f / rate))));
  }
  p.drawLine(0, kRulerHeight - 1, w, kRulerHeight - 1);

  // Subtitles: a box each, the selected ones darker, the cursor row framed,
  // an open one fading out to the next start.
  const std::vector<TimelineBox>& boxes = owner_.Boxes();
  QItemSelectionModel* sel = owner_.form_.ListSelection();
  const int cursorRow = sel && sel->currentIndex().isValid() ? sel->currentIndex().row() : -1;
  // Under them, dashed, where the automatic synchronization would put them.
  {
    auto [glo, ghi] =
        VisibleBoxes(owner_.ghosts_, owner_.ghostLongest_, s.firstFrame, s.LastFrame());
    QPen ghostPen(QColor(150, 60, 190), 1, Qt::DashLine);
    p.setPen(ghostPen);
    for (size_t i = glo; i < ghi; ++i) {
      const TimelineBox& g = owner_.ghosts_[i];
      const double x0 = s.PixelOf(g.first), x1 = s.PixelOf(g.end);
      if (x1 < 0 || x0 > w) continue;
      const QRectF r(x0, boxesTop + 1, std::max(x1 - x0, 2.0), kBoxesHeight - 2);
      p.fillRect(r, QColor(150, 60, 190, 40));
      p.drawRect(r);
    }
  }
  auto [lo, hi] = VisibleBoxes(boxes, owner_.longest_, s.firstFrame, s.LastFrame());
  p.setFont(font());
  double plainStart = 0, plainEnd = -2;
  auto flushPlain = [&] {
    if (plainEnd < plainStart) return;
    const QRectF r(plainStart, boxesTop + 3, plainEnd - plainStart, kBoxesHeight - 6);
    p.fillRect(r, QColor(170, 200, 240));
    p.setPen(QColor(40, 60, 120));
    p.drawRect(r);
    plainEnd = -2;
  };
  for (size_t i = lo; i < hi; ++i) {
    TimelineBox b = boxes[i];
    if (drag_ && dragged_ && b.row == drag_->box.row) {
      b.first = dragged_->first;
      b.second = dragged_->second;
      if (b.second > b.first) b.end = b.second, b.open = false;
    }
    const double x0 = s.PixelOf(b.first), x1 = s.PixelOf(b.end);
    if (x1 < 0 || x0 > w) continue;
    const bool selected = sel && sel->isRowSelected(b.row, QModelIndex());
    // Zoomed far out, plain boxes a few pixels wide that meet are painted
    // as one: two thousand of them cost no more than a few dozen.
    if (x1 - x0 < 3 && !selected && b.row != cursorRow && !b.open) {
      if (x0 > plainEnd + 1) {
        flushPlain();
        plainStart = x0;
      }
      plainEnd = std::max(plainEnd, std::max(x1, x0 + 2));
      continue;
    }
    flushPlain();  // what comes before stays under this box
    const QRectF r(x0, boxesTop + 3, std::max(x1 - x0, 2.0), kBoxesHeight - 6);
    QColor fill = selected ? QColor(70, 120, 220) : QColor(170, 200, 240);
    if (b.open) {
      QLinearGradient g(r.topLeft(), r.topRight());
      g.setColorAt(0, fill);
      fill.setAlpha(40);
      g.setColorAt(1, fill);
      p.fillRect(r, g);
    } else {
      p.fillRect(r, fill);
    }
    QPen edge(b.row == cursorRow ? QColor(200, 30, 30) : QColor(40, 60, 120));
    edge.setWidth(b.row == cursorRow ? 2 : 1);
    if (b.open) edge.setStyle(Qt::DashLine);
    p.setPen(edge);
    p.drawRect(r);
    // A command that is still changing the list may let a paint through
    // before the list is shown again: rows past its end are left out.
    if (r.width() > 12 && b.row < owner_.form_.Doc().Count()) {
      p.setPen(selected ? Qt::white : Qt::black);
      const std::string_view line = owner_.form_.Doc().Line(b.row);
      const QString text = owner_.form_.DecodeLine(SubtitleLineView(line).Text());
      p.drawText(r.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                 text.left(200));
    }
  }
  flushPlain();

  // The film's current frame.
  if (owner_.form_.FilmOpen()) {
    const double x = s.PixelOf(static_cast<double>(owner_.position_));
    if (x >= 0 && x <= w) {
      p.setPen(QPen(QColor(230, 30, 30), 1));
      p.drawLine(QPointF(x, 0), QPointF(x, h));
    }
  }
}

std::optional<BoxHit> TimelineView::HitAt(const QPointF& at) {
  if (at.y() < BoxesTop()) return std::nullopt;
  return HitTestBoxes(owner_.Boxes(), owner_.longest_, owner_.scale_, at.x(), kEdgePixels);
}

void TimelineView::mousePressEvent(QMouseEvent* event) {
  setFocus();
  if (event->button() != Qt::LeftButton) return;
  const QPointF at = event->position();
  if (std::optional<BoxHit> hit = HitAt(at)) {
    const TimelineBox& box = owner_.Boxes()[hit->box];
    owner_.form_.SelectRowOnly(box.row);
    drag_ = TimelineDrag{box, hit->part, owner_.scale_.FrameAt(at.x())};
    dragged_.reset();
    dragMoved_ = false;
    return;
  }
  // Elsewhere a click takes the film there.
  if (owner_.form_.FilmOpen()) {
    const auto frame = static_cast<int64_t>(std::floor(owner_.scale_.FrameAt(at.x())));
    owner_.form_.RunCommand(
        [this, frame] { owner_.form_.Player().Seek(std::max<int64_t>(frame, 0)); });
    owner_.Tick();
  }
}

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  if (!drag_) {
    std::optional<BoxHit> hit = HitAt(at);
    setCursor(hit && hit->part != BoxPart::Body ? Qt::SizeHorCursor
              : hit                             ? Qt::OpenHandCursor
                                                : Qt::ArrowCursor);
    return;
  }
  dragMoved_ = true;
  const bool snap = event->modifiers() & Qt::ShiftModifier;
  // Snapping reaches a dozen pixels, whatever the zoom.
  dragged_ = DragToFrames(*drag_, owner_.scale_.FrameAt(at.x()), snap ? &owner_.snap_ : nullptr,
                          12 * owner_.scale_.framesPerPixel);
  update();
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !drag_) return;
  const TimelineDrag drag = *drag_;
  const std::optional<DragFrames> to = dragged_;
  drag_.reset();
  dragged_.reset();
  update();
  if (!to || (to->first == drag.box.first && to->second == drag.box.second)) return;
  MainForm& form = owner_.form_;
  form.RunCommand(
      [&form, drag, to] {
        const int row = drag.box.row;
        if (row >= form.Doc().Count()) return;
        const SubtitleLineView line(form.Doc().Line(row));
        form.Doc().Replace(row, ComposeSubtitleLine(to->first, to->second, line.Text()));
        form.PushRows(row, row);
        form.SelectRowOnly(row);
        form.SetChanged(true);
        form.UpdateFrameFields();
      },
      QStringLiteral("Posun titulku"));
}

void TimelineView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  drag_.reset();
  dragged_.reset();
  std::optional<BoxHit> hit = HitAt(event->position());
  if (!hit) return;
  const int row = owner_.Boxes()[hit->box].row;
  MainForm& form = owner_.form_;
  form.SelectRowOnly(row);
  form.RunCommand([&form] { form.EditCursorRow(); }, QStringLiteral("Upravit titulek"));
}

void TimelineView::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;
  if (event->modifiers() & Qt::ControlModifier) {
    owner_.Zoom(std::pow(kZoomStep, notches), event->position().x());
  } else {
    TimelineScale s = owner_.scale_;
    const int delta =
        event->angleDelta().x() != 0 ? event->angleDelta().x() : event->angleDelta().y();
    // A notch scrolls a tenth of the view; up and left go back.
    s.firstFrame -= delta / 120.0 * s.framesPerPixel * s.width / 10;
    owner_.SetScale(s);
  }
  event->accept();
}

}  // namespace velorin
