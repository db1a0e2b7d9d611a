// List editing and formatting commands of the main window.
#include <QAction>
#include <QFile>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <utility>

#include "app/dialog_support.h"
#include "app/find_dialog.h"
#include "app/hlform.h"
#include "document/file_names.h"
#include "document/subtitle_line.h"
#include "edit/list_commands.h"
#include "edit/upravy.h"
#include "layout/formatovani.h"
#include "layout/tags.h"

namespace velorin {

namespace {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Lower-cases only A-Z, as the search compares texts.
QString AsciiLower(QString text) {
  for (QChar& c : text)
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + ('a' - 'A'));
  return text;
}

// Runs fn when the scope ends, also when an error leaves it: the view and
// the change flag follow what a command changed before it stopped.
template <typename Fn>
class AtExit {
 public:
  explicit AtExit(Fn fn) : fn_(std::move(fn)) {}
  ~AtExit() { fn_(); }
  AtExit(const AtExit&) = delete;
  AtExit& operator=(const AtExit&) = delete;

 private:
  Fn fn_;
};

}  // namespace

void TForm1::Odebrat1Click() {
  PullSelection();
  doc_.DeleteSelected();
  PushAllKeepScroll();
  UpdateFrameFields();
  SetChanged(true);
}

void TForm1::UpravTitulek1Click() {
  PullSelection();
  const int row = doc_.CursorRow();
  if (row < 0 || row >= doc_.Count()) return;
  SubtitleFields f = ParseSubtitleLine(doc_.Line(row));
  TForm3 dialog(*this);
  dialog.editedText = std::move(f.text);
  dialog.editedFirst = f.first;
  dialog.editedSecond = f.second;
  dialog.editedRow = row;
  dialog.formatFilling = true;
  ExecModal(dialog);
}

void TForm1::VlozTitulek1Click() {
  PullSelection();
  const int row = doc_.CursorRow();
  if (row < 0 || row >= doc_.Count()) return;
  SetChanged(true);
  doc_.Insert(row, InsertedLine(doc_, row));
  doc_.SetCursorRow(row);  // the cursor now points at the new line
  PushAllKeepScroll();
  UpravTitulek1Click();
}

void TForm1::Opravatitulku1Click() {
  SetChanged(true);
  PullSelection();
  AtExit push([this] { PushAllKeepScroll(); });
  RepairSelected(doc_, Progress());
}

void TForm1::Seradit1Click() {
  SetChanged(true);
  PullSelection();
  SortChronologically(doc_, Progress());
  PushAllKeepScroll();
  UpdateFrameFields();
}

void TForm1::Novy2Click() {
  for (;;) {
    const QString name = QStringLiteral("novy");
    ZdrojTitZav1Click();
    ClearFields();
    std::optional<QString> answer =
        Ask().InputBox(QStringLiteral("Nový soubor s titulky"),
                       QStringLiteral("Zadejte název nového souboru s titulky:"), name);
    if (!answer) return;
    const QString path = QFile::decodeName(
        QByteArray::fromStdString(NewFilePath(LocalPath(subtitlesPath), LocalPath(*answer))));
    if (FileExists(LocalPath(path))) {
      const QString fileName =
          QFile::decodeName(QByteArray::fromStdString(FileNamePart(LocalPath(path))));
      if (!Ask().AskYesNo(QStringLiteral("Upozornění"),
                          QStringLiteral("Soubor \"") + fileName +
                              QStringLiteral("\" již existuje, chcete ho přepsat?"),
                          Prompts::Icon::Warning))
        continue;
    }
    ETarget->setText(path);
    // A new file is written as UTF-8, as it will be read back.
    doc_.SetUtf8(true);
    {
      NewHistory fresh(*this);
      doc_.Add("{1}{100}");
    }
    DocumentSettled();
    doc_.SetCursorRow(0);
    PushAll();
    UpravTitulek1Click();
    SetChanged(true);
    return;
  }
}

void TForm1::Hledej1Click() {
  if (!FindDialog1) {
    FindDialog1 = new FindDialog(this);
    connect(FindDialog1, &FindDialog::Find, this,
            [this] { RunCommand([this] { FindDialog1Find(); }); });
  }
  FindDialog1->show();
  FindDialog1->raise();
  FindDialog1->activateWindow();
}

void TForm1::FindDialog1Find() {
  ListBox1->setFocus();
  PullSelection();
  const bool matchCase = FindDialog1->MatchCase();
  const QString compared =
      matchCase ? FindDialog1->FindText() : AsciiLower(FindDialog1->FindText());
  const int row = FindRow(doc_, EncodeText(compared), FindDialog1->Down(), matchCase, Progress());
  if (row >= 0) {
    SelectRowOnly(row);
    return;
  }
  Ask().Message(QStringLiteral("Velorin"),
                QStringLiteral("Výraz \"") + compared + QStringLiteral("\" nebyl nalezen."));
}

void TForm1::Prejit1Click() {
  if (doc_.Empty()) return;  // no row to go to
  std::optional<QString> answer =
      Ask().InputBox(QStringLiteral("Vyhledávání"),
                     QStringLiteral("Zadejte číslo snímku hledaného titulku:"), QString());
  if (!answer) return;
  const int64_t frame = FrameFromAnswer(answer->toStdString());
  ListBox1->setFocus();
  const int row = RowForFrame(doc_, frame, Progress());
  if (row >= 0) SelectRowOnly(row);
}

void TForm1::NastavFormatClick(int tag) {
  PullSelection();
  TForm7 dialog(*this);
  dialog.FormatKind = tag;
  ExecModal(dialog);
}

void TForm1::RemoveTagKind(char kind) {
  PullSelection();
  bool changed = false;
  AtExit done([&] {
    if (changed) SetChanged(true);
    PushRows(0, doc_.Count() - 1);
  });
  velorin::RemoveTagKind(doc_, kind, Progress(), &changed);
}

void TForm1::OdStyl1Click() { RemoveTagKind('Y'); }
void TForm1::OdVel1Click() { RemoveTagKind('S'); }
void TForm1::OdBar1Click() { RemoveTagKind('C'); }
void TForm1::OdDruh2Click() { RemoveTagKind('F'); }

void TForm1::OdstranFor1Click() {
  PullSelection();
  bool changed = false;
  AtExit done([&] {
    if (changed) SetChanged(true);
    PushRows(0, doc_.Count() - 1);
  });
  RemoveAllFormatting(doc_, Progress(), &changed);
}

}  // namespace velorin
