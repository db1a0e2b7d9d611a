#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <array>

namespace velorin {

class MainForm;

// The association dialog: TXT, SUB and SRT files opened by this program or
// not. The boxes start from what the desktop really holds.
class TForm10 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm10(MainForm& form1);

  void FormCreate();
  void OKButClick();
  void StornoButClick();
  void Label1Click();
  void Label2Click();
  void Label3Click();
  // Associates or unassociates each extension whose box differs from its flag.
  void ApplyAssociationChanges();
  // ASOCIACE/Txt, Sub, Srt into the settings file.
  void SaveAssociationFlags();

  QCheckBox *TxtCheck, *SubCheck, *SrtCheck;
  QLabel *Label1, *Label2, *Label3;
  QPushButton *OKBut, *StornoBut;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The extensions in their fixed order, with their boxes and flags.
  std::array<QCheckBox*, 3> Checks() const { return {TxtCheck, SubCheck, SrtCheck}; }
  std::array<bool*, 3> Flags();

  MainForm& form1_;
};

}  // namespace velorin
