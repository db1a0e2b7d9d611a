// Advanced synchronization, opened from the main window.
#include <QKeyEvent>
#include <QLineEdit>

#include "app/dialog_support.h"
#include "app/hlform.h"
#include "sync/synchronizace.h"

namespace velorin {

namespace {

// A field takes Ctrl+Z for its own undo and so would keep the key from the
// menu; while the command is enabled the menu gets the key, from a field too.
class CommandKeyFirst : public QObject {
 public:
  CommandKeyFirst(QAction* action, QObject* parent) : QObject(parent), action_(action) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride || !action_->isEnabled()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (QKeySequence(key->keyCombination()) != action_->shortcut()) return false;
    event->ignore();
    return true;
  }

 private:
  QAction* action_;
};

}  // namespace

void TForm1::WireSyncCommands() {
  auto* keyFirst = new CommandKeyFirst(Synchronizace1, this);
  for (QLineEdit* field : central->findChildren<QLineEdit*>()) field->installEventFilter(keyFirst);
}

void TForm1::Synchronizace1Click() {
  // The dialog works on the document itself; its "Synchronizovat" refreshes
  // this window's list and fields.
  TForm11 dialog(*this);
  ExecModal(dialog);
}

}  // namespace velorin
