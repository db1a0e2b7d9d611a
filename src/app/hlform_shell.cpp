// Adding from a file, statistics, file associations, the background picture,
// help pages and the about box: the main window's commands that open them.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

#include "app/dialog_support.h"
#include "app/hlform.h"
#include "edit/infotit.h"
#include "edit/pridavani.h"
#include "shell/about.h"
#include "shell/asociace.h"
#include "shell/background.h"

namespace velorin {

namespace {

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString FromLocal(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

DesktopShell& TForm1::Shell() {
  if (!shell_) {
    ownShell_ = std::make_unique<QtDesktopShell>();
    shell_ = ownShell_.get();
  }
  return *shell_;
}

AssociationStore& TForm1::Associations() {
  if (!associations_) {
    ownAssociations_ =
        std::make_unique<FreedesktopAssociations>(FreedesktopAssociations::FromEnvironment(
            std::getenv("XDG_DATA_HOME"), std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"),
            Local(QCoreApplication::applicationFilePath())));
    associations_ = ownAssociations_.get();
  }
  return *associations_;
}

void TForm1::Pridat1Click() {
  // Adding and the sort after it are taken back together.
  OneUndoStep step(*this);
  PullSelection();
  TForm6 dialog(*this);
  ExecModal(dialog);
  if (dialog.Chrono->isChecked() && dialog.Tag == 1) Seradit1Click();
}

void TForm1::InfoTit1Click() {
  TForm8 dialog(*this);
  ExecModal(dialog);
}

void TForm1::AsociovatSoubory1Click() {
  TForm10 dialog(*this);
  ExecModal(dialog);
}

void TForm1::LoadStartupBackground() {
  const QString fallback = resourceDir + QStringLiteral("pozadi.jpg");
  const QString chosen = FromLocal(settings.backgroundPath);
  QStringList tries;
  if (IsBackgroundPictureName(chosen) && QFileInfo(chosen).isFile()) tries << chosen;
  if (chosen != fallback) tries << fallback;
  // A picture that cannot be read at start-up is no reason for a message:
  // the next one is tried, and at worst the windows have no picture.
  for (const QString& path : tries) {
    PictureLoad load = LoadBackgroundPicture(path);
    if (load.Ok()) {
      background = QPixmap::fromImage(load.image);
      settings.backgroundPath = Local(path);
      return;
    }
  }
  background = QPixmap();
  settings.backgroundPath = Local(fallback);
}

void TForm1::SetBackgroundPicture(const QString& path) {
  PictureLoad load = LoadBackgroundPicture(path);
  if (!load.Ok()) {
    Ask().Message(QStringLiteral("Velorin"), BackgroundErrorMessage(path, load.error),
                  Prompts::Icon::Warning);
    return;
  }
  background = QPixmap::fromImage(load.image);
  settings.backgroundPath = Local(path);
  update();
  central->update();
}

void TForm1::VychoziPoz2Click() {
  const QString fallback = resourceDir + QStringLiteral("pozadi.jpg");
  if (FromLocal(settings.backgroundPath) == fallback) return;
  SetBackgroundPicture(fallback);
}

void TForm1::VlastniPoz2Click() {
  std::optional<QString> path =
      Ask().OpenFile(QStringLiteral("Vyberte obrázek na pozadí"),
                     QStringLiteral("všechny obrázky  (*.jpg *.jpeg *.bmp);;JPEG obrázky (*.jpg);;"
                                    "JPEG obrázky (*.jpeg);;bitmapové obrázky (*.bmp)"),
                     QFileInfo(FromLocal(settings.backgroundPath)).absolutePath());
  if (!path) return;
  SetBackgroundPicture(*path);
}

void TForm1::NapButClick() { ShowHelpPage(*this, resourceDir + QStringLiteral("info.htm")); }

void TForm1::FormatovaniNap1Click() {
  ShowHelpPage(*this, resourceDir + QStringLiteral("formatovani.htm"));
}

void TForm1::StrukturaIni1Click() { ShowHelpPage(*this, resourceDir + QStringLiteral("ini.htm")); }

void TForm1::OAplikaci1Click() {
  TAboutBox box(*this);
  ExecModal(box);
}

}  // namespace velorin
