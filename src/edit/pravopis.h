#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <optional>
#include <vector>

#include "document/subtitle_list.h"
#include "edit/spelling.h"

namespace velorin {

class MainForm;

// "Kontrola pravopisu": walks the given rows word by word and stops at each
// word the dictionary does not know, with the row's text, the word marked, and
// the dictionary's suggestions. Every replacement is a command of its own
// (one undo step); the rest only moves on or teaches the checker.
class SpellDialog : public QDialog {
  Q_OBJECT
 public:
  SpellDialog(MainForm& form1, SpellChecker& checker, std::vector<int> rows);

  // Finds the first unknown word; false when there is none.
  bool Start();
  // The word the dialog stands at (UTF-8); empty when done.
  std::string CurrentWord() const;

  QLabel* RowLabel;  // "Titulek 12:"
  QLabel* LineText;  // the row's text with the word marked
  QLineEdit* ReplaceEdit;
  QListWidget* Suggestions;
  QPushButton *NahraditBut, *NahraditVseBut, *PreskocitBut, *PreskocitVseBut, *PridatBut,
      *ZavritBut;

 private:
  void NahraditButClick();
  void NahraditVseButClick();
  void PreskocitButClick();
  void PreskocitVseButClick();
  void PridatButClick();
  // To the next unknown word, or the end of the check.
  void Advance();
  void ShowHit();
  std::string Replacement() const;

  MainForm& form1_;
  SpellChecker& checker_;
  SpellWalk walk_;
  ProgressFn progress_;
  std::optional<SpellHit> hit_;
};

}  // namespace velorin
