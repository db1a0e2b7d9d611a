#pragma once

#include <QDialog>
#include <QFont>
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

// Shows a modal dialog with the normal pointer, also inside a command that
// shows the hourglass.
inline int ExecModal(QDialog& dialog) {
  NormalCursor normal;
  return dialog.exec();
}

}  // namespace velorin
