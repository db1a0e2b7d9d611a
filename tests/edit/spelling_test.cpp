#include "edit/spelling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "document/error.h"
#include "document/text_encoding.h"
#include "edit/hunspell_checker.h"
#include "test_support.h"

namespace velorin {
namespace {

// Knows the words it is given, nothing else; counts what it is asked.
class FakeChecker : public SpellChecker {
 public:
  explicit FakeChecker(std::set<std::string, std::less<>> words) : words_(std::move(words)) {}
  bool Known(std::string_view word) override { return words_.count(word) > 0; }
  std::vector<std::string> Suggest(std::string_view) override { return {}; }
  void AddToDictionary(std::string_view word) override { words_.emplace(word); }
  void Ignore(std::string_view word) override { words_.emplace(word); }

 private:
  std::set<std::string, std::less<>> words_;
};

// "word@column" for each unknown word, column from 0, in order.
std::string Unknown(std::string_view text, SpellChecker& checker) {
  std::string out;
  for (const TextWord& w : UnknownWords(text, checker))
    out += (out.empty() ? "" : " ") + std::string(w.In(text)) + "@" + std::to_string(w.column);
  return out;
}

TEST(Spelling, WordsOfTheTextOnly) {
  FakeChecker checker({"ahoj", "svět", "don't", "e-mail", "česko", "slovenský"});
  const struct {
    std::string text, unknown;
  } cases[] = {
      {"{100}{200}ahoj světe", "světe@15"},
      // Tags of either scope, anywhere, and '|' between display lines.
      {"{1}{2}{Y:i}{c:$0000FF}ahoj|{y:b}zlý|{F:Arial}{s:20}svět", "zlý@32"},
      {"{1}{2}ahoj|chyba", "chyba@11"},
      // SRT-style markup; a lone '<' or '{' is no markup.
      {"<i>ahoj</i> <font color=\"red\">plk</font>", "plk@30"},
      {"a < b {neuzavřeno", "a@0 b@4 neuzavřeno@7"},
      // Numbers, times and words with digits are never checked.
      {"ahoj 12:30 1,5 3D 2x 100%", ""},
      // Apostrophes and hyphens inside a word; a dialogue dash is none.
      {"- don't 'ahoj' ahoj' –ahoj—", ""},
      {"e-mail česko-slovenský česko-plk", "plk@29"},
      {"-ahoj- ahoj--svět", ""},
      // Columns in characters: ř, ě and the non-breaking space are one each.
      {"řě\xC2\xA0xyz", "řě@0 xyz@3"},
      // Addresses and broken UTF-8.
      {"www.velorin.cz petr@example.com https://x.cz/a ahoj", ""},
      // Only the run that holds the address goes; a colon or "www" alone
      // makes none.
      {"plk|x@y.cz plk:// wwwplk.cz plk: a:/plk WWW.X.CZ", "plk@0 wwwplk@18 cz@25 plk@28 a@33 plk@36"},
      {"ab\xFF" "cd", "ab@0 cd@3"},
  };
  for (const auto& c : cases) EXPECT_EQ(Unknown(c.text, checker), c.unknown) << c.text;
}

// The real dictionaries, on words whose answer does not depend on the
// dictionary's version.
TEST(Spelling, InstalledDictionaries) {
  const std::vector<std::string> folders = {"/usr/share/hunspell"};
  const std::vector<std::string> installed = InstalledDictionaries(folders);
  const struct {
    const char* dictionary;
    std::string text, unknown;
  } cases[] = {
      {"cs_CZ", "{1}{2}Příliš žluťoučký kůň úpěl ďábelské ódy.", ""},
      {"cs_CZ", "{1}{2}{y:i}Dobrý|den, pane Nováku!", ""},
      {"cs_CZ", "{1}{2}Tohle je chybba a tadi taky.", "chybba@15 tadi@24"},
      {"cs_CZ", "{1}{2}Česko-slovenská hranice v 12:30.", ""},
      {"cs_CZ", "{1}{2}ČESKÝ TEXT velkými písmeny", ""},
      {"en_US", "{1}{2}<i>Don't</i> go, it's a well-known place.", ""},
      {"en_US", "{1}{2}It’s teh wrold", "teh@11 wrold@15"},
  };
  for (const auto& c : cases) {
    if (std::find(installed.begin(), installed.end(), c.dictionary) == installed.end()) {
      ADD_FAILURE() << c.dictionary << " is not installed (the scripts install it)";
      continue;
    }
    HunspellChecker checker(c.dictionary, folders, "");
    EXPECT_EQ(Unknown(c.text, checker), c.unknown) << c.text;
  }
}

TEST(Spelling, AnEightBitDocumentGivesTheSameWordsAsUtf8) {
  const std::vector<std::string> lines = {"{1}{50}Příliš žluťoučký kůň|{y:i}úpěl ďábelský",
                                          "{60}{90}Šílený příšerný kůůň", "{100}{}ahoj"};
  FakeChecker known({"Příliš", "žluťoučký", "kůň", "úpěl", "Šílený", "ahoj"});
  std::vector<std::string> found[2];
  for (int eightBit = 0; eightBit < 2; ++eightBit) {
    SubtitleList doc;
    std::vector<std::string> bytes;
    for (const std::string& l : lines) bytes.push_back(eightBit ? Utf8ToCp1250(l) : l);
    doc.Assign(bytes);
    doc.SetUtf8(!eightBit);
    SpellWalk walk({0, 1, 2}, known);
    while (auto hit = walk.Next(doc))
      found[eightBit].push_back(std::to_string(hit->row) + ":" + std::to_string(hit->word.column) +
                                " " + std::string(hit->Word()));
  }
  EXPECT_EQ(found[0], (std::vector<std::string>{"0:38 ďábelský", "1:15 příšerný", "1:24 kůůň"}));
  EXPECT_EQ(found[1], found[0]);
}

TEST(Spelling, ReplacingKeepsTheRestOfTheBytes) {
  SubtitleList doc;
  // Windows-1250: "kůůň" twice, one inside a hyphenated word; a byte that the
  // code page leaves undefined (0x98) stays as it is.
  doc.Assign(std::vector<std::string>{Utf8ToCp1250("{1}{2}kůůň a kůůň-kůň|kůůňa") + "\x98",
                                      Utf8ToCp1250("{3}{4}kůůň")});
  doc.SetUtf8(false);
  EXPECT_EQ(ReplaceWordInRows(doc, {0}, "kůůň", "kůň"), 2u);
  EXPECT_EQ(doc.Line(0), Utf8ToCp1250("{1}{2}kůň a kůň-kůň|kůůňa") + "\x98");
  EXPECT_EQ(doc.Line(1), Utf8ToCp1250("{3}{4}kůůň"));  // not among the rows
}

TEST(Spelling, PersonalDictionary) {
  EXPECT_EQ(ParsePersonalWords("Velorin\r\n  titulkář \n\n dvě slova\nzlom\xC5\n"
                               "posledni"),
            (std::vector<std::string>{"Velorin", "titulkář", "posledni"}));
  test::TempDir dir;
  const std::string path = dir.File("velorin/words-cs_CZ.txt");  // the folder is made
  AddPersonalWord(path, "Velorin");
  AddPersonalWord(path, "titulkář");
  AddPersonalWord(path, "Velorin");
  EXPECT_EQ(test::ReadBytes(path), "Velorin\ntitulkář\n");
  if (InstalledDictionaries({"/usr/share/hunspell"}).empty()) GTEST_SKIP();
  HunspellChecker checker("cs_CZ", {"/usr/share/hunspell"}, path);
  EXPECT_TRUE(checker.Known("titulkář"));
  EXPECT_FALSE(checker.Known("Blorin"));
  checker.AddToDictionary("Blorin");
  EXPECT_TRUE(checker.Known("Blorin"));
  EXPECT_EQ(test::ReadBytes(path), "Velorin\ntitulkář\nBlorin\n");
  EXPECT_THROW(HunspellChecker("xx_XX", {"/usr/share/hunspell"}, ""), Error);
}

}  // namespace
}  // namespace velorin
