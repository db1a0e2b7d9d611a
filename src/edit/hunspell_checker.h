#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "edit/spelling.h"

class Hunspell;

namespace velorin {

// The dictionary checked against when the user has chosen none.
inline constexpr std::string_view kDefaultDictionary = "cs_CZ";

// Where hunspell dictionaries are looked for: the folders of $DICPATH
// (separated by ':', as hunspell itself reads it) when set, otherwise
// /usr/share/hunspell.
std::vector<std::string> DictionaryFolders();

// The dictionaries installed in the folders: the names ("cs_CZ", "en_US") of
// the .dic files that have an .aff file beside them, sorted, each once.
std::vector<std::string> InstalledDictionaries(const std::vector<std::string>& folders);

// The words of a personal dictionary file: one word a line, UTF-8; blanks
// around a word, empty lines, lines of broken UTF-8 and lines with a space or
// a control character inside are passed over.
std::vector<std::string> ParsePersonalWords(std::string_view bytes);

// The user's own words for one dictionary, in
// $XDG_DATA_HOME/velorin/words-NAME.txt (default ~/.local/share/velorin/).
// One file per dictionary: a word right in one language is often a typo in
// another ("ten" is Czech and English, "jet" is not Czech the way it is
// English), and a file a person can read and edit says which language it is.
std::string PersonalDictionaryPath(std::string_view dictionary);

// A word added to a personal dictionary file: the file is read, the word
// appended when it is not there yet, and the whole written by a safe save
// (the folder made when missing). Throws Error.
void AddPersonalWord(const std::string& path, std::string_view word);

// A hunspell dictionary with the user's personal words. Answers are kept per
// distinct word, so a document asks hunspell once for each word it holds.
class HunspellChecker : public SpellChecker {
 public:
  // The dictionary name in the folders; personalPath empty: no personal
  // words. Throws Error when the dictionary is not installed.
  HunspellChecker(std::string_view dictionary, const std::vector<std::string>& folders,
                  std::string personalPath);
  ~HunspellChecker() override;

  bool Known(std::string_view word) override;
  std::vector<std::string> Suggest(std::string_view word) override;
  void AddToDictionary(std::string_view word) override;
  void Ignore(std::string_view word) override;

  const std::string& Name() const { return name_; }

 private:
  // The word in the dictionary's own encoding; false when it has no such
  // characters.
  bool ToDictionary(std::string_view utf8, std::string& out) const;
  std::string FromDictionary(const std::string& bytes) const;

  std::string name_;
  std::unique_ptr<Hunspell> hunspell_;
  std::string personalPath_;
  std::string encoding_;  // empty: UTF-8
  // Looked up by the word's view, without a copy of it.
  struct WordHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, bool, WordHash, std::equal_to<>> known_;
};

}  // namespace velorin
