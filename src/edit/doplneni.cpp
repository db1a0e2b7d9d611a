#include "edit/doplneni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "document/ini_file.h"
#include "edit/completion.h"
#include "shell/settings.h"

namespace velorin {

namespace {

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

QLineEdit* DigitsEdit(QWidget* parent, int maxLength, const char* hint) {
  auto* e = new QLineEdit(parent);
  e->setMaxLength(maxLength);
  // Only digits are typed or pasted; Backspace, Delete, arrows and Tab work.
  e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
  e->setAlignment(Qt::AlignRight);
  e->setToolTip(QString::fromUtf8(hint));
  return e;
}

// A number from the settings file: the typing limit does not cut it.
void SetNumber(QLineEdit* edit, int32_t value, int typingLimit) {
  const QString text = QString::number(value);
  edit->setMaxLength(std::max<int>(typingLimit, static_cast<int>(text.size())));
  edit->setText(text);
}

}  // namespace

TForm13::TForm13(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("Úprava čísla druhého snímku"));
  const DialogBuilder s(*this, form1_);

  Label1 = s.Label("Jak dlouho mají být titulky nejdéle zobrazeny?", 16, 14);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  Label1->adjustSize();
  Label2 = s.Label("Zadejte hodnotu v rozmezí 1 až 500 sekund:", 16, 50);
  ECas = DigitsEdit(this, 3, "Čas v sekundách, po který budou vybrané titulky zobrazeny.");
  ECas->setGeometry(0, s(46), s(56), s(24));
  Label2->setBuddy(ECas);

  const char* pomerHint =
      "Při zaškrtnutí této volby platí, že čím více řádků má daný titulek, tím delší dobu bude "
      "zobrazen.";
  Pomer = new QCheckBox(this);
  Pomer->setGeometry(s(16), s(84), s(20), s(22));
  Pomer->setToolTip(QString::fromUtf8(pomerHint));
  Label3 = s.Label("poměrové přiřazení délky zobrazení", 38, 86);
  Label3->setToolTip(QString::fromUtf8(pomerHint));
  EPomerCas = DigitsEdit(this, 2, "Rozestup mezi titulky s různým počtem řádků (v sekundách).");
  EPomerCas->setGeometry(0, s(82), s(56), s(24));

  const char* prazdneHint =
      "Při zaškrtnutí této volby se veškeré úpravy provedou pouze u titulků, u kterých chybí "
      "číslo druhého snímku.";
  Prazdne = new QCheckBox(this);
  Prazdne->setGeometry(s(16), s(118), s(20), s(22));
  Prazdne->setToolTip(QString::fromUtf8(prazdneHint));
  Label4 = s.Label("pouze titulky bez čísla druhého snímku", 38, 120);
  Label4->setToolTip(QString::fromUtf8(prazdneHint));
  for (QLabel* l : {Label3, Label4}) l->installEventFilter(this);

  static const char* const kinds[] = {"jednořádkové", "dvojřádkové", "trojřádkové", "čtyřřádkové",
                                      "pětiřádkové"};
  for (int i = 0; i < 5; ++i) {
    Heads[i] = new QLabel(QString::number(i + 1), this);
    Heads[i]->setAlignment(Qt::AlignCenter);
    Heads[i]->setGeometry(0, s(156), s(56), s(20));
    const std::string hint =
        std::string("Čas v sekundách, po který budou zobrazeny ") + kinds[i] + " titulky.";
    Edit[i] = DigitsEdit(this, 3, hint.c_str());
    Edit[i]->setGeometry(0, s(176), s(56), s(24));
  }

  OKBut = new QPushButton(QStringLiteral("&OK"), this);
  OKBut->resize(s(90), s(31));
  OKBut->setDefault(true);
  StornoBut = new QPushButton(QStringLiteral("&Storno"), this);
  StornoBut->resize(s(90), s(31));

  // The fields stand right of the longest caption beside them and the table
  // and the buttons in the middle, whatever the width of the window font.
  auto right = [](QWidget* w) { return w->x() + w->width(); };
  const int column = std::max(right(Label2), right(Label3)) + s(12);
  ECas->move(column, ECas->y());
  EPomerCas->move(column, EPomerCas->y());
  const int width = std::max({right(ECas), right(Label1), right(Label4), s(376)}) + s(16);
  const int tableLeft = (width - 5 * Edit[0]->width() - 4 * s(8)) / 2;
  for (int i = 0; i < 5; ++i) {
    Heads[i]->move(tableLeft + i * (Edit[0]->width() + s(8)), Heads[i]->y());
    Edit[i]->move(Heads[i]->x(), Edit[i]->y());
  }
  OKBut->move(width / 2 - s(10) - OKBut->width(), s(222));
  StornoBut->move(width / 2 + s(10), s(222));
  setFixedSize(width, s(270));

