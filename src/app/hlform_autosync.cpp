// Film › "Automatická synchronizace podle zvuku": the offset and scale under
// which the subtitles cover the open film's speech, put into E3 to E6 for the
// user to check and apply with "Přepočítat"; for a film cut differently, the
// proposed synchronization points in the advanced synchronization dialog.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>

#include "app/dialog_support.h"
#include "app/hlform.h"
#include "film/speech_detector.h"
#include "sync/auto_sync.h"
#include "sync/synchronizace.h"

namespace velorin {

namespace {

const char* const kListening =
    "Probíhá automatická synchronizace podle zvuku filmu (Esc ji přeruší).";
const char* const kCancelled = "Automatická synchronizace byla přerušena.";

// While the film is listened to, the window stays painted but takes no
// commands: every key and click is swallowed, Esc (or closing the window)
// asks the listening to stop.
class ListeningGuard : public QObject {
 public:
  ListeningGuard(QWidget* window, bool& stop) : window_(window), stop_(stop) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~ListeningGuard() override { QCoreApplication::instance()->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) stop_ = true;
        return true;
      case QEvent::Close:
        if (watched != window_) return false;
        event->ignore();
        stop_ = true;
        return true;
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
        return true;
      default:
        return false;
    }
  }

 private:
  QWidget* window_;
  bool& stop_;
};

}  // namespace

void TForm1::AutoSync1Click() {
  if (!FilmOpen() || doc_.Count() == 0) return;
  const std::string film = Player().FileName();
  const QString before = hint_;
  hint_ = QString::fromUtf8(kListening);
  StatusText->setText(QStringLiteral(" ") + hint_);

  bool stop = false;
  SpeechTrack track;
  {
    ListeningGuard guard(this, stop);
    ProgressFn bar = Progress();
    try {
      track = MakeFfmpegSpeechDetector()->Detect(film, [&](double done) {
        bar(static_cast<size_t>(done * 1000), 1000);
        QCoreApplication::processEvents();  // Esc reaches the guard
        return !stop;
      });
    } catch (const SpeechDetectionError& e) {
      hint_ = before;
      switch (e.Failure()) {
        case SpeechFailure::Cancelled:
          hint_ = QString::fromUtf8(kCancelled);
          return;
        case SpeechFailure::NoAudio:
          prompts_.Message(QStringLiteral("Upozornění"), QString::fromUtf8(kMsgAutoNoAudio),
                           Prompts::Icon::Warning);
          return;
        case SpeechFailure::Unreadable:
          throw;
      }
    }
  }
  hint_ = before;

  // The frames of the document are read at the film's own rate.
  double fps = track.frameRate;
  if (!(fps >= kMinAutoSyncRate && fps <= kMaxAutoSyncRate) && Player().LengthMs() > 0)
    fps = static_cast<double>(Player().LengthFrames()) * 1000.0 /
          static_cast<double>(Player().LengthMs());
  if (!(fps >= kMinAutoSyncRate && fps <= kMaxAutoSyncRate)) fps = 25;
  const AutoSyncResult r = AlignToSpeech(track.speech, doc_.Lines(), fps, true);
  if (r.status != AutoSyncStatus::Found) {
    prompts_.Message(QStringLiteral("Upozornění"), QString::fromStdString(AutoSyncMessage(r)),
                     Prompts::Icon::Warning);
    return;
  }
  autoSyncProposal = r;  // the timeline shows where the subtitles would go
  if (r.segments.size() > 1) {
    // A film cut differently: the stretches' points go to the advanced
    // synchronization, where the user checks them and runs them.
    TForm11 dialog(*this);
    dialog.ProposePoints(r.points);
    const size_t steps = history_.Steps();
    ExecModal(dialog);
    if (history_.Steps() != steps) autoSyncProposal.reset();  // the points were run
    return;
  }
  // E3 and E4 as well, so that "=" shows the same values again.
  E3->setText(QString::number(r.firstNew));
  E4->setText(QString::number(r.lastNew));
  E5->setText(QString::fromStdString(r.offsetText));
  E6->setText(QString::fromStdString(r.scaleText));
  hint_ = QStringLiteral("Automatická synchronizace: posun %1, časové měřítko %2, jistota %3 %.")
              .arg(QString::fromStdString(r.offsetText), QString::fromStdString(r.scaleText))
              .arg(static_cast<int>(r.confidence * 100 + 0.5));
  StatusText->setText(QStringLiteral(" ") + hint_);
}

}  // namespace velorin
