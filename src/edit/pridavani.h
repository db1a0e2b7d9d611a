#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

#include "document/text_encoding.h"

namespace velorin {

class MainForm;

// Adding subtitles from another file: its lines listed, shifted by a number
// of frames, pruned, then appended (all or the selected ones) to the end of
// the main list.
class TForm6 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm6(MainForm& form1);

  void FormCreate();
  void PrButClick();
  void PrictiButClick();
  void PridatButClick();
  void PridatVybButClick();
  void StornoButClick();
  void ChronoClick();
  void Label1Click();
  void ListBox1KeyDown();
  void Timer1Timer();
  // Appends the listed subtitle lines (or the selected ones) to the main
  // list, sets the added flag and closes.
  void AppendToMainList(bool selectedOnly);

  QLabel *Label1, *Label2, *Label3;
  QLineEdit *PridSoub, *ESnimky;
  QPushButton *PrBut, *PrictiBut, *PridatVybBut, *PridatBut, *StornoBut;
  QCheckBox* Chrono;
  QListWidget* ListBox1;
  QTimer* Timer1;

  // The added flag (the tag of PridatBut): 1 once either add button added.
  int Tag = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows lines_ in ListBox1; nothing selected.
  void FillList();

  MainForm& form1_;
  std::vector<std::string> lines_;              // the listed lines' bytes, as ListBox1 shows them
  TextEncoding encoding_ = TextEncoding::Utf8;  // of the file they came from
};

}  // namespace velorin
