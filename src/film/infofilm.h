#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace velorin {

class MainForm;

// Film information: name, length and frame count of the open film, read once
// when the dialog is made.
class TForm9 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm9(MainForm& form1, QWidget* parent = nullptr);

  void FormCreate();
  void OKButClick();

  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
  QPushButton* OKBut;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  MainForm& form1_;
};

}  // namespace velorin
