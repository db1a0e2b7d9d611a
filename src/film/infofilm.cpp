#include "film/infofilm.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "film/film_info.h"

namespace velorin {

TForm9::TForm9(MainForm& form1, QWidget* parent)
    : QDialog(parent ? parent : form1.Window()), form1_(form1) {
  setWindowTitle(QStringLiteral("Informace o filmu"));
  const DialogBuilder s(*this, form1_);
  const char* nameHint = "Název právě otevřeného filmu.";
  const char* lengthHint = "Délka právě otevřeného filmu.";
  const char* framesHint = "Celkový počet snímků právě otevřeného filmu.";
  Label1 = s.InfoLabel("Název filmu:", 16, 16, false, nameHint);
  Label4 = s.InfoLabel("", 0, 16, true, nameHint);
  Label2 = s.InfoLabel("Délka filmu:", 16, 46, false, lengthHint);
  Label5 = s.InfoLabel("", 0, 46, true, lengthHint);
  Label3 = s.InfoLabel("Počet snímků:", 16, 76, false, framesHint);
  Label6 = s.InfoLabel("", 0, 76, true, framesHint);
  OKBut = new QPushButton(QStringLiteral("&OK"), this);
  OKBut->setToolTip(QStringLiteral("Uzavření tohoto okna."));
  OKBut->setGeometry(0, s(112), s(100), s(31));
  OKBut->setDefault(true);
  connect(OKBut, &QPushButton::clicked, this, &TForm9::OKButClick);
  FormCreate();
}

void TForm9::FormCreate() {
  // Only reachable with a film open; without one it shows an empty name,
  // 00:00:00 and 0 frames.
  MediaPlayer* player = form1_.FilmOpen() ? &form1_.Player() : nullptr;
  QString name;
  int64_t ms = 0, frames = 0;
  if (player && !player->FileName().empty()) {
    name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(player->FileName()))).fileName();
    ms = player->LengthMs();
    frames = player->LengthFrames();
  }
  Label4->setText(name);
  Label5->setText(QString::fromStdString(FilmLengthText(ms)));
  Label6->setText(QString::number(frames));
  const int gap = 5;
  for (auto [caption, value] : {std::pair{Label1, Label4}, {Label2, Label5}, {Label3, Label6}}) {
    value->adjustSize();
    value->move(caption->x() + caption->width() + gap, caption->y());
  }
  // The window fits the name row with equal margins, and is widened when the
  // length or the frame count would otherwise be cut (a short film name).
  int clientWidth = 2 * Label1->x() + Label1->width() + gap + Label4->width();
  for (QLabel* value : {Label5, Label6})
    clientWidth = std::max(clientWidth, value->x() + value->width() + Label1->x());
  setFixedSize(clientWidth, OKBut->y() + OKBut->height() + form1_.Scaled(14));
  OKBut->move((clientWidth - OKBut->width()) / 2, OKBut->y());
  CentreOnScreen(*this, form1_);
}

void TForm9::OKButClick() { accept(); }

void TForm9::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
