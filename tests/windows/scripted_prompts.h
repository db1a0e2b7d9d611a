#pragma once

#include <QStringList>
#include <QTest>
#include <deque>
#include <stdexcept>
#include <vector>

#include "app/prompts.h"

namespace velorin::test {

// Prompts that answer from queues the test fills and record what was shown.
// An unexpected question (empty queue) fails loudly instead of hanging.
//
// When they go away at the end of a test, the test fails if the program asked
// something nobody answered, left a queued answer unused, or showed the error
// box, unless the test called ExpectError(): every command's failure ends in
// that box, so a test that does not read it could otherwise pass although its
// command failed.
class ScriptedPrompts : public Prompts {
 public:
  ScriptedPrompts() = default;
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;
  ~ScriptedPrompts() override { FailOnSurprises(); }

  // The test means the program to show the error box (it reads the text).
  void ExpectError() { errorExpected_ = true; }

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
  bool errorExpected_ = false;
  QStringList unexpected_;

  void FailOnSurprises() const {
    if (QTest::currentTestFailed()) return;  // the first failure says more
    QStringList problems;
    for (const QString& what : unexpected_) problems << "asked with no answer queued: " + what;
    if (!errorExpected_)
      for (const auto& s : shown)
        if (s.kind == "error") problems << "error shown: " + s.text;
    const auto unused = [&](size_t n, const char* what) {
      if (n) problems << QString("%1 queued %2 answer(s) not asked for").arg(n).arg(what);
    };
    unused(yesNo.size(), "question");
    unused(inputs.size(), "input");
    unused(files.size(), "open");
    unused(dirs.size(), "dir");
    unused(fonts.size(), "font");
    if (!problems.isEmpty())
      QTest::qFail(qPrintable("unexpected prompts: " + problems.join("; ")), __FILE__, __LINE__);
  }

  template <typename T>
  T Pop(std::deque<T>& q, const char* what) {
    if (q.empty()) {
      unexpected_ << QString("%1 \"%2\"").arg(what, shown.back().text);
      throw std::logic_error(std::string("unexpected prompt: ") + what);
    }
    T v = std::move(q.front());
    q.pop_front();
    return v;
  }
};

}  // namespace velorin::test
