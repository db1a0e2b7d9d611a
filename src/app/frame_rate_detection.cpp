#include "app/frame_rate_detection.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QWidget>

#include "sync/time_frames.h"

namespace velorin {

namespace {

void SetControlsEnabled(QWidget* dialog, bool enabled) {
  for (QWidget* w : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    w->setEnabled(enabled);
}

// Enables the controls again also when opening the film fails.
struct ControlsEnabledAgain {
  QWidget* dialog;
  ~ControlsEnabledAgain() { SetControlsEnabled(dialog, true); }
};

}  // namespace

void DetectFrameRate(QWidget* dialog, QComboBox* rateList, MediaPlayer& player,
                     const std::function<void()>& openFilm) {
  ControlsEnabledAgain again{dialog};
  if (player.FileName().empty()) {
    SetControlsEnabled(dialog, false);
    QCoreApplication::processEvents();
    openFilm();
  }
  if (player.FileName().empty()) return;
  int best = NearestFrameRate(player.LengthMs(), player.LengthFrames(), rateList->currentIndex());
  rateList->setCurrentIndex(best);
}

}  // namespace velorin
