#include "edit/upravy.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <utility>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "document/subtitle_line.h"
#include "edit/list_commands.h"
#include "edit/spell_underline.h"
#include "layout/tags.h"
#include "shell/desktop.h"

namespace velorin {

namespace {

std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }

QLineEdit* DigitsEdit(QWidget* parent, int maxLength) {
  auto* e = new QLineEdit(parent);
  e->setMaxLength(maxLength);
  // Only digits can be typed (or pasted); Backspace and the like still work.
  e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
  return e;
}

QLabel* Label(const char* text, QWidget* buddy, QWidget* parent) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setBuddy(buddy);
  return l;
}

}  // namespace

TForm3::TForm3(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto tip = [](QWidget* w, const char* text) { w->setToolTip(QString::fromUtf8(text)); };

  EFrame1 = DigitsEdit(this, 7);
  EFrame2 = DigitsEdit(this, 7);
  tip(EFrame1, "Číslo snímku, při kterém se zobrazí upravovaný titulek.");
  tip(EFrame2, "Číslo snímku, při kterém zmizí upravovaný titulek.");
  for (QLineEdit*& e : E) e = new QLineEdit(this);
  for (QLineEdit*& e : EF) e = new QLineEdit(this);
  // A line edit cuts its text at 32767 characters by default; a longer line
  // of the file would be written back cut.
  for (QLineEdit* e : E) e->setMaxLength(std::numeric_limits<int>::max());
  for (QLineEdit* e : EF) e->setMaxLength(std::numeric_limits<int>::max());
  for (QPushButton*& b : PrBut) b = new QPushButton(QStringLiteral("..."), this);

  static const char* const ordinal[] = {"První", "Druhý", "Třetí", "Čtvrtý", "Pátý"};
  static const char* const ordinalFormat[] = {"prvního", "druhého", "třetího", "čtvrtého",
                                              "páteho"};
  static const char* const ordinalHint[] = {"prvního", "druhého", "třetího", "čtvrtého", "pátého"};
  tip(EF[0], "Formát společný pro všechny řádky upravovaného titulku.");
  tip(PrBut[0], "Nastavení formátu společného pro všechny řádky upravovaného titulku.");
  for (int i = 0; i < 5; ++i) {
    E[i]->setToolTip(QString::fromUtf8(ordinal[i]) +
                     QStringLiteral(" řádek upravovaného titulku."));
    EF[i + 1]->setToolTip(QStringLiteral("Formát ") + QString::fromUtf8(ordinalHint[i]) +
                          QStringLiteral(" řádku upravovaného titulku."));
    PrBut[i + 1]->setToolTip(QStringLiteral("Nastavení formátu ") +
                             QString::fromUtf8(ordinalHint[i]) +
                             QStringLiteral(" řádku upravovaného titulku."));
  }

  PouzitBut = new QPushButton(QStringLiteral("&Použít"), this);
  tip(PouzitBut, "Potvrzení prováděných úprav.");
  OKBut = new QPushButton(QStringLiteral("&OK"), this);
  OKBut->setDefault(true);
  tip(OKBut, "Potvrzení prováděných úprav a uzavření tohoto okna.");
  StornoBut = new QPushButton(QStringLiteral("&Storno"), this);
  tip(StornoBut, "Uzavření tohoto okna bez uložení úprav.");
  PredBut = new QPushButton(QStringLiteral("<"), this);
  tip(PredBut, "Zobrazení předchozího titulku.");
  DalBut = new QPushButton(QStringLiteral(">"), this);
  tip(DalBut, "Zobrazení následujícího titulku.");
  EPosun = DigitsEdit(this, 2);
  tip(EPosun, "Posun o zadaný počet titulků.");
  NovyBut = new QPushButton(QStringLiteral("No&vý"), this);
  tip(NovyBut, "Přidání nové titulku na konec souboru.");
  NastavitVychBut = new QPushButton(QStringLiteral("N&astavit výchozí formát"), this);
  tip(NastavitVychBut, "Výchozí formát druhu, stylu a velikosti písma pro upravované titulky.");
  NapBut = new QPushButton(QStringLiteral("&Nápověda"), this);
  tip(NapBut, "Informace o způsobu formátování titulků.");
  for (QPushButton* b : {PredBut, DalBut}) b->setFixedWidth(32);
  EPosun->setFixedWidth(32);
  EPosun->setAlignment(Qt::AlignCenter);
  for (QPushButton* b : PrBut) b->setFixedWidth(32);
  for (QLineEdit* e : {EFrame1, EFrame2}) e->setFixedWidth(90);

  // Layout: frames, the common format, then each line with its format.
  auto* root = new QVBoxLayout(this);
  auto* frames = new QHBoxLayout;
  frames->addWidget(Label("První snímek:", EFrame1, this));
  frames->addWidget(EFrame1);
  frames->addSpacing(24);
  frames->addWidget(Label("Druhý snímek:", EFrame2, this));
  frames->addWidget(EFrame2);
  frames->addStretch();
  root->addLayout(frames);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->addWidget(Label("Formát všech řádků titulku:", EF[0], this), 0, 1);
  grid->addWidget(EF[0], 1, 1);
  grid->addWidget(PrBut[0], 1, 2);
  for (int i = 0; i < 5; ++i) {
    const int row = 2 + i * 2;
    grid->addWidget(Label((std::string(ordinal[i]) + " řádek titulku:").c_str(), E[i], this), row,
                    0);
    grid->addWidget(
        Label((std::string("Formát ") + ordinalFormat[i] + " řádku:").c_str(), EF[i + 1], this),
        row, 1);
    grid->addWidget(E[i], row + 1, 0);
    grid->addWidget(EF[i + 1], row + 1, 1);
    grid->addWidget(PrBut[i + 1], row + 1, 2);
  }
  root->addLayout(grid);
  root->addSpacing(8);

  auto* nav = new QHBoxLayout;
  nav->addWidget(PredBut);
  nav->addWidget(EPosun);
  nav->addWidget(DalBut);
  nav->addSpacing(16);
  nav->addWidget(NovyBut);
  nav->addStretch();
  nav->addWidget(NastavitVychBut);
  root->addLayout(nav);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {PouzitBut, OKBut, StornoBut, NapBut}) {
    b->setMinimumWidth(90);
    buttons->addWidget(b);
  }
  root->addLayout(buttons);
  setMinimumWidth(720);

  QWidget* order[] = {EFrame1,   EFrame2, EF[0],     PrBut[0], E[0],    EF[1],
                      PrBut[1],  E[1],    EF[2],     PrBut[2], E[2],    EF[3],
                      PrBut[3],  E[3],    EF[4],     PrBut[4], E[4],    EF[5],
                      PrBut[5],  PredBut, EPosun,    DalBut,   NovyBut, NastavitVychBut,
                      PouzitBut, OKBut,   StornoBut, NapBut};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // FormCreate.
  EPosun->setText(QStringLiteral("1"));

  for (QLineEdit* e : {EFrame1, EFrame2})
    connect(e, &QLineEdit::textChanged, this, &TForm3::EditChange);
  for (QLineEdit* e : E) connect(e, &QLineEdit::textChanged, this, &TForm3::EditChange);
  for (QLineEdit* e : EF) connect(e, &QLineEdit::textChanged, this, &TForm3::EditChange);
  Pravopis = new SpellUnderline(form1_, {E.begin(), E.end()}, this);
  const DialogBuilder s(*this, form1_);
  connect(PouzitBut, &QPushButton::clicked, this, s.Command(&TForm3::PouzitButClick));
  connect(OKBut, &QPushButton::clicked, this, s.Command(&TForm3::OKButClick));
  connect(StornoBut, &QPushButton::clicked, this, &TForm3::StornoButClick);
  connect(PredBut, &QPushButton::clicked, this, s.Command(&TForm3::PredButClick));
  connect(DalBut, &QPushButton::clicked, this, s.Command(&TForm3::DalButClick));
  connect(NovyBut, &QPushButton::clicked, this, s.Command(&TForm3::NovyButClick));
  connect(NastavitVychBut, &QPushButton::clicked, this, s.Command(&TForm3::NastavitVychButClick));
  connect(NapBut, &QPushButton::clicked, this, s.Command(&TForm3::NapButClick));
  for (int i = 0; i < 6; ++i)
    connect(PrBut[i], &QPushButton::clicked, this,
            [this, i] { form1_.RunCommand([this, i] { PrButClick(i); }); });

  Timer1 = new QTimer(this);
  Timer1->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, &TForm3::Timer1Timer);
  Timer1->start();
}

