#pragma once

#include <QPointer>
#include <QWidget>

#include "app/prompts.h"

namespace velorin {

// Prompts on Qt's standard dialogs.
class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  void Message(const QString& title, const QString& text, Icon icon) override;
  bool AskYesNo(const QString& title, const QString& text, Icon icon) override;
  std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                  const QString& initial) override;
  std::optional<QString> OpenFile(const QString& title, const QString& filter,
                                  const QString& startDir) override;
  std::optional<QString> ChooseDirectory(const QString& title, const QString& startDir) override;
  std::optional<FontChoice> ChooseFont(const FontChoice& initial) override;
  void ShowError(const QString& text) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace velorin
