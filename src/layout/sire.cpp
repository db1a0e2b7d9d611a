#include "layout/sire.h"

#include <QFontInfo>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "edit/upravy.h"
#include "layout/qt_text_measurer.h"

namespace velorin {

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// The view follows the list when a command ends, also when it stopped at a
// line that cannot be read.
struct PushWhenDone {
  MainForm& form;
  ~PushWhenDone() { form.PushAllKeepScroll(); }
};

}  // namespace

TForm4::TForm4(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) &
                 ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("Velikost písma titulků"));
  const DialogBuilder s(*this, form1_);
  auto button = [&](const char* text, int top, const char* hint) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setGeometry(s(20), s(top), s(380), s(31));
    b->setToolTip(QString::fromUtf8(hint));
    return b;
  };

  // Created in the tab order.
  Button1 = button("Nastavení velikosti a druhu písma", 16,
                   "Volba druhu, velikosti a řezu písma, ve kterém se zobrazují titulky ve vašem "
                   "přehrávači.");
  Label3 = new QLabel(QStringLiteral("Počet obrazových bodů šíře obrazovky:"), this);
  Label3->move(s(20), s(66));
  Label3->adjustSize();
  SireBox1 = new QComboBox(this);
  SireBox1->setEditable(true);
  SireBox1->setInsertPolicy(QComboBox::NoInsert);
  SireBox1->setGeometry(Label3->x() + Label3->width() + s(10), s(62), s(110), s(26));
  SireBox1->setToolTip(QStringLiteral("Volba rozlišení, které používate při přehrávání filmů."));
  Label3->setBuddy(SireBox1);
  Button2 = button("Zjištění maximální velikosti písma", 102,
                   "Zjištění velikosti písma, při kterém se všechny titulky vejdou na obrazovku.");
  Button5 = button("Počet přesahujících titulků", 141,
                   "Počet titulků, které se nevejdou na obrazovku při vámi zadané velikosti "
                   "písma.");
  Button3 = button("Úprava titulků pro danou velikost písma", 180,
                   "Automatické rozdělení přesahujících titulků do více řádků.");
  const QString manualHint =
      QStringLiteral("Ruční doupravení přesahujících titulků rozdělením do více řádků.");
  Rucne = new QCheckBox(this);
  Rucne->setGeometry(s(22), s(221), s(20), s(22));
  Rucne->setToolTip(manualHint);
  Label2 = new QLabel(QStringLiteral("Ručně poupravit přesahující titulky"), this);
  Label2->setGeometry(s(44), s(221), s(356), s(22));
  Label2->setToolTip(manualHint);
  Label2->installEventFilter(this);
  Button4 = button("Návrat do hlavního okna", 256, "Uzavření tohoto okna.");
  // As wide as the caption and the widths need, the buttons across.
  const int width = std::max(SireBox1->x() + SireBox1->width(), s(400)) + s(20);
  for (QPushButton* b : {Button1, Button2, Button5, Button3, Button4})
    b->resize(width - 2 * s(20), b->height());
  Label2->resize(width - Label2->x() - s(20), Label2->height());
  setFixedSize(width, s(303));

  // The first subtitle font: Arial, bold, 22 points.
  subtitleFont = ToQFont(SubtitleFont{});

  connect(Button1, &QPushButton::clicked, this, s.Command(&TForm4::Button1Click));
  connect(Button2, &QPushButton::clicked, this, s.Command(&TForm4::Button2Click));
  connect(Button5, &QPushButton::clicked, this, s.Command(&TForm4::Button5Click));
  connect(Button3, &QPushButton::clicked, this, s.Command(&TForm4::Button3Click));
  connect(Button4, &QPushButton::clicked, this, &TForm4::Button4Click);
  // The option lives with the settings, which write it back.
  connect(Rucne, &QCheckBox::toggled, this,
          [this](bool checked) { form1_.Settings().rucneUpravit = checked; });
  FormCreate();
}

void TForm4::FormCreate() {
  for (int width : {640, 720, 800, 848, 960, 1024, 1152, 1280, 1360, 1600, 1800, 1920, 2048})
    SireBox1->addItem(QString::number(width));
}