void TForm3::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm3::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

void TForm3::FormShow() {
  const SubtitleList& doc = form1_.Doc();
  setWindowTitle(QStringLiteral("Úprava titulku %1/%2").arg(editedRow + 1).arg(doc.Count()));
  for (QLineEdit* e : E) e->clear();
  // Seven characters limit typing only: a longer frame of the line is shown
  // whole, or applying would write it cut.
  for (auto [edit, frame] : {std::pair{EFrame1, editedFirst}, std::pair{EFrame2, editedSecond}}) {
    const QString text = frame > 0 ? QString::number(frame) : QString();
    edit->setMaxLength(std::max<int>(7, static_cast<int>(text.size())));
    edit->setText(text);
  }
  EditFields fields = EditFieldsFromText(editedText);
  for (int i = 0; i < 5; ++i) E[i]->setText(form1_.DecodeLine(fields.lines[i]));
  if (formatFilling)
    for (int i = 0; i < 6; ++i) EF[i]->setText(form1_.DecodeLine(fields.formats[i]));
  PouzitBut->setEnabled(std::exchange(showsProposal, false));
}

void TForm3::EditChange() { PouzitBut->setEnabled(true); }

void TForm3::PouzitButClick() {
  form1_.SetChanged(true);
  PouzitBut->setEnabled(false);
  EditFields fields;
  for (int i = 0; i < 5; ++i) fields.lines[i] = form1_.EncodeText(E[i]->text());
  for (int i = 0; i < 6; ++i) fields.formats[i] = form1_.EncodeText(EF[i]->text());
  std::string line = LineFromEditFields(form1_.EncodeText(EFrame1->text()),
                                        form1_.EncodeText(EFrame2->text()), fields);
  SubtitleList& doc = form1_.Doc();
  doc.Replace(editedRow, std::move(line));
  form1_.PushRows(editedRow, editedRow);
  if (editedRow == 0 || editedRow == doc.Count() - 1) form1_.UpdateFrameFields();
}

