#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace velorin {

class MainForm;

// The about box: the program's icon, name, version and purpose, its authors
// and two links (e-mail and web) that the desktop opens.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(MainForm& form1);

  // Where the links lead.
  static QString MailAddress();
  static QString WebAddress();

  void EmailLabelClick();
  void WebLabelClick();
  void OKButtonClick();

  QLabel *ProgramIcon, *ProductName, *Version, *Comments, *Author, *EmailLabel, *WebLabel;
  QPushButton* OKButton;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MainForm& form1_;
};

}  // namespace velorin