void TForm4::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm4::FormShow() {
  QScreen* screen = form1_.Window()->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    // The width in the screen's own pixels, as the player fills it.
    SireBox1->setEditText(
        QString::number(qRound(screen->geometry().width() * screen->devicePixelRatio())));
    move(screen->availableGeometry().center() - rect().center());
  }
  Rucne->setChecked(form1_.Settings().rucneUpravit);
}

void TForm4::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
  // Label2Click: the caption beside the box toggles it.
  if (watched == Label2 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
    Rucne->toggle();
  return QDialog::eventFilter(watched, event);
}

WidthLimit TForm4::Limit() const {
  return {ToSubtitleFont(subtitleFont), ParseResolution(SireBox1->currentText().toStdString())};
}

void TForm4::Button1Click() {
  // The dialog lists the faces the screen has: "Arial" is shown as the face
  // that draws it, and keeps its name when that face is chosen again.
  QFont shown = subtitleFont;
  shown.setFamily(QFontInfo(subtitleFont).family());
  std::optional<FontChoice> chosen = form1_.Ask().ChooseFont({shown, QColor(Qt::black)});
  if (!chosen) return;
  // Name, size and style; the colour means nothing to a width.
  SubtitleFont font = ToSubtitleFont(chosen->font);
  if (QString::fromStdString(font.name) == shown.family())
    font.name = subtitleFont.family().toStdString();
  subtitleFont = ToQFont(font);
}

void TForm4::Button2Click() {
  const WidthLimit limit = Limit();
  QtTextMeasurer measurer(form1_.Window());
  const int32_t size = LargestFittingSize(form1_.Doc(), measurer, limit, form1_.Progress());
  form1_.Ask().Message(QStringLiteral("Velorin"), Text(LargestSizeMessage(size)));
}

void TForm4::Button5Click() { CheckWidths(false); }

void TForm4::Button3Click() { CheckWidths(true); }

void TForm4::Button4Click() { reject(); }

void TForm4::CheckWidths(bool adjust) {
  // A width that is no number stops the command before anything is marked changed.
  const WidthLimit limit = Limit();
  if (adjust) form1_.SetChanged(true);
  QtTextMeasurer measurer(form1_.Window());
  if (!adjust) {
    const int count = CountTooWide(form1_.Doc(), measurer, limit, form1_.Progress());
    form1_.Ask().Message(QStringLiteral("Velorin"),
                         Text(TooWideCountMessage(limit.font.size, count)));
    return;
  }
  const bool manual = Rucne->isChecked();
  int count = 0;
  {
    // Every row accepted in the edit dialog belongs to this one command.
    OneUndoStep step(form1_);
    PushWhenDone push{form1_};
    ManualAdjustFn edit;
    if (manual)
      edit = [this](int row, const SubtitleFields& fields, const AdjustedSubtitle& proposal) {
        OpenManualEdit(row, fields, proposal);
      };
    count = AdjustTooWide(form1_.Doc(), measurer, limit, edit, form1_.Progress());
  }
  if (count > 0 && !manual)
    form1_.Ask().Message(QStringLiteral("Velorin"), Text(NotAdjustedMessage(count)));
}

void TForm4::OpenManualEdit(int row, const SubtitleFields& fields,
                            const AdjustedSubtitle& proposal) {
  TForm3 dialog(form1_);
  dialog.editedText = proposal.plain;
  dialog.editedFirst = fields.first;
  dialog.editedSecond = fields.second;
  dialog.editedRow = row;
  // The formats come from the old lines, not from the proposal's plain text.
  dialog.formatFilling = false;
  dialog.EF[0]->setText(form1_.DecodeLine(proposal.tags.whole));
  for (size_t i = 0; i < 5; ++i)
    dialog.EF[i + 1]->setText(form1_.DecodeLine(proposal.tags.lines[i]));
  // The proposal is not in the list yet: OK writes it as shown.
  dialog.showsProposal = true;
  ExecModal(dialog);
}

}  // namespace velorin
