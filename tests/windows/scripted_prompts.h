#pragma once

#include <QStringList>
#include <deque>
#include <stdexcept>
#include <vector>

#include "app/prompts.h"

namespace velorin::test {

// Prompts that answer from queues the test fills and record what was shown.
// An unexpected question (empty queue) fails loudly instead of hanging.
class ScriptedPrompts : public Prompts {
 public:
  struct Shown {
    QString kind;  // "message", "question", "input", "open", "dir", "font", "error"
    QString title;
    QString text;
  };

  std::deque<bool> yesNo;
  std::deque<std::optional<QString>> inputs;
  std::deque<std::optional<QString>> files;
  std::deque<std::optional<QString>> dirs;
  std::deque<std::optional<FontChoice>> fonts;
  std::vector<Shown> shown;

  void Message(const QString& title, const QString& text, Icon) override {
    shown.push_back({"message", title, text});
  }
  bool AskYesNo(const QString& title, const QString& text, Icon) override {
    shown.push_back({"question", title, text});
    return Pop(yesNo, "question");
  }
  std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                  const QString& initial) override {
    shown.push_back({"input", caption, prompt + "|" + initial});
    return Pop(inputs, "input");
  }
  std::optional<QString> OpenFile(const QString& title, const QString& filter,
                                  const QString& startDir) override {
    shown.push_back({"open", title, filter + "|" + startDir});
    return Pop(files, "open");
  }
  std::optional<QString> ChooseDirectory(const QString& title, const QString& startDir) override {
    shown.push_back({"dir", title, startDir});
    return Pop(dirs, "dir");
  }
  std::optional<FontChoice> ChooseFont(const FontChoice&) override {
    shown.push_back({"font", "", ""});
    return Pop(fonts, "font");
  }
  void ShowError(const QString& text) override { shown.push_back({"error", "", text}); }

  // Texts of everything shown, in order.
  QStringList Texts() const {
    QStringList out;
    for (const auto& s : shown) out << s.text;
    return out;
  }
  QStringList Kinds() const {
    QStringList out;
    for (const auto& s : shown) out << s.kind;
    return out;
  }

 private:
  template <typename T>
  static T Pop(std::deque<T>& q, const char* what) {
    if (q.empty()) throw std::logic_error(std::string("unexpected prompt: ") + what);
    T v = std::move(q.front());
    q.pop_front();
    return v;
  }
};

}  // namespace velorin::test
