#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace velorin {

class MainForm;

// The format conversion: the file named by the main window's source field is
// not frame-based (SRT or time-code lines); at the frame rate the user
// chooses its subtitles become frame lines appended to the main list.
class TForm5 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm5(MainForm& form1);

  void FormCreate();
  void DetekujButClick();
  void PrevodButClick();
  void StornoButClick();

  QLabel *Label1, *Label2, *Label3;
  QComboBox* FrameBox;
  QPushButton *DetekujBut, *PrevodBut, *StornoBut;

  int Tag = 0;  // 1 once the whole file was converted into the list

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  MainForm& form1_;
};

}  // namespace velorin
