// The main window's list view over the document, and the one path every
// command runs through.
#include <QElapsedTimer>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <algorithm>

#include "app/hlform.h"
#include "app/subtitle_list_model.h"
#include "app/wait_cursor.h"
#include "document/text_encoding.h"

namespace velorin {

QString TForm1::DecodeLine(std::string_view bytes) const {
  if (doc_.IsUtf8()) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  std::string utf8 = DecodeText(bytes, doc_.Encoding());
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string TForm1::EncodeText(const QString& text) const {
  QByteArray utf8 = text.toUtf8();
  std::string s(utf8.constData(), static_cast<size_t>(utf8.size()));
  return doc_.IsUtf8() ? s : velorin::EncodeText(s, doc_.Encoding());
}

void TForm1::ShowEncoding() {
  const TextEncoding encoding = doc_.Encoding();
  QString name = QString::fromUtf8(InfoOf(encoding).name);
  // A UTF-16 file is held, and saved, as its UTF-8.
  if (doc_.IsFromUtf16() && encoding == TextEncoding::Utf8) name += QStringLiteral(" (z UTF-16)");
  if (EncodingButton->text() != name) EncodingButton->setText(name);
  for (QAction* a : EncodingMenu->actions())
    if (a->data().toInt() == static_cast<int>(encoding) && !a->isChecked()) a->setChecked(true);
}

void TForm1::ChooseEncoding(TextEncoding encoding) {
  // Only how the bytes are read changes: nothing to save, nothing to take back.
  doc_.SetJournal(nullptr);
  doc_.SetEncoding(encoding);
  doc_.SetJournal(&history_.Pending());
  ShowEncoding();
  PushAllKeepScroll();
  ShowSubtitleAt(overlayCursor);
}

bool TForm1::HasSelection() const {
  return ListBox1->selectionModel() && ListBox1->selectionModel()->hasSelection();
}

void TForm1::PullSelection() {
  doc_.ClearSelection();
  const QItemSelection sel = ListBox1->selectionModel()->selection();
  for (const QItemSelectionRange& r : sel)
    for (int row = r.top(); row <= r.bottom() && row < doc_.Count(); ++row)
      doc_.SetSelected(row, true);
  QModelIndex cur = ListBox1->currentIndex();
  doc_.SetCursorRow(cur.isValid() && cur.row() < doc_.Count() ? cur.row() : -1);
}

namespace {

// Selection flags of rows first..last as ranges of the model.
QItemSelection SelectionRanges(const QAbstractItemModel* model, const std::vector<char>& flags,
                               int first, int last) {
  QItemSelection sel;
  int row = first;
  while (row <= last) {
    if (!flags[row]) {
      ++row;
      continue;
    }
    int start = row;
    while (row <= last && flags[row]) ++row;
    sel.select(model->index(start, 0), model->index(row - 1, 0));
  }
  return sel;
}

}  // namespace

void TForm1::PushAll() {
  QItemSelectionModel* sm = ListBox1->selectionModel();
  if (model_->SameRowCount() && doc_.Count() > 0) {
    // As many rows as the view shows: the view forgets its rows as a reset
    // makes it forget them, but only paints their text anew instead of laying
    // out every row again.
    sm->reset();
    model_->RowsRewritten();
  } else {
    model_->ResetAll();
  }
  // A list with rows always has a cursor row to work on, as a list box has:
  // the first row after a load, the last one when rows below it went.
  if (doc_.Count() > 0) doc_.SetCursorRow(std::clamp(doc_.CursorRow(), 0, doc_.Count() - 1));
  if (doc_.CursorRow() >= 0 && doc_.CursorRow() < doc_.Count())
    sm->setCurrentIndex(model_->index(doc_.CursorRow()), QItemSelectionModel::NoUpdate);
  if (doc_.Count() > 0)
    sm->select(SelectionRanges(model_, doc_.SelectionFlags(), 0, doc_.Count() - 1),
               QItemSelectionModel::ClearAndSelect);
}

void TForm1::PushRows(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, doc_.Count() - 1);
  if (first > last) return;
  model_->RowsChanged(first, last);
  QItemSelectionModel* sm = ListBox1->selectionModel();
  QItemSelection all(model_->index(first), model_->index(last));
  sm->select(all, QItemSelectionModel::Deselect);
  sm->select(SelectionRanges(model_, doc_.SelectionFlags(), first, last),
             QItemSelectionModel::Select);
}

bool TForm1::RunCommand(const std::function<void()>& fn, const QString& name) {
  // Commands nest: a dialog's button runs inside the main window's command
  // that opened the dialog, and closing runs inside "Konec". What the outer
  // command changed so far becomes
  // a step of its own first, so that the steps stay in the order they were
  // made.
  WaitCursor wait;
  const QString outer = commandNames_.empty() ? QString() : commandNames_.back();
  // Inside a command held as one step, nested commands add to its step.
  const bool joined = oneStep_ > 0;
  if (!outer.isNull() && !joined) history_.Commit(outer.toStdString());
  commandNames_.push_back(!name.isEmpty()    ? name
                          : !outer.isEmpty() ? outer
                                             : QStringLiteral("Úprava"));
  ++busy_;
  struct Done {
    TForm1* f;
    bool joined;
    ~Done() {
      // A command that failed half-way is a step too: what it changed stays.
      if (!joined) f->history_.Commit(f->commandNames_.back().toStdString());
      f->commandNames_.pop_back();
      --f->busy_;
      f->StatusProgress->hide();  // the next progress report of an outer command shows it again
    }
  } done{this, joined};
  try {
    fn();
    return true;
  } catch (const std::exception& e) {
    // The one place that shows the general error box.
    prompts_.ShowError(QString::fromUtf8(e.what()));
  }
  return false;
}

void TForm1::SetDefaultFormat(const FontChoice& format) {
  defaultFormat = format.font;
  defaultFormatColor = format.color;
}

ProgressFn TForm1::Progress() {
  // Whatever walks the whole list is risky enough to have the copy current.
  RecoveryCheckpoint();
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  return [this, clock](size_t done, size_t total) {
    if (clock->elapsed() < 50) return;
    clock->restart();
    StatusProgress->setRange(0, 1000);
    StatusProgress->setValue(total ? static_cast<int>(done * 1000 / total) : 0);
    StatusProgress->show();
    // Keep the window painted and the timer running; commands stay blocked
    // while this one runs, and typing waits until it ends. The list is half
    // done here: no recovery copy is taken of it.
    RecoveryPause pause(*this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
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

}  // namespace velorin
