// Format conversion commands of the main window: the SRT export. (The import
// is the loader's hand-off, TForm1::ConvertForeignFile.)
#include "app/dialog_support.h"
#include "app/hlform.h"
#include "convert/srtprevod.h"

namespace velorin {

void TForm1::UlozitSrt2Click() {
  // Enabled only with a target name and at least one subtitle.
  if (ETarget->text().isEmpty() || doc_.Empty()) return;
  TForm12 dialog(*this);
  ExecModal(dialog);
}

}  // namespace velorin
