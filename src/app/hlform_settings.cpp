// Settings file and recent files of the main window.
#include <QAction>
#include <QStandardPaths>

#include "app/hlform.h"
#include "document/file_names.h"

namespace velorin {

void TForm1::WireSettingsCommands() {
  for (QAction* a : Rych) {
    connect(a, &QAction::triggered, this,
            [this, a] { RunCommand([this, a] { RychClick(a->data().toInt()); }); });
  }
}

void TForm1::LoadSettings() {
  subtitlesPath = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + '/';
  filmsPath = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  openDialogDir = subtitlesPath;
  lastOpenDir = subtitlesPath;
}

void TForm1::RefreshRecentMenu() {
  for (int i = 0; i < 9; ++i) {
    bool has = i < recentFiles.size();
    Rych[i]->setVisible(has);
    if (has) Rych[i]->setText(QStringLiteral("&%1. %2").arg(i + 1).arg(recentFiles[i]));
  }
}

void TForm1::AddRecentFile(const QString& path) {
  if (!FileExists(path.toStdString())) return;
  recentFiles.removeAll(path);
  recentFiles.prepend(path);
  while (recentFiles.size() > 9) recentFiles.removeLast();
  RefreshRecentMenu();
}

void TForm1::SaveRecentFiles() {}

void TForm1::RychClick(int tag) {
  if (tag < 1 || tag > recentFiles.size()) return;
  if (changed_) AskSaveChanges();
  LoadSubtitleFile(recentFiles[tag - 1]);
}

}  // namespace velorin
