#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace velorin {

class MainForm;

// Writing the whole subtitle list as an SRT file beside the target file, at
// a frame rate the user confirms. The list and the change flag stay as they
// are.
class TForm12 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm12(MainForm& form1);

  void FormCreate();
  void DetekujButClick();
  void UlozButClick();
  void StornoButClick();

  QLabel* Label1;
  QComboBox* ESnimek;
  QPushButton *DetekujBut, *UlozBut, *StornoBut;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  MainForm& form1_;
};

}  // namespace velorin
