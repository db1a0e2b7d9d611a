#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "app/main_form.h"
#include "app/wait_cursor.h"

namespace velorin {

// The background picture repeated from the top-left corner over rect; every
// window and dialog paints it this way.
inline void PaintTiledBackground(QPainter& painter, const QRect& rect, const QPixmap& background) {
  if (!background.isNull()) painter.drawTiledPixmap(rect, background);
}

// A dialog's paint event: the main window's background over the whole dialog.
inline void PaintDialogBackground(QWidget& dialog, const MainForm& form) {
  QPainter p(&dialog);
  PaintTiledBackground(p, dialog.rect(), form.Background());
}

// The main window's font at this screen's scale, for dialogs laid out in the
// same design units.
inline QFont DesignFont(const MainForm& form) {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(form.Scaled(14));
  return font;
}

// Places a dialog in the centre of the screen the main window is on.
inline void CentreOnScreen(QWidget& dialog, MainForm& form) {
  if (QScreen* screen = form.Window()->screen())
    dialog.move(screen->availableGeometry().center() - dialog.rect().center());
}

// What a dialog's constructor builds its controls with, named s there:
// s(16) is 16 design units in pixels at the main window's scale, s.Label
// places a label, s.Command turns a handler into a command.
template <typename Dialog>
class DialogBuilder {
 public:
  DialogBuilder(Dialog& dialog, MainForm& form) : dialog_(dialog), form_(form) {}

  int operator()(int units) const { return form_.Scaled(units); }

  // A label of plain text at a place in design units, as wide as its text.
  QLabel* Label(const QString& text, int left, int top) const {
    auto* label = new QLabel(text, &dialog_);
    label->setTextFormat(Qt::PlainText);
    label->move((*this)(left), (*this)(top));
    label->adjustSize();
    return label;
  }
  QLabel* Label(const char* utf8, int left, int top) const {
    return Label(QString::fromUtf8(utf8), left, top);
  }

  // A bold label of the information dialogs: a value in blue, with a hint.
  QLabel* InfoLabel(const char* utf8, int left, int top, bool value, const char* hint) const {
    QLabel* label = Label(utf8, left, top);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    if (value) label->setStyleSheet(QStringLiteral("QLabel { color: blue; }"));
    label->setToolTip(QString::fromUtf8(hint));
    label->adjustSize();
    return label;
  }

  // A handler of the dialog run as a command of the main window: its error
  // goes to the general error box, and the other commands wait for it.
  auto Command(void (Dialog::*handler)()) const {
    return [dialog = &dialog_, form = &form_, handler] {
      form->RunCommand([dialog, handler] { (dialog->*handler)(); });
    };
  }

 private:
  Dialog& dialog_;
  MainForm& form_;
};

// Shows a modal dialog with the normal pointer, also inside a command that
// shows the hourglass.
inline int ExecModal(QDialog& dialog) {
  NormalCursor normal;
  return dialog.exec();
}

}  // namespace velorin
