#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

namespace velorin {

class MainForm;

// The completion dialog: gives the selected subtitles of the main window a
// second frame by their number of display lines, from a table of five display
// times that it fills from the longest time and a step. Its values are kept in
// the settings file.
class TForm13 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm13(MainForm& form1);

  QLabel *Label1, *Label2, *Label3, *Label4;
  std::array<QLabel*, 5> Heads;  // "1" .. "5" above the table
  QLineEdit *ECas, *EPomerCas;
  QCheckBox *Pomer, *Prazdne;
  std::array<QLineEdit*, 5> Edit;  // Edit1 .. Edit5
  QPushButton *OKBut, *StornoBut;

  void FormCreate();
  void ECasChange();
  void PomerClick();
  void OKButClick();
  void StornoButClick();
  void ReadCompletionSettings();
  void WriteCompletionSettings();

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MainForm& form1_;
};

}  // namespace velorin
