#include "layout/sire.h"

#include "app/hlform.h"

namespace velorin {

TForm4::TForm4(TForm1& form1) : QDialog(&form1), form1_(form1) {
  setWindowTitle(QStringLiteral("Velikost písma titulků"));
  subtitleFont = QFont(QStringLiteral("Arial"), 24);
}

}  // namespace velorin