  QWidget* order[] = {ECas,    Pomer,   EPomerCas, Prazdne, Edit[0],  Edit[1],
                      Edit[2], Edit[3], Edit[4],   OKBut,   StornoBut};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(ECas, &QLineEdit::textChanged, this, s.Command(&TForm13::ECasChange));
  connect(EPomerCas, &QLineEdit::textChanged, this, s.Command(&TForm13::ECasChange));
  connect(Pomer, &QCheckBox::toggled, this, s.Command(&TForm13::PomerClick));
  connect(OKBut, &QPushButton::clicked, this, s.Command(&TForm13::OKButClick));
  connect(StornoBut, &QPushButton::clicked, this, &TForm13::StornoButClick);
  FormCreate();
}

void TForm13::FormCreate() {
  form1_.RunCommand([this] { ReadCompletionSettings(); });
}

void TForm13::ReadCompletionSettings() {
  const CompletionSettings stored =
      velorin::ReadCompletionSettings(IniFile(Local(form1_.SettingsFile())));
  // Each field recomputes the table as it is filled; the stored table comes
  // last, so it is what the dialog shows.
  SetNumber(ECas, stored.doba, 3);
  Pomer->setChecked(stored.pomerne);
  EPomerCas->setEnabled(Pomer->isChecked());
  SetNumber(EPomerCas, stored.pomerneCas, 2);
  Prazdne->setChecked(stored.prazdne);
  for (size_t i = 0; i < 5; ++i) SetNumber(Edit[i], stored.rad[i], 3);
}

void TForm13::WriteCompletionSettings() {
  CompletionFields fields;
  fields.doba = ECas->text().toStdString();
  fields.pomerne = Pomer->isChecked();
  fields.pomerneCas = EPomerCas->text().toStdString();
  fields.prazdne = Prazdne->isChecked();
  for (size_t i = 0; i < 5; ++i) fields.rad[i] = Edit[i]->text().toStdString();
  const QString file = form1_.SettingsFile();
  QDir().mkpath(QFileInfo(file).absolutePath());
  IniFile ini(Local(file));
  velorin::WriteCompletionSettings(ini, fields);
}

void TForm13::ECasChange() {
  const CompletionSeconds table =
      CompletionTable(CompletionFieldValue(ECas->text().toStdString()),
                      CompletionFieldValue(EPomerCas->text().toStdString()), Pomer->isChecked());
  for (size_t i = 0; i < 5; ++i) Edit[i]->setText(QString::number(table[i]));
}

void TForm13::PomerClick() {
  ECasChange();
  EPomerCas->setEnabled(Pomer->isChecked());
}

bool TForm13::eventFilter(QObject* watched, QEvent* event) {
  // Label3Click, Label4Click: a click on the caption toggles its box.
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == Label3) Pomer->toggle();
    if (watched == Label4) Prazdne->toggle();
  }
  return QDialog::eventFilter(watched, event);
}

void TForm13::OKButClick() {
  // An empty field stops here with the invalid-number error: the list is not
  // touched and the dialog stays open.
  WriteCompletionSettings();
  CompletionSeconds seconds;
  for (size_t i = 0; i < 5; ++i) seconds[i] = CompletionEntrySeconds(Edit[i]->text().toStdString());
  // Every row is read and every result checked before the list changes.
  if (CompleteSecondFrames(form1_.Doc(), seconds, Prazdne->isChecked(), form1_.Progress()) ==
      CompletionStatus::TooLarge) {
    form1_.Ask().Message(
        QStringLiteral("Velorin"),
        QString::fromUtf8(kMsgSecondFrameTooLarge.data(), kMsgSecondFrameTooLarge.size()),
        Prompts::Icon::Warning);
    return;
  }
  form1_.SetChanged(true);
  form1_.PushAllKeepScroll();
  form1_.UpdateFrameFields();
  WriteCompletionSettings();
  accept();
}

void TForm13::StornoButClick() { reject(); }

void TForm13::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
