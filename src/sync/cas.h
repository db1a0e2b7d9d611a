#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <cstdint>

namespace velorin {

class MainForm;

// The time dialog: a time in hours, minutes and seconds and a frame rate
// turned into a frame number for E3 or E4 of the main window.
class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(MainForm& form1, QWidget* parent = nullptr);

  void FormCreate();
  void OKButClick();
  void StornoButClick();
  void DetekujButClick();

  QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
  QSpinBox *SpinEdit1, *SpinEdit2, *SpinEdit3;
  QComboBox* ESnimek;
  QPushButton *DetekujBut, *OKBut, *StornoBut;

  int64_t resultFrame = 0;
  int Tag = 0;  // 1 after a confirmed OK: only then is resultFrame the answer

  MainForm& Form1() { return form1_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  MainForm& form1_;
};

// Sets the caption and shows a frame as a time at the main window's frame
// rate text.
void PresetTimeDialog(TForm2& dialog, const QString& caption, double frame);

// Frame-rate detection on a dialog's list of the five rates, shared by every
// dialog that offers them: without an open film the main window's film
// command opens one first; then the rate nearest to the film's is selected.
// A film that cannot be opened is reported in the general error box; nothing
// is thrown.
void DetekujButClick(MainForm& form1, QWidget* dialog, QComboBox* rateList);

}  // namespace velorin
