#pragma once

#include <QDialog>
#include <QFont>

namespace velorin {

class MainForm;

// The width-fitting dialog. It lives for the whole run and holds the subtitle
// font used to measure lines.
class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(MainForm& form1);

  QFont subtitleFont;

 private:
  MainForm& form1_;
};

}  // namespace velorin
