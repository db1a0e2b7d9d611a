#include "edit/pravopis.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "app/main_form.h"

namespace velorin {

namespace {

QString FromUtf8(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

SpellDialog::SpellDialog(MainForm& form1, SpellChecker& checker, std::vector<int> rows)
    : QDialog(form1.Window()), form1_(form1), checker_(checker), walk_(std::move(rows), checker) {
  setWindowTitle(QStringLiteral("Kontrola pravopisu"));
  RowLabel = new QLabel(this);
  LineText = new QLabel(this);
  LineText->setTextFormat(Qt::RichText);
  LineText->setWordWrap(true);
  LineText->setFrameShape(QFrame::StyledPanel);
  LineText->setMinimumWidth(360);
  LineText->setMinimumHeight(48);
  LineText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* replaceLabel = new QLabel(QStringLiteral("Na&hradit za:"), this);
  ReplaceEdit = new QLineEdit(this);
  replaceLabel->setBuddy(ReplaceEdit);
  auto* suggestionsLabel = new QLabel(QStringLiteral("Ná&vrhy:"), this);
  Suggestions = new QListWidget(this);
  suggestionsLabel->setBuddy(Suggestions);
  NahraditBut = new QPushButton(QStringLiteral("&Nahradit"), this);
  NahraditVseBut = new QPushButton(QStringLiteral("Nahradit &vše"), this);
  PreskocitBut = new QPushButton(QStringLiteral("&Přeskočit"), this);
  PreskocitVseBut = new QPushButton(QStringLiteral("Přeskočit vš&e"), this);
  PridatBut = new QPushButton(QStringLiteral("Přid&at do slovníku"), this);
  ZavritBut = new QPushButton(QStringLiteral("&Zavřít"), this);
  NahraditBut->setDefault(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(RowLabel, 0, 0);
  grid->addWidget(LineText, 1, 0);
  grid->addWidget(replaceLabel, 2, 0);
  grid->addWidget(ReplaceEdit, 3, 0);
  grid->addWidget(suggestionsLabel, 4, 0);
  grid->addWidget(Suggestions, 5, 0);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b :
       {NahraditBut, NahraditVseBut, PreskocitBut, PreskocitVseBut, PridatBut, ZavritBut})
    buttons->addWidget(b);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 1, 6, 1);

  connect(Suggestions, &QListWidget::currentTextChanged, this, [this](const QString& text) {
    if (!text.isEmpty()) ReplaceEdit->setText(text);
  });
  connect(Suggestions, &QListWidget::itemDoubleClicked, this, [this] { NahraditBut->click(); });
  connect(ReplaceEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
    NahraditBut->setEnabled(!text.isEmpty());
    NahraditVseBut->setEnabled(!text.isEmpty());
  });
  connect(NahraditBut, &QPushButton::clicked, this, &SpellDialog::NahraditButClick);
  connect(NahraditVseBut, &QPushButton::clicked, this, &SpellDialog::NahraditVseButClick);
  connect(PreskocitBut, &QPushButton::clicked, this, &SpellDialog::PreskocitButClick);
  connect(PreskocitVseBut, &QPushButton::clicked, this, &SpellDialog::PreskocitVseButClick);
  connect(PridatBut, &QPushButton::clicked, this, &SpellDialog::PridatButClick);
  connect(ZavritBut, &QPushButton::clicked, this, &QDialog::reject);
}

bool SpellDialog::Start() {
  // One progress report for the whole walk: the recovery copy is brought up
  // to date once, not at every word.
  progress_ = form1_.Progress();
  hit_ = walk_.Next(form1_.Doc(), progress_);
  if (hit_) ShowHit();
  return hit_.has_value();
}

std::string SpellDialog::CurrentWord() const { return hit_ ? std::string(hit_->Word()) : ""; }

std::string SpellDialog::Replacement() const { return ReplaceEdit->text().toStdString(); }

void SpellDialog::ShowHit() {
  const SpellHit& hit = *hit_;
  form1_.SelectRowOnly(hit.row);
  RowLabel->setText(QStringLiteral("Titulek %1 – slovo není ve slovníku:").arg(hit.row + 1));
  const std::string_view line = hit.line;
  LineText->setText(
      FromUtf8(line.substr(0, hit.word.offset)).toHtmlEscaped() +
      QStringLiteral("<b><u><span style=\"color:#c00000\">") +
      FromUtf8(hit.Word()).toHtmlEscaped() + QStringLiteral("</span></u></b>") +
      FromUtf8(line.substr(hit.word.offset + hit.word.length)).toHtmlEscaped());
  Suggestions->clear();
  for (const std::string& s : checker_.Suggest(hit.Word())) Suggestions->addItem(FromUtf8(s));
  // The best suggestion is offered; without one the word itself, to be edited.
  ReplaceEdit->setText(Suggestions->count() > 0 ? Suggestions->item(0)->text()
                                                : FromUtf8(hit.Word()));
  if (Suggestions->count() > 0) Suggestions->setCurrentRow(0);
  ReplaceEdit->setFocus();
  ReplaceEdit->selectAll();
}

void SpellDialog::Advance() {
  form1_.RunCommand([this] { hit_ = walk_.Next(form1_.Doc(), progress_); });
  if (hit_) {
    ShowHit();
    return;
  }
  form1_.Ask().Message(QStringLiteral("Kontrola pravopisu"),
                       QStringLiteral("Kontrola pravopisu je dokončena."));
  accept();
}

void SpellDialog::NahraditButClick() {
  if (!hit_ || ReplaceEdit->text().isEmpty()) return;
  const std::string replacement = Replacement();
  form1_.RunCommand([this, &replacement] {
    const std::optional<size_t> end = ReplaceHit(form1_.Doc(), *hit_, replacement);
    if (!end) return;  // the row changed under the dialog: the walk reads it anew
    walk_.ContinueAt(*end);
    form1_.PushRows(hit_->row, hit_->row);
    form1_.SetChanged(true);
  });
  Advance();
}

void SpellDialog::NahraditVseButClick() {
  if (!hit_ || ReplaceEdit->text().isEmpty()) return;
  const std::string replacement = Replacement();
  const std::string word(hit_->Word());
  form1_.RunCommand([this, &replacement, &word] {
    // Every row of the check, also where the user skipped the word before.
    size_t end = hit_->word.offset + hit_->word.length;
    if (ReplaceWordInRows(form1_.Doc(), walk_.Rows(), word, replacement, &*hit_, &end) == 0)
      return;
    walk_.ContinueAt(end);
    form1_.PushAllKeepScroll();
    form1_.SetChanged(true);
  });
  Advance();
}

void SpellDialog::PreskocitButClick() { Advance(); }

void SpellDialog::PreskocitVseButClick() {
  if (hit_) checker_.Ignore(hit_->Word());
  Advance();
}

void SpellDialog::PridatButClick() {
  if (!hit_) return;
  const std::string word(hit_->Word());
  if (!form1_.RunCommand([this, &word] { checker_.AddToDictionary(word); })) return;
  Advance();
}

}  // namespace velorin
