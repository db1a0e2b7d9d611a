#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace velorin {

class MainForm;

// The statistics of the whole document: first and last frame, count,
// formatting, the most display lines and the subtitle with the longest line.
class TForm8 : public QDialog {
  Q_OBJECT

 public:
  // Computes the figures at once: the dialog is modal, so the list cannot
  // change while it is open. A frame that cannot be read throws Error.
  explicit TForm8(MainForm& form1);

  void FormCreate();
  // Computes the statistics, fills the value labels and sizes the window.
  void ComputeStatistics();
  void OKButClick();

  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label13;     // captions
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11, *Label12, *Label14;  // values
  QPushButton* OKBut;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  MainForm& form1_;
};

}  // namespace velorin
