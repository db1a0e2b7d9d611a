#include "edit/pridavani.h"

#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QScreen>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "document/file_names.h"
#include "document/text_encoding.h"
#include "edit/adding.h"

namespace velorin {

namespace {

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

TForm6::TForm6(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("Přidání titulků ze souboru"));
  setFont(DesignFont(form1_));
  const DialogBuilder s(*this, form1_);
  auto tip = [](QWidget* w, const char* text) { w->setToolTip(QString::fromUtf8(text)); };
  auto button = [&](const char* text, int left, int top, int width, const char* hint) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setGeometry(s(left), s(top), s(width), s(31));
    tip(b, hint);
    return b;
  };

  Label2 = s.Label("Vyberte soubor, ze kterého chcete přidat titulky:", 16, 12);
  PridSoub = new QLineEdit(this);
  PridSoub->setGeometry(s(16), s(34), s(470), s(26));
  PridSoub->setReadOnly(true);  // shows the chosen file; "..." chooses it
  tip(PridSoub, "Název souboru, ze kterého chcete doplnit titulky.");
  PrBut = button("...", 494, 31, 40, "Výběr souboru, ze kterého chcete doplnit titulky.");

  Label3 = s.Label("Počet snímků, o které chcete přidávané titulky posunout:", 16, 72);
  ESnimky = new QLineEdit(this);
  ESnimky->setGeometry(s(16), s(94), s(100), s(26));
  ESnimky->setMaxLength(8);
  // Digits and the minus sign only; keys that type nothing pass as usual.
  ESnimky->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9-]*")), ESnimky));
  tip(ESnimky,
      "Tato hodnota se přičte ke všem snímkům přidávaných titulků. Hodnota může být i záporná.");
  PrictiBut = button("Přičíst", 126, 91, 100, "Provede přičtení/odečtení uvedené hodnoty.");

  Chrono = new QCheckBox(this);
  Chrono->setGeometry(s(330), s(97), s(20), s(20));
  Label1 = s.Label("Chronologické řazení", 352, 98);
  Label1->installEventFilter(this);
  for (QWidget* w : {static_cast<QWidget*>(Chrono), static_cast<QWidget*>(Label1)})
    tip(w, "Přidané titulky se chronologicky seřadí na základě čísla prvního snímku.");

  ListBox1 = new QListWidget(this);
  ListBox1->setGeometry(s(16), s(134), s(518), s(260));
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox1->setUniformItemSizes(true);
  ListBox1->installEventFilter(this);
  tip(ListBox1, "Obsah souboru, ze kterého chcete doplnit titulky.");

  PridatVybBut = button("Přidat  &vybrané", 100, 408, 110,
                        "Vložení pouze modře označených titulků z přidávaného souboru.");
  PridatBut = button("&Přidat vše", 220, 408, 110, "Vložení všech titulků z přídávaného souboru.");
  PridatBut->setDefault(true);
  StornoBut = button("&Storno", 340, 408, 110, "Uzavření tohoto okna.");

  setFixedSize(s(550), s(454));
  if (QScreen* screen = form1_.Window()->screen())
    move(screen->availableGeometry().center() - rect().center());
  QWidget* order[] = {PridSoub, PrBut,        ESnimky,   PrictiBut, Chrono,
                      ListBox1, PridatVybBut, PridatBut, StornoBut};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(PrBut, &QPushButton::clicked, this, s.Command(&TForm6::PrButClick));
  connect(PrictiBut, &QPushButton::clicked, this, s.Command(&TForm6::PrictiButClick));
  connect(PridatBut, &QPushButton::clicked, this, s.Command(&TForm6::PridatButClick));
  connect(PridatVybBut, &QPushButton::clicked, this, s.Command(&TForm6::PridatVybButClick));
  connect(StornoBut, &QPushButton::clicked, this, &TForm6::StornoButClick);
  connect(Chrono, &QCheckBox::toggled, this, &TForm6::ChronoClick);

  Timer1 = new QTimer(this);
  Timer1->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, &TForm6::Timer1Timer);
  Timer1->start();
  FormCreate();
}

void TForm6::FormCreate() {
  Chrono->setChecked(form1_.Settings().chronologicke);
  Tag = 0;
  Timer1Timer();
}

void TForm6::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

