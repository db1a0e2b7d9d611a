#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velorin {

// The find dialog: the text, the match-case option and the direction. It is
// not modal and stays open between searches; every press of "Najít další"
// emits Find.
class FindDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FindDialog(QWidget* parent = nullptr);

  QString FindText() const { return findEdit->text(); }
  bool MatchCase() const { return matchCase->isChecked(); }
  bool Down() const { return down->isChecked(); }

  QLineEdit* findEdit;
  QCheckBox* matchCase;
  QRadioButton* up;
  QRadioButton* down;
  QPushButton* findNext;
  QPushButton* cancel;

 signals:
  void Find();
};

}  // namespace velorin
