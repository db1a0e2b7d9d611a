// The spelling tokenizer and the personal dictionary reader on any bytes:
// words lie inside the text in order, are whole code points with letters at
// both ends and no digit, never inside a brace group; the columns count the
// characters before them; replacing every word by itself gives the text back;
// a personal dictionary gives back the words it was written from.
#include "document/subtitle_file.h"
#include "edit/hunspell_checker.h"
#include "edit/spelling.h"
#include "fuzz_support.h"

using namespace velorin;

namespace {

// Knows every word of even length.
class EvenChecker : public SpellChecker {
 public:
  bool Known(std::string_view word) override { return word.size() % 2 == 0; }
  std::vector<std::string> Suggest(std::string_view) override { return {}; }
  void AddToDictionary(std::string_view) override {}
  void Ignore(std::string_view) override {}
};

bool Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t end = 0;
  const bool utf8 = IsValidUtf8(text);
  const bool hidden = text.find_first_of("<@") != std::string::npos ||
                      text.find("://") != std::string::npos ||
                      text.find("www.") != std::string::npos || text.find("WWW.") != std::string::npos;
  for (const TextWord& w : WordsOfText(text)) {
    FUZZ_CHECK(w.length > 0 && w.offset >= end && w.offset + w.length <= text.size());
    const std::string_view word = w.In(text);
    // Whole characters: a word neither starts nor ends inside one (a stray
    // continuation byte of broken text is a character of its own).
    FUZZ_CHECK(!Continuation(text[w.offset]));
    if (utf8)
      FUZZ_CHECK(w.offset + w.length == text.size() || !Continuation(text[w.offset + w.length]));
    FUZZ_CHECK(word.find_first_of("0123456789{}|<> \t") == std::string_view::npos);
    FUZZ_CHECK(word.back() != '-' && word.back() != '\'' && word.front() != '-');
    // Not inside a brace group (markup and addresses may hide a brace).
    const size_t open = text.rfind('{', w.offset);
    if (!hidden)
      FUZZ_CHECK(open == std::string::npos || text.find('}', open) == std::string::npos ||
                 text.find('}', open) < w.offset);
    // Columns count characters: a whole UTF-8 character or a broken byte is one.
    FUZZ_CHECK(w.column <= w.offset);
    if (utf8) {
      size_t chars = 0;
      for (size_t i = 0; i < w.offset; ++i) chars += Continuation(text[i]) ? 0 : 1;
      FUZZ_CHECK(w.column == chars);
    }
    end = w.offset + w.length;
  }
  EvenChecker checker;
  for (const TextWord& w : UnknownWords(text, checker)) {
    FUZZ_CHECK(w.length % 2 == 1);
    FUZZ_CHECK(ReplaceWord(text, w, w.In(text)) == text);
  }

  const std::vector<std::string> words = ParsePersonalWords(text);
  std::string written;
  for (const std::string& w : words) {
    FUZZ_CHECK(!w.empty() && w.find_first_of(" \t\r\n") == std::string::npos);
    written += w + "\n";
  }
  FUZZ_CHECK(ParsePersonalWords(written) == words);
  return 0;
}
