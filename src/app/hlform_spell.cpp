// Spelling: the check of the list, the dictionary menu and the checker the
// dialogs share.
#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>

#include "app/dialog_support.h"
#include "app/hlform.h"
#include "document/ini_file.h"
#include "edit/hunspell_checker.h"
#include "edit/pravopis.h"

namespace velorin {

namespace {

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

constexpr std::string_view kSection = "PRAVOPIS";
constexpr std::string_view kKey = "Slovnik";

}  // namespace

std::string TForm1::SpellDictionary() const {
  return IniFile(Local(SettingsFile()))
      .ReadString(kSection, kKey, std::string(kDefaultDictionary));
}

SpellChecker* TForm1::Speller() {
  if (speller_) return speller_.get();
  const std::vector<std::string> folders = DictionaryFolders();
  const std::vector<std::string> installed = InstalledDictionaries(folders);
  if (installed.empty()) return nullptr;
  // A chosen dictionary that has been removed since: Czech, or what there is.
  std::string name = SpellDictionary();
  const auto has = [&](std::string_view n) {
    return std::find(installed.begin(), installed.end(), n) != installed.end();
  };
  if (!has(name)) name = has(kDefaultDictionary) ? std::string(kDefaultDictionary) : installed[0];
  speller_ = std::make_unique<HunspellChecker>(name, folders, PersonalDictionaryPath(name));
  return speller_.get();
}

void TForm1::KontrolaPravopisu1Click() {
  PullSelection();
  SpellChecker* checker = Speller();
  const QString title = QStringLiteral("Kontrola pravopisu");
  if (!checker) {
    Ask().Message(title,
                  QStringLiteral("Není nainstalován žádný slovník pro kontrolu pravopisu. "
                                 "Nainstalujte balíček hunspell-cs (nebo slovník jiného "
                                 "jazyka, například hunspell-en-us)."),
                  Prompts::Icon::Warning);
    return;
  }
  std::vector<int> rows = doc_.SelectedRows();
  if (rows.empty())
    for (int row = 0; row < doc_.Count(); ++row) rows.push_back(row);
  SpellDialog dialog(*this, *checker, std::move(rows));
  if (!dialog.Start()) {
    Ask().Message(title, QStringLiteral("Kontrola pravopisu je dokončena. Všechna slova jsou "
                                        "ve slovníku."));
    return;
  }
  ExecModal(dialog);
}

void TForm1::FillDictionaryMenu() {
  Slovnik2->clear();
  const std::vector<std::string> installed = InstalledDictionaries(DictionaryFolders());
  if (installed.empty()) {
    Slovnik2->addAction(QStringLiteral("Není nainstalován žádný slovník"))->setEnabled(false);
    return;
  }
  const std::string chosen = speller_ ? speller_->Name() : SpellDictionary();
  auto* group = new QActionGroup(Slovnik2);
  for (const std::string& name : installed) {
    QAction* a = Slovnik2->addAction(QString::fromStdString(name));
    a->setCheckable(true);
    a->setChecked(name == chosen);
    group->addAction(a);
    connect(a, &QAction::triggered, this,
            [this, name] { RunCommand([this, &name] { ChooseDictionary(name); }); });
  }
}

void TForm1::ChooseDictionary(const std::string& name) {
  speller_.reset();
  const QString file = SettingsFile();
  QDir().mkpath(QFileInfo(file).absolutePath());
  IniFile ini(Local(file));
  ini.WriteString(kSection, kKey, name);
}

}  // namespace velorin
