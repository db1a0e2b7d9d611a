#include "sync/cas.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>

#include "app/dialog_support.h"
#include "app/frame_rate_detection.h"
#include "app/main_form.h"
#include "sync/time_frames.h"

namespace velorin {

namespace {

// A spin field's value as typed; empty or unreadable counts as 0.
int SpinText(const QSpinBox* spin) {
  bool ok = false;
  int v = spin->cleanText().toInt(&ok);
  return ok ? v : 0;
}

}  // namespace

TForm2::TForm2(MainForm& form1, QWidget* parent)
    : QDialog(parent ? parent : form1.Window()), form1_(form1) {
  const DialogBuilder s(*this, form1_);
  auto spin = [&](int left, int maxValue, const char* hint) {
    auto* sp = new QSpinBox(this);
    sp->setRange(0, maxValue);
    sp->setGeometry(s(left), s(40), s(64), s(26));
    sp->findChild<QLineEdit*>()->setMaxLength(2);
    // A field left empty counts as 0, also after it loses the focus (the
    // default correction would bring back its previous value).
    sp->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    sp->setToolTip(QString::fromUtf8(hint));
    return sp;
  };
  auto button = [&](const char* text, int left, int top, int width, const char* hint) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setGeometry(s(left), s(top), s(width), s(31));
    b->setToolTip(QString::fromUtf8(hint));
    return b;
  };

  Label1 = s.Label("Zadejte přesný čas pro zobrazení titulku:", 16, 14);
  SpinEdit1 = spin(16, kMaxHours, "Hodiny.");
  Label2 = s.Label("hod.", 86, 44);
  SpinEdit2 = spin(136, kMaxMinutes, "Minuty.");
  Label3 = s.Label("min.", 206, 44);
  SpinEdit3 = spin(256, kMaxSeconds, "Sekundy.");
  Label4 = s.Label("sek.", 326, 44);
  Label5 = s.Label("Zadejte počet snímků na vteřinu záznamu:", 16, 84);
  ESnimek = new QComboBox(this);
  ESnimek->setEditable(false);
  ESnimek->setGeometry(s(16), s(108), s(120), s(26));
  ESnimek->setToolTip(QStringLiteral("Počet snímků připadajících na jednu vteřinu filmu."));
  DetekujBut = button("&Detekovat z filmu", 150, 106, 170,
                      "Detekce počtu snímku na vteřinu "
                      "záznamu přímo z filmu.");
  OKBut = button("&OK", 70, 152, 100, "Potvrzení zadaných údajů.");
  StornoBut = button("&Storno", 200, 152, 100, "Uzavření tohoto okna.");
  OKBut->setDefault(true);

  setFixedSize(s(380), s(198));
  CentreOnScreen(*this, form1_);

  connect(OKBut, &QPushButton::clicked, this, &TForm2::OKButClick);
  connect(StornoBut, &QPushButton::clicked, this, &TForm2::StornoButClick);
  connect(DetekujBut, &QPushButton::clicked, this, &TForm2::DetekujButClick);
  FormCreate();
}

void TForm2::FormCreate() {
  for (FrameRate rate : kFrameRates) ESnimek->addItem(QString::fromStdString(rate.Text()));
  ESnimek->setCurrentIndex(ESnimek->findText(form1_.FrameRateText(), Qt::MatchExactly));
  resultFrame = 0;
  Tag = 0;
}

void PresetTimeDialog(TForm2& dialog, const QString& caption, double frame) {
  dialog.setWindowTitle(caption);
  // The frame rate text is always one of the offered rates; anything else
  // shows the time at 0.
  const std::optional<FrameRate> rate =
      FrameRate::Parse(dialog.Form1().FrameRateText().toStdString());
  TimeFields time = rate ? FrameToTime(frame, *rate) : TimeFields{};
  dialog.SpinEdit1->setValue(time.hours);
  dialog.SpinEdit2->setValue(time.minutes);
  dialog.SpinEdit3->setValue(time.seconds);
}

void TForm2::OKButClick() {
  TimeFields time{SpinText(SpinEdit1), SpinText(SpinEdit2), SpinText(SpinEdit3)};
  const std::optional<FrameRate> rate = FrameRate::Parse(ESnimek->currentText().toStdString());
  if (!rate) {
    form1_.Ask().Message(QStringLiteral("Velorin"),
                         QStringLiteral("Chybná hodnota u počtu snímku za vteřinu!"));
    reject();
    return;
  }
  resultFrame = TimeToFrame(time, *rate);
  form1_.SetFrameRateText(ESnimek->currentText());
  Tag = 1;
  accept();
}

void TForm2::StornoButClick() { reject(); }

void TForm2::DetekujButClick() { velorin::DetekujButClick(form1_, this, ESnimek); }

void DetekujButClick(MainForm& form1, QWidget* dialog, QComboBox* rateList) {
  // A film that cannot be opened ends the detection in the general error box;
  // the main window is left as with no film.
  form1.RunCommand(
      [&] { DetectFrameRate(dialog, rateList, form1.Player(), [&form1] { form1.OpenFilm(); }); });
}

void TForm2::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
