#include "edit/spell_underline.h"

#include <QAction>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QTextCharFormat>
#include <exception>

#include "app/main_form.h"
#include "edit/spelling.h"

namespace velorin {

namespace {

// UTF-16 length of the first bytes of UTF-8 text.
int Utf16Length(std::string_view utf8) {
  return static_cast<int>(
      QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).size());
}

}  // namespace

SpellUnderline::SpellUnderline(MainForm& form1, std::vector<QLineEdit*> edits, QObject* parent)
    : QObject(parent), form1_(form1), checker_(nullptr), edits_(std::move(edits)) {
  // A dictionary that cannot be opened leaves the fields as they are; the
  // spelling command says what is wrong.
  try {
    checker_ = form1.Speller();
  } catch (const std::exception&) {
    return;
  }
  if (!checker_) return;
  for (QLineEdit* e : edits_) {
    connect(e, &QLineEdit::textChanged, this, [this, e] { Refresh(e); });
    e->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(e, &QWidget::customContextMenuRequested, this, [this, e](const QPoint& pos) {
      QMenu* menu = MakeMenu(e, e->cursorPositionAt(pos));
      menu->setAttribute(Qt::WA_DeleteOnClose);
      menu->popup(e->mapToGlobal(pos));
    });
  }
}

void SpellUnderline::RefreshAll() {
  for (QLineEdit* e : edits_) Refresh(e);
}

std::vector<std::pair<int, int>> SpellUnderline::UnknownRanges(const QLineEdit* edit) const {
  std::vector<std::pair<int, int>> ranges;
  if (!checker_) return ranges;
  const std::string text = edit->text().toStdString();
  for (const TextWord& w : UnknownWords(text, *checker_)) {
    const int start = Utf16Length(std::string_view(text).substr(0, w.offset));
    ranges.emplace_back(start, Utf16Length(w.In(text)));
  }
  return ranges;
}

void SpellUnderline::Refresh(QLineEdit* edit) {
  if (!checker_) return;
  QTextCharFormat wavy;
  wavy.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
  wavy.setUnderlineColor(Qt::red);
  // Input method positions count from the cursor.
  const int cursor = edit->cursorPosition();
  QList<QInputMethodEvent::Attribute> attributes;
  for (const auto& [start, length] : UnknownRanges(edit))
    attributes.append(QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat,
                                                   start - cursor, length, wavy));
  QInputMethodEvent event(QString(), attributes);
  QCoreApplication::sendEvent(edit, &event);
}

QMenu* SpellUnderline::MakeMenu(QLineEdit* edit, int at) {
  QMenu* menu = edit->createStandardContextMenu();
  if (!checker_) return menu;
  for (const auto& range : UnknownRanges(edit)) {
    const int start = range.first, length = range.second;
    if (at < start || at > start + length) continue;
    const QString word = edit->text().mid(start, length);
    QAction* first = menu->actions().value(0);
    std::vector<QAction*> added;
    const std::vector<std::string> suggestions = checker_->Suggest(word.toStdString());
    for (size_t i = 0; i < suggestions.size() && i < 8; ++i) {
      const QString s = QString::fromStdString(suggestions[i]);
      auto* a = new QAction(s, menu);
      // The word is typed over, as the user would: the field's undo and the
      // dialog's change tracking see it.
      connect(a, &QAction::triggered, edit, [edit, start, length, s] {
        edit->setSelection(start, length);
        edit->insert(s);
      });
      added.push_back(a);
    }
    if (suggestions.empty()) {
      auto* none = new QAction(QStringLiteral("(žádné návrhy)"), menu);
      none->setEnabled(false);
      added.push_back(none);
    }
    auto* add = new QAction(QStringLiteral("Přidat do slovníku"), menu);
    connect(add, &QAction::triggered, this, [this, word] {
      form1_.RunCommand([this, &word] { checker_->AddToDictionary(word.toStdString()); });
      RefreshAll();
    });
    auto* ignore = new QAction(QStringLiteral("Ignorovat"), menu);
    connect(ignore, &QAction::triggered, this, [this, word] {
      checker_->Ignore(word.toStdString());
      RefreshAll();
    });
    for (QAction* a : added) menu->insertAction(first, a);
    menu->insertSeparator(first);
    menu->insertAction(first, add);
    menu->insertAction(first, ignore);
    menu->insertSeparator(first);
    break;
  }
  return menu;
}

}  // namespace velorin
