#include "layout/sire.h"

#include "app/main_form.h"

namespace velorin {

TForm4::TForm4(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  setWindowTitle(QStringLiteral("Velikost písma titulků"));
  subtitleFont = QFont(QStringLiteral("Arial"), 24);
}

}  // namespace velorin
