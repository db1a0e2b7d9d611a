// Advanced synchronization, opened from the main window.
#include "app/dialog_support.h"
#include "app/hlform.h"
#include "sync/synchronizace.h"

namespace velorin {

void TForm1::Synchronizace1Click() {
  // The dialog works on the document itself; its "Synchronizovat" refreshes
  // this window's list and fields.
  TForm11 dialog(*this);
  ExecModal(dialog);
}

}  // namespace velorin
