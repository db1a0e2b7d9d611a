// Undo and redo of the changes commands made to the list.
#include "app/hlform.h"

namespace velorin {

namespace {

// "Zpět: Přepočítat vše", or the bare caption when there is no step.
QString StepCaption(const char* caption, bool any, const std::string& step) {
  QString text = QString::fromUtf8(caption);
  if (any) text += QStringLiteral(": ") + QString::fromStdString(step);
  return text;
}

}  // namespace

void TForm1::ZpetClick() {
  if (!history_.CanUndo()) return;
  history_.Undo(doc_);
  PushAll();
  UpdateFrameFields();
  SetChanged(true);
}

void TForm1::ZnovuClick() {
  if (!history_.CanRedo()) return;
  history_.Redo(doc_);
  PushAll();
  UpdateFrameFields();
  SetChanged(true);
}

void TForm1::UpdateUndoItems() {
  const bool undo = history_.CanUndo(), redo = history_.CanRedo();
  const QString undoText = StepCaption("Zpět", undo, undo ? history_.UndoName() : "");
  const QString redoText = StepCaption("Znovu", redo, redo ? history_.RedoName() : "");
  for (QAction* a : {Zpet1, Zpet2}) {
    if (a->text() != undoText) a->setText(undoText);
    a->setEnabled(undo);
  }
  for (QAction* a : {Znovu1, Znovu2}) {
    if (a->text() != redoText) a->setText(redoText);
    a->setEnabled(redo);
  }
  // Undo stays at hand also when the last command emptied the list.
  Upravy1->menuAction()->setEnabled(Upravy1->menuAction()->isEnabled() || undo || redo);
}

}  // namespace velorin
