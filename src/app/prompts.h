#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <optional>

namespace velorin {

// A font chosen in the font dialog, with the colour that Qt's dialog lacks.
struct FontChoice {
  QFont font;
  QColor color;
};

// The desktop's standard dialogs and message boxes. Windows talk to the user
// only through this, so that tests can answer for the user and read back every
// text shown.
class Prompts {
 public:
  enum class Icon { None, Information, Warning, Error, Question };

  virtual ~Prompts() = default;
  // A message box with an OK button.
  virtual void Message(const QString& title, const QString& text, Icon icon = Icon::None) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool AskYesNo(const QString& title, const QString& text, Icon icon = Icon::None) = 0;
  // An input box; nothing when cancelled. The text is at most 255 characters.
  virtual std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                          const QString& initial) = 0;
  // The open-file dialog; filter in the form "description (*.a *.b)". startDir
  // is the folder it opens in. Nothing when cancelled.
  virtual std::optional<QString> OpenFile(const QString& title, const QString& filter,
                                          const QString& startDir) = 0;
  // The folder chooser.
  virtual std::optional<QString> ChooseDirectory(const QString& title, const QString& startDir) = 0;
  // The font dialog with name, size, style, underline and colour.
  virtual std::optional<FontChoice> ChooseFont(const FontChoice& initial) = 0;
  // The general error box of an operation that failed.
  virtual void ShowError(const QString& text) = 0;
};

}  // namespace velorin
