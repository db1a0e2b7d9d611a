#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QPushButton>

#include "layout/width_fitting.h"

namespace velorin {

class MainForm;

// The width-fitting dialog: measures every display line in the subtitle font
// against a screen width, finds the largest size at which all fit, counts the
// subtitles that do not and re-breaks them, by itself or through the edit
// dialog. It lives for the whole run; closing only hides it, so its font and
// option keep their values between showings.
class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(MainForm& form1);

  // The font the player draws subtitles in; read and saved with the settings.
  QFont subtitleFont;

  QPushButton *Button1, *Button2, *Button3, *Button4, *Button5;
  QLabel *Label2, *Label3;
  QComboBox* SireBox1;
  QCheckBox* Rucne;

  void FormCreate();
  void FormShow();
  void Button1Click();
  void Button2Click();
  void Button5Click();
  void Button3Click();
  void Button4Click();
  void CheckWidths(bool adjust);
  // Shows a re-broken subtitle in the edit dialog; the user decides there.
  void OpenManualEdit(int row, const SubtitleFields& fields, const AdjustedSubtitle& proposal);
  // The subtitle font and the typed screen width; throws the invalid-number
  // error for a width that is not a whole number above 0.
  WidthLimit Limit() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MainForm& form1_;
};

}  // namespace velorin
