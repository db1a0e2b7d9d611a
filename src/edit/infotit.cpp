#include "edit/infotit.h"

#include <QScreen>
#include <algorithm>
#include <cmath>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "edit/statistics.h"

namespace velorin {

TForm8::TForm8(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("Informace o titulcích"));
  setFont(DesignFont(form1_));
  const DialogBuilder s(*this, form1_);
  auto label = [&](const char* text, int top, bool value, const char* hint) {
    return s.InfoLabel(text, 16, top, value, hint);
  };
  struct Row {
    QLabel** caption;
    QLabel** value;
    const char* text;
    const char* initial;
    const char* hint;
  };
  const Row rows[] = {
      {&Label1, &Label7, "Číslo snímku prvního titulku:", "0",
       "Číslo snímku, při kterém se zobrazí první titulek filmu."},
      {&Label2, &Label8, "Číslo snímku posledního titulku:", "0",
       "Číslo snímku, při kterém se zobrazí poslední titulek filmu."},
      {&Label3, &Label9, "Celkový počet titulků:", "0",
       "Celkový počet titulků v upravovaném souboru."},
      {&Label4, &Label10, "Použití formátování titulků:", "ne",
       "Udává, zda se v upravovaném souboru s titulky vyskytuje formátování."},
      {&Label5, &Label11, "Počet formátovaných titulků:", "0",
       "Počet titulků v upravovaném souboru, které jsou formátované."},
      {&Label6, &Label12, "Maximální počet řádků:", "0",
       "Udává, do jakého maximálního počtu řádků jsou titulky rozděleny."},
      {&Label13, &Label14, "Titulek s nejdelším řádkem:", "0",
       "Číslo snímku titulku, který má nejdelší řádek ze všech."},
  };
  int top = 16;
  for (const Row& r : rows) {
    *r.caption = label(r.text, top, false, r.hint);
    *r.value = label(r.initial, top, true, r.hint);
    top += 28;
  }
  OKBut = new QPushButton(QStringLiteral("&OK"), this);
  OKBut->setToolTip(QStringLiteral("Uzavření tohoto okna."));
  OKBut->setDefault(true);
  OKBut->setGeometry(0, s(top + 8), s(100), s(31));
  connect(OKBut, &QPushButton::clicked, this, &TForm8::OKButClick);
  FormCreate();
  ComputeStatistics();
}

void TForm8::FormCreate() {
  const std::pair<QLabel*, QLabel*> rows[] = {
      {Label1, Label7},  {Label2, Label8},  {Label3, Label9},  {Label4, Label10},
      {Label5, Label11}, {Label6, Label12}, {Label13, Label14}};
  for (auto [caption, value] : rows) value->move(caption->x() + caption->width() + 5, caption->y());
}

void TForm8::ComputeStatistics() {
  const SubtitleStatistics st = velorin::ComputeStatistics(form1_.Doc(), form1_.Progress());
  Label7->setText(QString::number(st.firstFrame));
  Label8->setText(QString::number(st.lastFrame));
  Label9->setText(QString::number(st.count));
  Label10->setText(st.formatted > 0 ? QStringLiteral("ano") : QStringLiteral("ne"));
  Label11->setText(QString::number(st.formatted));
  Label12->setText(QString::number(st.maxLines));
  Label14->setText(QString::number(st.longestLineFrame));
  // The window fits the widest value with a margin of 18 on the right.
  int right = 0;
  for (QLabel* value : {Label7, Label8, Label9, Label10, Label11, Label12, Label14}) {
    value->adjustSize();
    right = std::max(right, value->x() + value->width());
  }
  const int clientWidth = right + 18;
  setFixedSize(clientWidth, OKBut->y() + OKBut->height() + form1_.Scaled(14));
  OKBut->move(static_cast<int>(std::nearbyint((clientWidth - OKBut->width()) / 2.0)), OKBut->y());
  if (QScreen* screen = form1_.Window()->screen()) {
    const QRect avail = screen->availableGeometry();
    move(avail.x() + (avail.width() - clientWidth) / 2, avail.center().y() - height() / 2);
  }
}

void TForm8::OKButClick() { accept(); }

void TForm8::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
