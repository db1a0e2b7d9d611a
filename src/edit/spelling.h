#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/subtitle_list.h"

namespace velorin {

// One word of a subtitle line's text, as the spelling check sees it. The
// text is UTF-8; column counts characters (code points), not bytes, from the
// start of the line, so it is the same whatever encoding the file is in.
struct TextWord {
  size_t offset = 0;  // bytes into the UTF-8 text
  size_t length = 0;  // bytes
  size_t column = 0;  // characters before the word
  std::string_view In(std::string_view text) const { return text.substr(offset, length); }
  bool operator==(const TextWord&) const = default;
};

// The words of UTF-8 text (a whole subtitle line, a display line or a field):
// runs of letters, with an apostrophe (' or ’) or a hyphen (- or ‐) kept when
// letters stand on both sides of it ("don't", "česko-slovenský"). Never words:
// brace groups anywhere (the frames {12}{34}, tags such as {Y:i} or
// {c:$0000FF}), SRT-style markup (<i>, </b>, <font color="red">), the '|'
// between display lines, anything with a digit in it (numbers, times 12:30,
// 1,5, "3D"), and addresses (a run of non-spaces holding "@" or "://", or
// beginning with "www."). Broken UTF-8 separates words.
std::vector<TextWord> WordsOfText(std::string_view utf8);
// The same into words, whose room is reused.
void WordsOfText(std::string_view utf8, std::vector<TextWord>& words);

// Checks words against a dictionary. Words are UTF-8 and whole (no spaces).
class SpellChecker {
 public:
  virtual ~SpellChecker() = default;
  virtual bool Known(std::string_view word) = 0;
  // Corrections, best first; none when the dictionary has no idea.
  virtual std::vector<std::string> Suggest(std::string_view word) = 0;
  // Known from now on, also in later runs (the user's personal dictionary).
  // Throws Error when the personal dictionary cannot be written.
  virtual void AddToDictionary(std::string_view word) = 0;
  // Known until this checker ends.
  virtual void Ignore(std::string_view word) = 0;
};

// The words of the text the checker does not know. A hyphenated word is
// known when the checker knows it whole or knows each of its parts;
// otherwise each unknown part is reported on its own.
std::vector<TextWord> UnknownWords(std::string_view utf8, SpellChecker& checker);

// An unknown word found in the document.
struct SpellHit {
  int row = 0;
  TextWord word;
  std::string line;  // the row's line in UTF-8
  std::string_view Word() const { return word.In(line); }
};

// The walk of the spelling check over some rows of a document, word by word.
// The document may change between calls (a replaced word): the walk reads
// each row again when it comes to it.
class SpellWalk {
 public:
  SpellWalk(std::vector<int> rows, SpellChecker& checker);

  // The next unknown word from where the walk stands; nothing when every row
  // is done. Rows are decoded by the document's encoding.
  std::optional<SpellHit> Next(const SubtitleList& doc, const ProgressFn& progress = {});
  // The word Next returned now ends at byte end of its line (after it was
  // replaced): the walk continues there.
  void ContinueAt(size_t end) { offset_ = end; }
  // The rows the walk goes over, in order.
  const std::vector<int>& Rows() const { return rows_; }

 private:
  std::vector<int> rows_;
  SpellChecker& checker_;
  size_t index_ = 0;   // into rows_
  size_t offset_ = 0;  // bytes into that row's UTF-8 line
};

// The line with the word's bytes replaced.
std::string ReplaceWord(std::string_view utf8Line, const TextWord& word,
                        std::string_view replacement);

// Replaces the word of hit in the document by replacement, the row written
// back in the document's encoding. Returns where the replacement ends in the
// new UTF-8 line, or nothing (and changes nothing) when the row no longer
// holds the line the hit was found in.
std::optional<size_t> ReplaceHit(SubtitleList& doc, const SpellHit& hit,
                                 std::string_view replacement);

// Replaces every occurrence of word (as a whole word, the same letters and
// case) in the given rows by replacement; the rows are decoded and written
// back in the document's encoding. Returns how many were replaced. With hit
// given (a word of one of the rows), *hitEnd receives where the replacement
// of hit's word ends in its row's new UTF-8 line.
size_t ReplaceWordInRows(SubtitleList& doc, const std::vector<int>& rows, std::string_view word,
                         std::string_view replacement, const SpellHit* hit = nullptr,
                         size_t* hitEnd = nullptr);

}  // namespace velorin
