#include "edit/spelling.h"

#include <algorithm>
#include <utility>

#include "document/progress.h"
#include "document/text_encoding.h"

namespace velorin {

namespace {

constexpr char32_t kBroken = 0xFFFD;

// CodePointAt past ASCII.
std::pair<char32_t, size_t> CodePointAtBeyondAscii(std::string_view text, size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  size_t length = 0;
  char32_t cp = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    cp = b & 0x1Fu;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    cp = b & 0x0Fu;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    cp = b & 0x07u;
  } else {
    return {kBroken, 1};
  }
  if (i + length > text.size()) return {kBroken, 1};
  for (size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0u) != 0x80u) return {kBroken, 1};
    cp = (cp << 6) | (c & 0x3Fu);
  }
  // Overlong forms, surrogates and values past U+10FFFF are broken too.
  if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return {kBroken, 1};
  return {cp, length};
}

// The code point at text[i] and its length in bytes; broken UTF-8 is one
// byte of kBroken. ASCII, most of any text, is answered here inline.
inline std::pair<char32_t, size_t> CodePointAt(std::string_view text, size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (b < 0x80) return {b, 1};
  return CodePointAtBeyondAscii(text, i);
}

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

// Letters of any script, with their combining marks. Outside ASCII and
// Latin-1 everything counts except the blocks of punctuation, symbols,
// private use (where an 8-bit code page's undefined bytes are shown) and
// pictographs.
bool IsLetter(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (c < 0xC0) return c == 0xAA || c == 0xB5 || c == 0xBA;
  if (c == 0xD7 || c == 0xF7) return false;
  if (c >= 0x2000 && c <= 0x2BFF) return false;  // punctuation, symbols, arrows, dingbats
  if (c >= 0x3000 && c <= 0x303F) return false;  // CJK punctuation
  if (c >= 0xE000 && c <= 0xF8FF) return false;  // private use
  if (c >= 0xFE10 && c <= 0xFE6F) return false;  // presentation forms of punctuation
  if (c >= 0xFF00 && c <= 0xFF20) return false;  // full-width punctuation and digits
  if (c >= 0xFFF0) return c >= 0x10000 && !(c >= 0x1F000 && c <= 0x1FAFF) && c < 0xF0000;
  return true;
}

bool IsApostrophe(char32_t c) { return c == '\'' || c == 0x2019; }
bool IsHyphen(char32_t c) { return c == '-' || c == 0x2010; }
bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == '|' || c == 0xA0; }

// The end of a markup element <...> starting at i, or npos: '<' followed by a
// letter or '/' and closed by '>' before any other '<'.
size_t MarkupEnd(std::string_view text, size_t i) {
  if (i + 1 >= text.size()) return std::string_view::npos;
  const char next = text[i + 1];
  const bool opens = next == '/' || (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z');
  if (!opens) return std::string_view::npos;
  const size_t close = text.find_first_of("<>", i + 1);
  if (close == std::string_view::npos || text[close] != '>') return std::string_view::npos;
  return close + 1;
}

// What makes a run of non-spaces an address: an at sign or a scheme's
// "://" anywhere in it, or a web host's prefix at its start.
constexpr char kAt = '@';
constexpr std::string_view kScheme = "://";
constexpr std::string_view kWebPrefixes[] = {"www.", "WWW."};

// Whether a text may hold an address at all: most lines hold none, and
// their runs are then not searched for one.
bool MayHoldAddress(std::string_view text) {
  if (text.find(kAt) != std::string_view::npos || text.find(kScheme) != std::string_view::npos)
    return true;
  for (const std::string_view prefix : kWebPrefixes)
    if (text.find(prefix) != std::string_view::npos) return true;
  return false;
}

// Whether the run of non-spaces from i is an address, not words. One pass
// over the run: this is asked at every word of a million-row check.
size_t AddressEnd(std::string_view text, size_t i) {
  bool address = false;
  for (const std::string_view prefix : kWebPrefixes)
    address = address || text.substr(i).starts_with(prefix);
  size_t end = i;
  for (; end < text.size(); ++end) {
    const char c = text[end];
    if (c == ' ' || c == '\t' || c == '|') break;
    if (c == kAt || (c == kScheme[0] && text.substr(end).starts_with(kScheme))) address = true;
  }
  return address ? end : std::string_view::npos;
}

// Calls fn with each hyphen-separated part of word w of text.
template <typename Fn>
void ForEachPart(std::string_view text, const TextWord& w, Fn&& fn) {
  const std::string_view word = w.In(text);
  size_t start = 0, startColumn = w.column, column = w.column, i = 0;
  while (i < word.size()) {
    const auto [c, length] = CodePointAt(word, i);
    if (IsHyphen(c)) {
      fn(TextWord{w.offset + start, i - start, startColumn});
      start = i + length;
      startColumn = column + 1;
    }
    i += length;
    ++column;
  }
  fn(TextWord{w.offset + start, word.size() - start, startColumn});
}

bool Hyphenated(std::string_view word) {
  return word.find('-') != std::string_view::npos ||
         word.find("\xE2\x80\x90") != std::string_view::npos;
}

}  // namespace

std::vector<TextWord> WordsOfText(std::string_view text) {
  std::vector<TextWord> words;
  WordsOfText(text, words);
  return words;
}

