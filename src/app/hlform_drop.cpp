// Files dropped on the main window: a subtitle file opens as from the recent
// menu, a film dropped on the film panel opens in it, a file dropped on the
// synchronization field becomes the synchronization file.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

#include "app/hlform.h"

namespace velorin {

namespace {

// The first dropped file that is not a folder; empty for none.
QString DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return {};
  const QString path = urls.first().toLocalFile();
  return QFileInfo(path).isDir() ? QString() : path;
}

}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  QWidget* target = childAt(event->position().toPoint());
  const bool onPanel = target && (target == Panel1 || Panel1->isAncestorOf(target));
  // Run after the drop has ended, so that dialogs and questions are not shown
  // inside the window system's drag.
  QTimer::singleShot(0, this, [this, path, onPanel, sync = target == ESync] {
    if (onPanel)
      RunCommand([this, path] { OpenFilmFile(path); });
    else if (sync)
      RunCommand([this, path] { OpenSyncFile(path); });
    else
      RunCommand([this, path] {
        if (Changed()) AskSaveChanges();
        LoadSubtitleFile(path);
      });
  });
}

}  // namespace velorin
