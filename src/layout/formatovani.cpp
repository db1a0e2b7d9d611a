#include "layout/formatovani.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "layout/tags.h"

namespace velorin {

namespace {

constexpr int kItemHeight = 16;

QColor ToQColor(TagColor c) { return QColor(TagColorRed(c), TagColorGreen(c), TagColorBlue(c)); }

// Draws the list's entries through the combo box's own drawing routine.
class FormatItemDelegate : public QStyledItemDelegate {
 public:
  // The combo box owns its delegate (setItemDelegate does not take it).
  explicit FormatItemDelegate(FormatComboBox& combo) : QStyledItemDelegate(&combo), combo_(combo) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    combo_.ComboBox1DrawItem(*painter, index.row(), option.rect,
                             option.state & QStyle::State_Selected);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    return {s.width() + 40, kItemHeight};
  }

 private:
  const FormatComboBox& combo_;
};

}  // namespace

FormatComboBox::FormatComboBox(QWidget* parent) : QComboBox(parent) {
  setItemDelegate(new FormatItemDelegate(*this));
}

void FormatComboBox::ComboBox1DrawItem(QPainter& painter, int index, const QRect& rect,
                                       bool selected) const {
  painter.save();
  const QPalette& pal = palette();
  painter.fillRect(rect, selected ? pal.highlight() : pal.base());
  const QColor textColor = selected ? pal.highlightedText().color() : pal.text().color();
  const int x = rect.left();
  const int y = rect.top();
  const QString name = itemText(index);
  if (drawing_ == Drawing::Colors) {
    painter.setPen(Qt::black);
    painter.setBrush(itemData(index).value<QColor>());
    painter.drawRect(QRect(QPoint(x + 2, y + 2), QPoint(x + 29, y + 14)));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(textColor);
    painter.drawText(QRect(x + 35, y, rect.width() - 35, rect.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, name);
  } else {
    QFont f(name);
    f.setPointSize(font().pointSize() > 0 ? font().pointSize() : 9);
    painter.setFont(f);
    painter.setPen(textColor);
    painter.drawText(QRect(x + 2, y, rect.width() - 2, rect.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, name);
  }
  painter.restore();
}

void FormatComboBox::paintEvent(QPaintEvent*) {
  // The closed list shows its current entry drawn the same way as in the list.
  QStylePainter painter(this);
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  opt.currentText.clear();
  opt.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, opt);
  if (currentIndex() < 0) return;
  QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
  ComboBox1DrawItem(painter, currentIndex(), field, false);
}

TForm7::TForm7(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setFixedSize(314, 132);
  CentreOnScreen(*this, form1_);

  Label1 = new QLabel(this);
  QFont underlined = Label1->font();
  underlined.setUnderline(true);
  Label1->setFont(underlined);
  Label1->setAlignment(Qt::AlignHCenter);
  Label1->setGeometry(0, 12, width(), 20);

  const char* styleNames[] = {"tučně", "kurzíva", "podtrženě"};
  QCheckBox** checks[] = {&Check1, &Check2, &Check3};
  QLabel** labels[] = {&L1, &L2, &L3};
  const QString styleHint = QStringLiteral("Volba stylu písma vybraných titulků.");
  for (int i = 0; i < 3; ++i) {
    QCheckBox* c = *checks[i] = new QCheckBox(this);
    c->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    c->setGeometry(40 + i * 90, 48, 18, 20);
    c->setToolTip(styleHint);
    c->hide();
    QLabel* l = *labels[i] = new QLabel(QString::fromUtf8(styleNames[i]), this);
    l->setGeometry(60 + i * 90, 48, 70, 20);
    l->setToolTip(styleHint);
    l->installEventFilter(this);
    l->hide();
  }

  EVel = new QLineEdit(this);
  EVel->setMaxLength(2);
  EVel->setGeometry(132, 46, 50, 24);
  EVel->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), EVel));
  EVel->setToolTip(QStringLiteral("Volba velikosti písma vybraných titulků."));
  EVel->hide();

  ComboBox1 = new FormatComboBox(this);
  ComboBox1->setGeometry(57, 46, 200, 24);
  ComboBox1->setToolTip(QStringLiteral("Volba barvy písma vybraných titulků."));
  ComboBox1->setMaxVisibleItems(12);
  ComboBox1->hide();

  OKBut = new QPushButton(QStringLiteral("&OK"), this);
  OKBut->setDefault(true);
  OKBut->setGeometry(72, 92, 80, 28);
  OKBut->setToolTip(QStringLiteral("Potvzení zadaných hodnot."));
  StornoBut = new QPushButton(QStringLiteral("&Storno"), this);
  StornoBut->setGeometry(162, 92, 80, 28);
  StornoBut->setToolTip(QStringLiteral("Uzavření tohoto okna."));
  connect(OKBut, &QPushButton::clicked, this, &TForm7::OKButClick);
  connect(StornoBut, &QPushButton::clicked, this, &TForm7::StornoButClick);
}

