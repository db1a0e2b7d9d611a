#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdint>

namespace velorin {

class MainForm;

// The synchronization-frame dialog: the frame at which a subtitle must
// appear, typed beside its present frame. The answer is Edit1's text after
// the dialog closes: the typed number, or "-1" when OK was not pressed.
class TForm14 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm14(MainForm& form1, QWidget* parent = nullptr);

  // The present frame, shown in Edit2; set before showing.
  void SetPresentFrame(int32_t frame) { presentFrame_ = frame; }
  // A starting value for Edit1. A frame longer than the typing limit is
  // shown whole, so confirming it unchanged does not cut it.
  void SetStartText(const QString& text);

  void FormShow();
  void Timer1Timer();
  void OKButClick();
  void StornoButClick();

  QLabel *Label1, *Label2;
  QLineEdit *Edit1, *Edit2;
  QPushButton *OKBut, *StornoBut;
  QTimer* Timer1;
  int Tag = 0;  // OKBut's Tag: 1 once OK was pressed

  // Every way of closing ends here: without OK the answer becomes "-1".
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  MainForm& form1_;
  int32_t presentFrame_ = 0;
};

}  // namespace velorin
