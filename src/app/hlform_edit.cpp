// List editing and formatting commands of the main window.
#include <QAction>
#include <QFile>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <utility>

#include "app/hlform.h"
#include "document/file_names.h"
#include "document/subtitle_line.h"
#include "edit/dialog_support.h"
#include "edit/find_dialog.h"
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

void TForm1::WireEditCommands() {
  auto on = [this](std::initializer_list<QAction*> actions, void (TForm1::*handler)()) {
    for (QAction* a : actions)
      connect(a, &QAction::triggered, this,
              [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
  };
  on({Odebrat1, OdebVyb1}, &TForm1::Odebrat1Click);
  on({UpravTitulek1, UpravTit1}, &TForm1::UpravTitulek1Click);
  on({VlozTitulek1, VlozTitulek2}, &TForm1::VlozTitulek1Click);
  on({OpravTitulek1, OpravTitulky2}, &TForm1::Opravatitulku1Click);
  on({Seradit1, SeradCas1}, &TForm1::Seradit1Click);
  on({Novy2}, &TForm1::Novy2Click);
  on({Prejit1, Prejit2}, &TForm1::Prejit1Click);
  on({OdStyl1, OdStyl2}, &TForm1::OdStyl1Click);
  on({OdVel1, OdVel2}, &TForm1::OdVel1Click);
  on({OdBar1, OdBar2}, &TForm1::OdBar1Click);
  on({OdDruh1, OdDruh2}, &TForm1::OdDruh2Click);
  on({OdVse1, OdVse2}, &TForm1::OdstranFor1Click);
  // The find dialog only opens; its searches run as commands of their own.
  for (QAction* a : {HledejText1, HledejText2})
    connect(a, &QAction::triggered, this, [this] { Hledej1Click(); });
  for (QAction* a : {NastavStyl1, NastavStyl2, NastavVel1, NastavVel2, NastavBar1, NastavBar2,
                     NastavPismo1, NastavPismo2}) {
    connect(a, &QAction::triggered, this,
            [this, a] { RunCommand([this, a] { NastavFormatClick(a->data().toInt()); }); });
  }
}

void TForm1::SelectRowOnly(int row) {
  doc_.SelectOnly(row);
  QItemSelectionModel* sm = ListBox1->selectionModel();
  const QModelIndex index = ListBox1->model()->index(row, 0);
  sm->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  ListBox1->scrollTo(index);
}

void TForm1::PushAllKeepScroll() {
  const int top = ListBox1->verticalScrollBar()->value();
  PushAll();
  ListBox1->verticalScrollBar()->setValue(top);
}

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
  NormalCursor normal;
  dialog.exec();
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
    std::optional<QString> answer;
    {
      NormalCursor normal;
      answer = Ask().InputBox(QStringLiteral("Nový soubor s titulky"),
                              QStringLiteral("Zadejte název nového souboru s titulky:"), name);
    }
    if (!answer) return;
    const QString path = QFile::decodeName(
        QByteArray::fromStdString(NewFilePath(LocalPath(subtitlesPath), LocalPath(*answer))));
    if (FileExists(LocalPath(path))) {
      const QString fileName =
          QFile::decodeName(QByteArray::fromStdString(FileNamePart(LocalPath(path))));
      NormalCursor normal;
      if (!Ask().AskYesNo(QStringLiteral("Upozornění"),
                          QStringLiteral("Soubor \"") + fileName +
                              QStringLiteral("\" již existuje, chcete ho přepsat?"),
                          Prompts::Icon::Warning))
        continue;
    }
    ETarget->setText(path);
    // A new file is written as UTF-8, as it will be read back.
    doc_.SetUtf8(true);
    doc_.Add("{1}{100}");
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
  NormalCursor normal;
  Ask().Message(QStringLiteral("Velorin"),
                QStringLiteral("Výraz \"") + compared + QStringLiteral("\" nebyl nalezen."));
}

void TForm1::Prejit1Click() {
  if (doc_.Empty()) return;  // no row to go to
  std::optional<QString> answer;
  {
    NormalCursor normal;
    answer = Ask().InputBox(QStringLiteral("Vyhledávání"),
                            QStringLiteral("Zadejte číslo snímku hledaného titulku:"), QString());
  }
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
  NormalCursor normal;
  dialog.exec();
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
  RemoveAllFormatting(doc_, {}, &changed);
}

}  // namespace velorin