char TForm7::KindLetter() const {
  static const char letters[] = {'Y', 'S', 'C', 'F'};
  return FormatKind >= 0 && FormatKind < 4 ? letters[FormatKind] : 'Y';
}

void TForm7::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Not when the window system shows it again (restored from minimised):
  // that would set the lists back to their first choice.
  if (!event->spontaneous()) FormShow();
}

void TForm7::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

void TForm7::FormShow() {
  switch (FormatKind) {
    case 0:
      setWindowTitle(QStringLiteral("Styl vybraných titulků"));
      Label1->setText(QStringLiteral("Zvolte styl titulků:"));
      for (QWidget* w : std::initializer_list<QWidget*>{Check1, L1, Check2, L2, Check3, L3})
        w->show();
      break;
    case 1:
      setWindowTitle(QStringLiteral("Velikost vybraných titulků"));
      Label1->setText(QStringLiteral("Zvolte velikost titulků (2-99):"));
      EVel->show();
      EVel->setFocus();
      break;
    case 2:
      setWindowTitle(QStringLiteral("Barva vybraných titulků"));
      Label1->setText(QStringLiteral("Zvolte barvu titulků:"));
      ComboBox1->SetDrawing(FormatComboBox::Drawing::Colors);
      ComboBox1->clear();
      for (const NamedTagColor& c : kTagColors)
        ComboBox1->addItem(QString::fromUtf8(c.name), ToQColor(c.color));
      ComboBox1->setCurrentIndex(kDefaultTagColorIndex);
      ComboBox1->show();
      ComboBox1->setFocus();
      break;
    case 3:
      setWindowTitle(QStringLiteral("Druh písma vybraných titulků"));
      Label1->setText(QStringLiteral("Zvolte druh písma titulků:"));
      ComboBox1->SetDrawing(FormatComboBox::Drawing::Fonts);
      ComboBox1->clear();
      ComboBox1->addItems(QFontDatabase::families());
      ComboBox1->setCurrentIndex(0);
      ComboBox1->show();
      ComboBox1->setFocus();
      break;
    default:
      break;
  }
}

bool TForm7::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    // L1Click, L2Click, L3Click: a click on a style's name toggles its box.
    if (watched == L1) Check1->toggle();
    if (watched == L2) Check2->toggle();
    if (watched == L3) Check3->toggle();
  }
  return QDialog::eventFilter(watched, event);
}

std::string TForm7::NewTag() const {
  switch (FormatKind) {
    case 0:
      return StyleTag(Check1->isChecked(), Check2->isChecked(), Check3->isChecked());
    case 1:
      return SizeTag(EVel->text().toStdString());
    case 2: {
      QColor c = ComboBox1->currentData().value<QColor>();
      return ColorTag(TagColorFromRgb(c.red(), c.green(), c.blue()));
    }
    case 3:
      return form1_.EncodeText(QStringLiteral("{F:") + ComboBox1->currentText() + '}');
    default:
      return {};
  }
}

void TForm7::OKButClick() {
  form1_.RunCommand([this] {
    // The tag is built first: a size that is not a number (pasted) stops here
    // with the invalid-number error, before anything is changed.
    const std::string tag = NewTag();
    form1_.SetChanged(true);
    SubtitleList& doc = form1_.Doc();
    // Rows handled before a line that cannot be read stay rewritten.
    struct Shown {
      MainForm& form;
      ~Shown() { form.PushRows(0, form.Doc().Count() - 1); }
    } shown{form1_};
    ApplyWholeTag(doc, KindLetter(), tag, form1_.Progress());
    accept();
  });
}

void TForm7::StornoButClick() { reject(); }

}  // namespace velorin
