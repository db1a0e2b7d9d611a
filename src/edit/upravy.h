#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <cstdint>
#include <string>

#include "app/prompts.h"

namespace velorin {

class MainForm;
class SpellUnderline;

// The subtitle edit dialog: the two frames, five display lines and their
// tags of one row of the main list. Every change goes straight into the main
// window's list; the dialog can step to other rows and append a new one.
class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(MainForm& form1);

  // Set by the opener before showing.
  int editedRow = 0;
  std::string editedText;  // the line's bytes after the second '}'
  int32_t editedFirst = 0;
  int32_t editedSecond = 0;
  // Whether filling the dialog also fills the format edits from the text;
  // an opener that fills E0F..E5F itself turns it off.
  // It holds for the opener's text only: a row the dialog moves to fills its
  // format edits from its own text.
  bool formatFilling = true;
  // Whether the opener's text is a proposal not yet in the list: applying is
  // then enabled from the start, so OK writes what is shown.
  bool showsProposal = false;

  QLineEdit *EFrame1, *EFrame2, *EPosun;
  std::array<QLineEdit*, 5> E;   // E1..E5
  std::array<QLineEdit*, 6> EF;  // E0F..E5F
  std::array<QPushButton*, 6> PrBut;
  QPushButton *PouzitBut, *OKBut, *StornoBut, *PredBut, *DalBut, *NovyBut, *NastavitVychBut,
      *NapBut;
  QTimer* Timer1;
  // The unknown words of E1..E5 underlined as the user types.
  SpellUnderline* Pravopis;

  void FormShow();
  void EditChange();
  void PouzitButClick();
  void OKButClick();
  void StornoButClick();
  void PredButClick();
  void DalButClick();
  void NovyButClick();
  void PrButClick(int index);  // PrBut0Click .. PrBut5Click
  void NastavitVychButClick();
  void NapButClick();
  void Timer1Timer();
  void MoveToRow(int delta);
  // The font dialog's starting font for format edit index (0 = E0F): the
  // default format overridden by the edit's tags.
  FontChoice FontFromTags(int index) const;
  // Writes the chosen font into format edit index as tags.
  void TagsFromFont(int index, const FontChoice& choice);

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  MainForm& form1_;
};

}  // namespace velorin
