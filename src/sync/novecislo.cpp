#include "sync/novecislo.h"

#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <algorithm>

#include "app/dialog_support.h"
#include "app/main_form.h"

namespace velorin {

namespace {

constexpr int kTypedDigits = 8;

}  // namespace

TForm14::TForm14(MainForm& form1, QWidget* parent)
    : QDialog(parent ? parent : form1.Window()), form1_(form1) {
  setWindowTitle(QStringLiteral("Synchronizační snímek"));
  // Only the close box: no help or resizing.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  const DialogBuilder s(*this, form1_);
  auto tip = [](QWidget* w, const char* text) { w->setToolTip(QString::fromUtf8(text)); };
  const char* newHint = "Nová hodnota synchronizačního snímku.";
  const char* oldHint = "Původní hodnota synchronizačního snímku.";

  Label1 = new QLabel(QStringLiteral("Nové číslo snímku:"), this);
  Label1->move(s(16), s(14));
  Label1->adjustSize();
  tip(Label1, newHint);
  Edit1 = new QLineEdit(this);
  Edit1->setGeometry(s(16), s(36), s(150), s(26));
  Edit1->setMaxLength(kTypedDigits);
  // Digits only, typed or pasted; editing keys (Backspace, Delete, arrows,
  // Tab) are untouched.
  Edit1->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Edit1));
  tip(Edit1, newHint);
  Label2 = new QLabel(QStringLiteral("Původní číslo snímku:"), this);
  Label2->move(s(186), s(14));
  Label2->adjustSize();
  tip(Label2, oldHint);
  Edit2 = new QLineEdit(this);
  Edit2->setGeometry(s(186), s(36), s(150), s(26));
  Edit2->setEnabled(false);
  tip(Edit2, oldHint);

  OKBut = new QPushButton(QStringLiteral("&OK"), this);
  OKBut->setGeometry(s(46), s(80), s(100), s(31));
  OKBut->setDefault(true);
  OKBut->setEnabled(false);
  tip(OKBut, "Potvrzení zadaných údajů.");
  StornoBut = new QPushButton(QStringLiteral("&Storno"), this);
  StornoBut->setGeometry(s(206), s(80), s(100), s(31));
  tip(StornoBut, "Uzavření tohoto okna.");
  setTabOrder(Edit1, OKBut);
  setTabOrder(OKBut, StornoBut);

  setFixedSize(s(352), s(128));
  CentreOnScreen(*this, form1_);

  connect(OKBut, &QPushButton::clicked, this, &TForm14::OKButClick);
  connect(StornoBut, &QPushButton::clicked, this, &TForm14::StornoButClick);
  // The timer keeps OK current; a change of the text updates it at once too,
  // so Enter right after clearing the field cannot confirm an empty answer.
  connect(Edit1, &QLineEdit::textChanged, this, &TForm14::Timer1Timer);
  Timer1 = new QTimer(this);
  Timer1->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, &TForm14::Timer1Timer);
  Timer1->start();
}

void TForm14::SetStartText(const QString& text) {
  Edit1->setMaxLength(std::max(kTypedDigits, static_cast<int>(text.size())));
  Edit1->setText(text);
}

void TForm14::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm14::FormShow() {
  Edit2->setText(QString::number(presentFrame_));
  Edit1->setFocus();
}

void TForm14::Timer1Timer() { OKBut->setEnabled(!Edit1->text().isEmpty()); }

void TForm14::OKButClick() {
  if (Edit1->text().isEmpty()) return;
  Tag = 1;
  accept();
}

void TForm14::StornoButClick() { reject(); }

void TForm14::done(int result) {
  if (Tag == 0) Edit1->setText(QStringLiteral("-1"));
  QDialog::done(result);
}

void TForm14::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
