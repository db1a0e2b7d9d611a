// Second-frame completion, the line count and the width fitting: the main
// window's commands.
#include <QAction>

#include "app/dialog_support.h"
#include "app/hlform.h"
#include "edit/completion.h"
#include "edit/doplneni.h"
#include "layout/line_breaking.h"
#include "layout/sire.h"

namespace velorin {

namespace {

// The view follows the list when a command ends, also when it stopped at a
// line that cannot be read: the rows before it stay changed.
struct PushRowsWhenDone {
  TForm1& form;
  ~PushRowsWhenDone() { form.PushRows(0, form.Doc().Count() - 1); }
};

}  // namespace

void TForm1::WireLinesCommands() {
  // A check item ticks itself; the other one follows it.
  for (QAction* a : {Maximalne1, Maximalne2})
    connect(a, &QAction::toggled, this, &TForm1::Maximalne1Click);
}

void TForm1::Maximalne1Click(bool checked) {
  Maximalne1->setChecked(checked);
  Maximalne2->setChecked(checked);
}

void TForm1::Doplnit1Click() {
  PullSelection();
  TForm13 dialog(*this);
  ExecModal(dialog);
}

void TForm1::Odstranit1Click() {
  SetChanged(true);
  PullSelection();
  PushRowsWhenDone push{*this};
  RemoveSecondFrames(doc_, Progress());
}

void TForm1::RadekClick(int tag) {
  SetChanged(true);
  PullSelection();
  PushRowsWhenDone push{*this};
  ChangeLineCount(doc_, tag, Maximalne1->isChecked(), Progress());
}

void TForm1::SireButClick() {
  // The adjustment keeps the selection of the rows it does not rewrite.
  PullSelection();
  ExecModal(*form4);
}

}  // namespace velorin
