#pragma once

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <exception>

#include "app/hlform.h"
#include "app/wait_cursor.h"

namespace velorin {

// Repeats the main window's background picture from the top-left corner.
inline void PaintDialogBackground(QWidget& dialog, const TForm1& form1) {
  if (form1.background.isNull()) return;
  QPainter p(&dialog);
  p.drawTiledPixmap(dialog.rect(), form1.background);
}

// Runs a dialog's handler; an error ends it in the general error box.
template <typename Fn>
void RunGuarded(TForm1& form1, Fn&& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    NormalCursor normal;
    form1.Ask().ShowError(QString::fromUtf8(e.what()));
  }
}

}  // namespace velorin
