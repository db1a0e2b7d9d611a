// Linear retiming commands of the main window.
#include <QAction>
#include <QFile>
#include <QKeyEvent>

#include "app/hlform.h"
#include "document/file_names.h"
#include "document/subtitle_line.h"
#include "sync/retiming.h"

namespace velorin {

namespace {

QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

void TForm1::WireRetimingCommands() {
  auto on = [this](QObject* sender, Handler handler) { On(sender, handler); };
  on(RovnaBut, &TForm1::RovnaButClick);
  on(PrBut2, &TForm1::PrBut2Click);
  // Alt+P belongs to "Přepočítat vybrané"; the button's underlined P would make
  // the key ambiguous, and then neither of them would run.
  PrepocitejBut->setShortcut(QKeySequence());
}

void TForm1::RovnaButClick() {
  // A pasted non-number ends the command with the invalid-number error.
  const int32_t e1 = ToInt32(E1->text().toStdString());
  const int32_t e2 = ToInt32(E2->text().toStdString());
  const int32_t e3 = ToInt32(E3->text().toStdString());
  const int32_t e4 = ToInt32(E4->text().toStdString());
  RetimingValues v = ComputeRetiming(e1, e2, e3, e4);
  if (!v.success) {
    E5->clear();
    E6->clear();
    Ask().Message(QStringLiteral("Velorin"), Text(kMsgLastBeforeFirst));
    return;
  }
  E5->setText(Text(FormatDecimal(v.offset)));
  E6->setText(Text(FormatDecimal(v.scale)));
}

void TForm1::RecalculateFrames(bool selectedOnly) {
  PullSelection();
  RecalcStatus status = velorin::RecalculateFrames(
      doc_, E5->text().toStdString(), E6->text().toStdString(), selectedOnly, Progress());
  switch (status) {
    case RecalcStatus::BadOffset:
      Ask().Message(QStringLiteral("Velorin"), Text(kMsgBadOffset));
      return;
    case RecalcStatus::BadScale:
      Ask().Message(QStringLiteral("Velorin"), Text(kMsgBadScale));
      return;
    case RecalcStatus::TooLarge:
      Ask().Message(QStringLiteral("Velorin"), Text(kMsgFrameTooLarge));
      return;
    case RecalcStatus::Done:
      break;
  }
  autoSyncProposal.reset();  // applied, or replaced by what the user typed
  PushAll();
  UpdateFrameFields();
  SetChanged(true);
}

void TForm1::PrepocitejButClick() { RecalculateFrames(false); }

void TForm1::Prepocitat1Click() { RecalculateFrames(true); }

void TForm1::PrBut2Click() {
  std::optional<QString> path =
      Ask().OpenFile(QStringLiteral("Otevření souboru s titulky pro synchronizaci"),
                     QStringLiteral("soubory s titulky (*.sub, *.txt)"), openDialogDir);
  if (path) OpenSyncFile(*path);
}

void TForm1::OpenSyncFile(const QString& path) {
  openDialogDir = QFile::decodeName(
      QByteArray::fromStdString(DirectoryPart(QFile::encodeName(path).toStdString())));
  if (LoadSyncFileBounds(path)) ESync->setText(path);
}

bool TForm1::LoadSyncFileBounds(const QString& path) {
  SyncBounds b = ReadSyncBounds(QFile::encodeName(path).toStdString());
  if (b.nonStandard) {
    Ask().Message(QStringLiteral("Velorin"), Text(kMsgNonStandardSync));
    return false;
  }
  E3->setText(QString::fromStdString(b.first));
  E4->setText(QString::fromStdString(b.last));
  RecomputeIfComplete();
  return b.found;
}

void TForm1::RecomputeIfComplete() {
  if (!E1->text().isEmpty() && !E2->text().isEmpty() && !E3->text().isEmpty() &&
      !E4->text().isEmpty())
    RovnaButClick();
}

}  // namespace velorin
