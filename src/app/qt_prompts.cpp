#include "app/qt_prompts.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/wait_cursor.h"

namespace velorin {

namespace {

QMessageBox::Icon ToQt(Prompts::Icon icon) {
  switch (icon) {
    case Prompts::Icon::Information:
      return QMessageBox::Information;
    case Prompts::Icon::Warning:
      return QMessageBox::Warning;
    case Prompts::Icon::Error:
      return QMessageBox::Critical;
    case Prompts::Icon::Question:
      return QMessageBox::Question;
    case Prompts::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// Qt's buttons are captioned in the program's language.
void CzechButtons(QMessageBox& box) {
  if (auto* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("&Ano"));
  if (auto* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("&Ne"));
}

}  // namespace

void QtPrompts::Message(const QString& title, const QString& text, Icon icon) {
  NormalCursor normal;
  QMessageBox box(ToQt(icon), title, text, QMessageBox::Ok, parent_);
  box.exec();
}

bool QtPrompts::AskYesNo(const QString& title, const QString& text, Icon icon) {
  NormalCursor normal;
  QMessageBox box(ToQt(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent_);
  CzechButtons(box);
  return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtPrompts::InputBox(const QString& caption, const QString& prompt,
                                           const QString& initial) {
  NormalCursor normal;
  QInputDialog dlg(parent_);
  dlg.setWindowTitle(caption);
  dlg.setLabelText(prompt);
  dlg.setTextValue(initial);
  dlg.setOkButtonText(QStringLiteral("OK"));
  dlg.setCancelButtonText(QStringLiteral("Storno"));
  if (auto* edit = dlg.findChild<QLineEdit*>()) edit->setMaxLength(255);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.textValue().left(255);
}

std::optional<QString> QtPrompts::OpenFile(const QString& title, const QString& filter,
                                           const QString& startDir) {
  NormalCursor normal;
  // Patterns may be written "(*.sub, *.txt)"; Qt separates them by blanks only.
  QString patterns = filter;
  patterns.replace(QStringLiteral(", *"), QStringLiteral(" *"));
  QString path = QFileDialog::getOpenFileName(parent_, title, startDir, patterns);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtPrompts::ChooseDirectory(const QString& title, const QString& startDir) {
  NormalCursor normal;
  QString path = QFileDialog::getExistingDirectory(parent_, title, startDir);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<FontChoice> QtPrompts::ChooseFont(const FontChoice& initial) {
  NormalCursor normal;
  // Qt's font dialog has no colour: a colour button below it completes it.
  QDialog dlg(parent_);
  dlg.setWindowTitle(QStringLiteral("Písmo"));
  auto* layout = new QVBoxLayout(&dlg);
  auto* fonts = new QFontDialog(initial.font, &dlg);
  fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
  // A dialog is a window of its own: as a plain widget it sits inside ours.
  fonts->setWindowFlags(Qt::Widget);
  fonts->setVisible(true);
  layout->addWidget(fonts);
  QColor color = initial.color.isValid() ? initial.color : QColor(Qt::black);
  auto* colorButton = new QPushButton(QStringLiteral("&Barva..."), &dlg);
  auto paintButton = [&] {
    colorButton->setStyleSheet(
        QStringLiteral("QPushButton { border: 2px solid %1; padding: 4px; }").arg(color.name()));
  };
  paintButton();
  QObject::connect(colorButton, &QPushButton::clicked, &dlg, [&] {
    QColor c = QColorDialog::getColor(color, &dlg, QStringLiteral("Barva písma"));
    if (c.isValid()) {
      color = c;
      paintButton();
    }
  });
  layout->addWidget(colorButton);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Storno"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  layout->addWidget(buttons);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return FontChoice{fonts->currentFont(), color};
}

void QtPrompts::ShowError(const QString& text) {
  NormalCursor normal;
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Velorin"), text, QMessageBox::Ok, parent_);
  box.exec();
}

}  // namespace velorin
