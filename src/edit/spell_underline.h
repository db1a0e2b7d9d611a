#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPoint>
#include <vector>

namespace velorin {

class MainForm;
class SpellChecker;

// Red wavy underlines under the unknown words of line edits, kept up as the
// user types, and a context menu with the dictionary's suggestions,
// "Přidat do slovníku" and "Ignorovat" on such a word. Does nothing when no
// dictionary is installed.
//
// A QLineEdit has no character formats of its own; the underlines are handed
// to it as an input method's formatting of its text, which it draws without
// the text, the cursor or the undo history changing.
class SpellUnderline : public QObject {
  Q_OBJECT
 public:
  SpellUnderline(MainForm& form1, std::vector<QLineEdit*> edits, QObject* parent);

  // Underlines the unknown words of every edit anew.
  void RefreshAll();
  // The unknown words of an edit as (start, length) in its text's UTF-16
  // positions, as they are underlined.
  std::vector<std::pair<int, int>> UnknownRanges(const QLineEdit* edit) const;
  // The context menu of edit for a click at text position at; the caller
  // owns it.
  QMenu* MakeMenu(QLineEdit* edit, int at);

 private:
  void Refresh(QLineEdit* edit);

  MainForm& form1_;
  SpellChecker* checker_;
  std::vector<QLineEdit*> edits_;
};

}  // namespace velorin