bool TForm6::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label1 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Label1Click();
    return true;
  }
  if (watched == ListBox1 && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    ListBox1KeyDown();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TForm6::PrButClick() {
  std::optional<QString> path = form1_.Ask().OpenFile(
      QStringLiteral("Otevření souboru s titulky"),
      QStringLiteral("soubory s titulky (*.sub *.txt)"), form1_.LastOpenDir());
  if (!path) return;
  form1_.SetLastOpenDir(QFile::decodeName(QByteArray::fromStdString(DirectoryPart(Local(*path)))));
  // A file that cannot be read is reported; the list keeps what it held.
  AddedLines read = ReadAddedLines(Local(*path));
  PridSoub->setText(*path);
  lines_ = std::move(read.lines);
  encoding_ = read.encoding;
  FillList();
}

void TForm6::FillList() {
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(lines_.size()));
  for (const std::string& line : lines_) {
    const std::string utf8 = DecodeText(line, encoding_);
    texts << QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  }
  ListBox1->clear();
  ListBox1->addItems(texts);
}

void TForm6::PrictiButClick() {
  const int64_t offset = ParseFrameOffset(ESnimky->text().toStdString());
  if (ShiftLines(lines_, offset, form1_.Progress()) == ShiftStatus::TooLarge) {
    form1_.Ask().Message(
        QStringLiteral("Velorin"),
        QString::fromUtf8(kMsgShiftedFrameTooLarge.data(),
                          static_cast<qsizetype>(kMsgShiftedFrameTooLarge.size())));
    return;
  }
  const int current = ListBox1->currentRow();
  FillList();  // every item is replaced, so none stays selected
  if (current >= 0) ListBox1->setCurrentRow(current, QItemSelectionModel::NoUpdate);
}

void TForm6::AppendToMainList(bool selectedOnly) {
  std::vector<char> selected(lines_.size(), 0);
  for (const QModelIndex& index : ListBox1->selectionModel()->selectedIndexes())
    if (index.row() < static_cast<int>(selected.size()))
      selected[static_cast<size_t>(index.row())] = 1;
  const std::vector<char>* chosen = selectedOnly ? &selected : nullptr;
  // Characters the document cannot write are never turned into '?' unasked:
  // the document becomes UTF-8, or nothing is added and the dialog stays.
  if (std::optional<size_t> bad = FirstLineNotFitting(form1_.Doc(), lines_, encoding_, chosen)) {
    const std::string question =
        NotFittingQuestion(DecodeText(lines_[*bad], encoding_), form1_.Doc().Encoding());
    if (!form1_.Ask().AskYesNo(QStringLiteral("Upozornění"), QString::fromStdString(question),
                               Prompts::Icon::Warning))
      return;
    ConvertDocumentToUtf8(form1_.Doc(), form1_.Progress());
  }
  form1_.SetChanged(true);
  AppendAddedLines(form1_.Doc(), lines_, encoding_, chosen);
  form1_.PushAllKeepScroll();
  Tag = 1;
  accept();
}

void TForm6::PridatButClick() { AppendToMainList(false); }
void TForm6::PridatVybButClick() { AppendToMainList(true); }
void TForm6::StornoButClick() { reject(); }

void TForm6::ChronoClick() { form1_.Settings().chronologicke = Chrono->isChecked(); }

void TForm6::Label1Click() { Chrono->toggle(); }

void TForm6::ListBox1KeyDown() {
  const QList<QListWidgetItem*> items = ListBox1->selectedItems();
  if (items.isEmpty()) return;
  std::vector<char> remove(lines_.size(), 0);
  for (QListWidgetItem* item : items) remove[static_cast<size_t>(ListBox1->row(item))] = 1;
  std::vector<std::string> kept;
  kept.reserve(lines_.size() - static_cast<size_t>(items.size()));
  for (size_t i = 0; i < lines_.size(); ++i)
    if (!remove[i]) kept.push_back(std::move(lines_[i]));
  lines_ = std::move(kept);
  // Removing rows one by one from the view would be slow for long lists.
  const int current = ListBox1->currentRow();
  FillList();
  if (!lines_.empty())
    ListBox1->setCurrentRow(std::min(current, static_cast<int>(lines_.size()) - 1),
                            QItemSelectionModel::NoUpdate);
}

void TForm6::Timer1Timer() {
  const bool any = ListBox1->count() > 0;
  for (QWidget* w : {static_cast<QWidget*>(PridatBut), static_cast<QWidget*>(ESnimky),
                     static_cast<QWidget*>(Label3), static_cast<QWidget*>(PrictiBut)})
    w->setEnabled(any);
  PridatVybBut->setEnabled(ListBox1->selectionModel()->hasSelection());
}

}  // namespace velorin