void TForm3::OKButClick() {
  if (PouzitBut->isEnabled()) PouzitButClick();
  accept();
}

void TForm3::StornoButClick() { reject(); }

void TForm3::DalButClick() {
  const int step = ToInt32(EPosun->text().toStdString());
  MoveToRow(SteppedRow(editedRow, step, form1_.Doc().Count()) - editedRow);
}

void TForm3::PredButClick() {
  const int step = ToInt32(EPosun->text().toStdString());
  MoveToRow(SteppedRow(editedRow, -int64_t{step}, form1_.Doc().Count()) - editedRow);
}

void TForm3::MoveToRow(int delta) {
  if (PouzitBut->isEnabled()) PouzitButClick();
  const int row = editedRow + delta;
  SubtitleFields f = ParseSubtitleLine(form1_.Doc().Line(row));
  editedRow = row;
  editedFirst = f.first;
  editedSecond = f.second;
  editedText = std::move(f.text);
  // The opener's formats belonged to its own row.
  formatFilling = true;
  form1_.SelectRowOnly(row);
  FormShow();
}

void TForm3::Timer1Timer() {
  EPosun->setEnabled(true);
  NovyBut->setEnabled(true);
  PredBut->setEnabled(editedRow > 0);
  DalBut->setEnabled(editedRow < form1_.Doc().Count() - 1);
}

void TForm3::NovyButClick() {
  SubtitleList& doc = form1_.Doc();
  doc.Add(NewLineAfter(doc));
  editedRow = doc.Count() - 1;
  SubtitleFields f = ParseSubtitleLine(doc.Line(editedRow));
  editedFirst = f.first;
  editedSecond = f.second;
  editedText = std::move(f.text);
  formatFilling = true;
  FormShow();
  E[0]->setFocus();
  form1_.PushAllKeepScroll();
  form1_.SelectRowOnly(editedRow);
  form1_.SetChanged(true);
}

FontChoice TForm3::FontFromTags(int index) const {
  const FontChoice defaults = form1_.DefaultFormat();
  const QFont& def = defaults.font;
  const QColor& defColor = defaults.color;
  TagFont base;
  base.family = Utf8(def.family());
  base.size = def.pointSize();
  base.bold = def.bold();
  base.italic = def.italic();
  base.underline = def.underline();
  base.color = TagColorFromRgb(defColor.red(), defColor.green(), defColor.blue());
  TagFont tf = velorin::FontFromTags(Utf8(EF[index]->text()), base);
  QFont font(def);
  font.setFamily(QString::fromStdString(tf.family));
  if (tf.size > 0) font.setPointSize(tf.size);
  font.setBold(tf.bold);
  font.setItalic(tf.italic);
  font.setUnderline(tf.underline);
  return {font, QColor(TagColorRed(tf.color), TagColorGreen(tf.color), TagColorBlue(tf.color))};
}

void TForm3::TagsFromFont(int index, const FontChoice& choice) {
  const QFont& f = choice.font;
  TagFont tf;
  tf.family = Utf8(f.family());
  tf.size = f.pointSize() > 0 ? f.pointSize() : QFontInfo(f).pointSize();
  tf.bold = f.bold();
  tf.italic = f.italic();
  tf.underline = f.underline();
  const QColor c = choice.color.isValid() ? choice.color : QColor(Qt::black);
  tf.color = TagColorFromRgb(c.red(), c.green(), c.blue());
  EF[index]->setText(QString::fromStdString(velorin::TagsFromFont(tf, index == 0)));
}

void TForm3::PrButClick(int index) {
  // A size tag without digits stops here, before the font dialog is shown.
  FontChoice initial = FontFromTags(index);
  std::optional<FontChoice> chosen = form1_.Ask().ChooseFont(initial);
  if (chosen) TagsFromFont(index, *chosen);
}

void TForm3::NastavitVychButClick() {
  std::optional<FontChoice> chosen = form1_.Ask().ChooseFont(form1_.DefaultFormat());
  if (chosen) form1_.SetDefaultFormat(*chosen);
}

void TForm3::NapButClick() {
  ShowHelpPage(form1_, form1_.ResourceDir() + QStringLiteral("formatovani.htm"));
}

}  // namespace velorin
