// Settings file and recent files of the main window.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>

#include "app/hlform.h"
#include "document/error.h"
#include "document/file_names.h"
#include "document/ini_file.h"
#include "layout/qt_text_measurer.h"
#include "layout/sire.h"
#include "shell/settings.h"

namespace velorin {

namespace {

// Paths travel as the file system's bytes; other texts as UTF-8.
std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString FromLocal(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

QString TForm1::SettingsFile() const {
  if (!settingsPath.isEmpty()) return settingsPath;
  // An installed program (its pages under share/) keeps its settings in the
  // user's folder even when run by someone who may write to /usr/bin.
  const bool writable = resourceDir == programDir && QFileInfo(programDir).isWritable();
  return FromLocal(SettingsFilePath(Local(programDir),
                                    qEnvironmentVariable("XDG_CONFIG_HOME").toStdString(),
                                    Local(QDir::homePath()), writable));
}

void TForm1::LoadSettings() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  AppSettings defaults;
  defaults.subtitlesPath = Local(documents + '/');
  defaults.filmsPath = Local(documents);
  defaults.backgroundPath = Local(resourceDir + QStringLiteral("pozadi.jpg"));
  settings = ReadAppSettings(IniFile(Local(SettingsFile())), defaults);

  subtitlesPath = FromLocal(settings.subtitlesPath);
  filmsPath = FromLocal(settings.filmsPath);
  if (form4) form4->subtitleFont = ToQFont(settings.subtitleFont);
  defaultFormat = ToQFont(settings.defaultFormat);
  Maximalne1->setChecked(settings.maximalne);
  UkladatZmeny1->setChecked(settings.zmena);
  recentFiles.clear();
  for (const std::string& path : settings.recentFiles) recentFiles << FromLocal(path);

  openDialogDir = subtitlesPath;
  lastOpenDir = subtitlesPath;
  Maximalne2->setChecked(Maximalne1->isChecked());
  LoadStartupBackground();
}

void TForm1::UlozNas2Click() {
  // A value the user has not changed is written back as the file held it:
  // bytes that are not text here, or a style or size the font cannot hold,
  // would otherwise change.
  if (FromLocal(settings.subtitlesPath) != subtitlesPath)
    settings.subtitlesPath = Local(subtitlesPath);
  if (FromLocal(settings.filmsPath) != filmsPath) settings.filmsPath = Local(filmsPath);
  if (form4 && ToQFont(settings.subtitleFont) != form4->subtitleFont)
    settings.subtitleFont = ToSubtitleFont(form4->subtitleFont);
  if (ToQFont(settings.defaultFormat) != defaultFormat)
    settings.defaultFormat = ToSubtitleFont(defaultFormat);
  settings.maximalne = Maximalne1->isChecked();
  settings.zmena = UkladatZmeny1->isChecked();
  const QString file = SettingsFile();
  QDir().mkpath(QFileInfo(file).absolutePath());
  IniFile ini(Local(file));
  WriteGeneralSettings(ini, settings);
}

void TForm1::SaveRecentFiles() {
  std::vector<std::string> recent;
  for (const QString& path : recentFiles) recent.push_back(Local(path));
  const QString file = SettingsFile();
  QDir().mkpath(QFileInfo(file).absolutePath());
  // A failure is shown, but the window still closes: a read-only settings
  // file must not keep the program from ending.
  RunCommand([&] {
    IniFile ini(Local(file));
    WriteRecentFiles(ini, recent);
  });
}

void TForm1::AddRecentFile(const QString& path) {
  std::vector<std::string> recent;
  for (const QString& p : recentFiles) recent.push_back(Local(p));
  // Entries are full paths: a name given relative to the current folder (a
  // command-line argument) would name another file, or none, at the next start.
  const QString full =
      QDir::isRelativePath(path) ? QDir::cleanPath(QDir::current().absoluteFilePath(path)) : path;
  if (!velorin::AddRecentFile(recent, Local(full))) return;
  recentFiles.clear();
  for (const std::string& p : recent) recentFiles << FromLocal(p);
  RefreshRecentMenu();
}

void TForm1::RefreshRecentMenu() {
  bool any = false;
  for (int i = 0; i < kRecentCount; ++i) {
    const bool has = i < recentFiles.size() && !recentFiles[i].isEmpty();
    Rych[i]->setVisible(has);
    if (has) {
      QString caption = FromLocal(RecentCaption(i + 1, Local(recentFiles[i])));
      Rych[i]->setText(caption.replace('&', QStringLiteral("&&")));
    }
    any = any || has;
  }
  // The separator above the entries shows only with them.
  const QList<QAction*> actions = Soubor1->actions();
  const qsizetype at = actions.indexOf(Rych[0]);
  if (at > 0 && actions[at - 1]->isSeparator()) actions[at - 1]->setVisible(any);
}

void TForm1::RychClick(int tag) {
  if (tag < 1 || tag > recentFiles.size()) return;
  // A copy: loading reorders the list the entry lives in.
  const QString path = recentFiles[tag - 1];
  if (changed_) AskSaveChanges();
  LoadSubtitleFile(path);
}

void TForm1::CestaTit1Click() {
  std::optional<QString> path = Ask().InputBox(
      QStringLiteral("Nastavení cesty k titulkům"),
      QStringLiteral("Zvolte adresář, ve kterém máte uloženy titulky:"), subtitlesPath);
  if (!path) return;
  subtitlesPath = *path;
  lastOpenDir = *path;
  openDialogDir = *path;
}

void TForm1::CestaFilm1Click() {
  std::optional<QString> path =
      Ask().InputBox(QStringLiteral("Nastavení cesty k filmům"),
                     QStringLiteral("Zvolte adresář, ve kterém máte uloženy filmy:"), filmsPath);
  if (!path) return;
  // The film dialog opens in the films path, also when the text is unchanged.
  filmsPath = *path;
  filmDialogDir = QString();
}

}  // namespace velorin