void WordsOfText(std::string_view text, std::vector<TextWord>& words) {
  words.clear();
  size_t i = 0, column = 0;
  bool runStart = true;  // at the start of a run of non-spaces
  const bool mayHoldAddress = MayHoldAddress(text);
  // Skips bytes from i to end, counting their characters.
  const auto skipTo = [&](size_t end) {
    while (i < end) {
      i += CodePointAt(text, i).second;
      ++column;
    }
  };
  while (i < text.size()) {
    const auto [c, length] = CodePointAt(text, i);
    if (runStart && mayHoldAddress && !IsSpace(c)) {
      const size_t address = AddressEnd(text, i);
      if (address != std::string_view::npos) {
        skipTo(address);
        continue;
      }
    }
    runStart = IsSpace(c);
    if (c == '{') {
      const size_t close = text.find('}', i);
      if (close != std::string_view::npos) {
        skipTo(close + 1);
        continue;
      }
    } else if (c == '<') {
      const size_t end = MarkupEnd(text, i);
      if (end != std::string_view::npos) {
        skipTo(end);
        continue;
      }
    }
    if (!IsLetter(c) && !IsDigit(c)) {
      skipTo(i + length);
      continue;
    }
    // A word: letters and digits, joined over single inner apostrophes and hyphens.
    const size_t start = i, startColumn = column;
    bool digit = false;
    for (;;) {
      const auto [d, dl] = CodePointAt(text, i);
      if (IsLetter(d) || IsDigit(d)) {
        digit = digit || IsDigit(d);
        i += dl;
        ++column;
      } else if ((IsApostrophe(d) || IsHyphen(d)) && i + dl < text.size() &&
                 IsLetter(CodePointAt(text, i + dl).first)) {
        i += dl;
        ++column;
      } else {
        break;
      }
      if (i >= text.size()) break;
    }
    if (!digit) words.push_back(TextWord{start, i - start, startColumn});
  }
}

std::vector<TextWord> UnknownWords(std::string_view text, SpellChecker& checker) {
  std::vector<TextWord> unknown;
  // Kept from call to call: a check of the whole list asks for every row.
  thread_local std::vector<TextWord> words;
  WordsOfText(text, words);
  for (const TextWord& w : words) {
    const std::string_view word = w.In(text);
    if (checker.Known(word)) continue;
    if (!Hyphenated(word)) {
      unknown.push_back(w);
      continue;
    }
    std::vector<TextWord> parts;
    ForEachPart(text, w, [&](const TextWord& part) {
      if (part.length > 0 && !checker.Known(part.In(text))) parts.push_back(part);
    });
    unknown.insert(unknown.end(), parts.begin(), parts.end());
  }
  return unknown;
}

SpellWalk::SpellWalk(std::vector<int> rows, SpellChecker& checker)
    : rows_(std::move(rows)), checker_(checker) {}

std::optional<SpellHit> SpellWalk::Next(const SubtitleList& doc, const ProgressFn& progress) {
  for (; index_ < rows_.size(); ++index_, offset_ = 0) {
    ReportProgress(progress, index_, rows_.size());
    const int row = rows_[index_];
    if (row < 0 || row >= doc.Count()) continue;
    // A UTF-8 row is its own text: copied only when it holds a hit.
    const std::string_view bytes = doc.Line(row);
    std::string decoded;
    if (!doc.IsUtf8()) decoded = DecodeText(bytes, doc.Encoding());
    const std::string_view line = doc.IsUtf8() ? bytes : std::string_view(decoded);
    for (const TextWord& w : UnknownWords(line, checker_)) {
      if (w.offset < offset_) continue;
      // Whatever the user does with it, the walk goes on after it.
      offset_ = w.offset + w.length;
      return SpellHit{row, w, std::string(line)};
    }
  }
  if (progress) progress(rows_.size(), rows_.size());
  return std::nullopt;
}

std::string ReplaceWord(std::string_view line, const TextWord& word, std::string_view replacement) {
  std::string out(line.substr(0, word.offset));
  out += replacement;
  out += line.substr(std::min(line.size(), word.offset + word.length));
  return out;
}

namespace {

// A row rewritten from its UTF-8 text; a UTF-8 document keeps its bytes as
// they are (broken ones too).
void PutLine(SubtitleList& doc, int row, const std::string& utf8) {
  doc.Replace(row, doc.IsUtf8() ? utf8 : EncodeText(utf8, doc.Encoding()));
}

}  // namespace

std::optional<size_t> ReplaceHit(SubtitleList& doc, const SpellHit& hit,
                                 std::string_view replacement) {
  if (hit.row < 0 || hit.row >= doc.Count() ||
      DecodeText(doc.Line(hit.row), doc.Encoding()) != hit.line)
    return std::nullopt;
  PutLine(doc, hit.row, ReplaceWord(hit.line, hit.word, replacement));
  return hit.word.offset + replacement.size();
}

size_t ReplaceWordInRows(SubtitleList& doc, const std::vector<int>& rows, std::string_view word,
                         std::string_view replacement, const SpellHit* hit, size_t* hitEnd) {
  size_t replaced = 0;
  for (const int row : rows) {
    if (row < 0 || row >= doc.Count()) continue;
    const std::string line = DecodeText(doc.Line(row), doc.Encoding());
    std::vector<TextWord> found;
    for (const TextWord& w : WordsOfText(line)) {
      if (w.In(line) == word) {
        found.push_back(w);
      } else if (Hyphenated(w.In(line))) {
        ForEachPart(line, w, [&](const TextWord& part) {
          if (part.In(line) == word) found.push_back(part);
        });
      }
    }
    if (hit && hitEnd && row == hit->row) {
      // The hit's word moves by what the replacements before it changed.
      size_t end = hit->word.offset + replacement.size();
      for (const TextWord& f : found)
        if (f.offset < hit->word.offset) end = end + replacement.size() - f.length;
      *hitEnd = end;
    }
    if (found.empty()) continue;
    std::string changed = line;
    for (auto it = found.rbegin(); it != found.rend(); ++it)
      changed = ReplaceWord(changed, *it, replacement);
    PutLine(doc, row, changed);
    replaced += found.size();
  }
  return replaced;
}

}  // namespace velorin
