#include "layout/line_breaking.h"

#include <gtest/gtest.h>

#include "document/text_encoding.h"

namespace velorin {
namespace {

const std::string kKino = "Dnes večer půjdeme spolu do kina";  // 32 characters, UTF-8

TEST(LineBreaking, NearestSpaceCountsCharacters) {
  struct Case {
    std::string text;
    size_t target;
    bool utf8;
    size_t position;
  } cases[] = {
      {kKino, 16, true, 19},
      {kKino, 11, true, 11},
      {Utf8ToCp1250(kKino), 16, false, 19},
      {"a b c", 3, false, 2},  // equally near: the leftmost
      {"Slovo", 3, false, 0},
      {"", 0, false, 0},
      // However far the only blank lies, it is the nearest.
      {" " + std::string(30000, 'a'), 15000, false, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindNearestSpace(c.text, c.target, c.utf8), c.position) << c.text.substr(0, 40);
}

TEST(LineBreaking, BreakIntoLines) {
  struct Case {
    std::string text;
    int breaks;
    bool utf8;
    std::string broken;
  } cases[] = {
      {kKino, 1, true, "Dnes večer půjdeme|spolu do kina"},
      {kKino, 2, true, "Dnes večer|půjdeme|spolu do kina"},
      {kKino, 0, true, kKino},
      {"Ahoj jak se máš", 1, true, "Ahoj jak|se máš"},  // 7.5 rounds to 8
      {"abc  defg", 1, false, "abc| defg"},             // 4.5 rounds to 4
      // Counted in bytes the target would be 12 and pick the second blank.
      {"abcdefg hi jžžžžžž", 1, true, "abcdefg|hi jžžžžžž"},
      {"Nejneobhospodařovávatelnějšími", 1, true, "Nejneobhospodařovávatelnějšími"},
      {"abc ", 1, false, "abc "},                            // a blank at the end stays
      {"abcdefgh ijklmnop", 2, false, "abcdefgh|ijklmnop"},  // two targets, one blank
      {" abcdefghijk", 1, false, "|abcdefghijk"},
      {"a b c d e f", 4, false, "a|b|c|d|e f"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BreakIntoLines(c.text, c.breaks, c.utf8), c.broken) << c.text << " " << c.breaks;
}

TEST(LineBreaking, ChangeTextLineCountKeepsTagsInTheirScopes) {
  struct Case {
    std::string text;
    int breaks;
    bool maximum;
    std::optional<std::string> result;
  } cases[] = {
      {"{Y:b}{y:i}" + kKino, 2, false, "{Y:b}{y:i}Dnes večer|{y:i}půjdeme|{y:i}spolu do kina"},
      {"{Y:b}{y:i}Ahoj|{y:u}světe", 0, false, "{Y:b}{y:i}Ahoj světe"},
      {"Ahoj|jak se máš", 1, false, "Ahoj jak|se máš"},
      {"{Y:b}", 1, false, ""},
      {"", 0, false, ""},
      // The tags of old line 2 go to new line 2 and on to line 3.
      {"{y:i}a|{y:b}b|c d e", 2, false, "{y:i}a|{y:b}b c|{y:b}d e"},
      // Lines beyond the new count lose their tags; so do unknown tags in the
      // first line's prefix.
      {"{x:1}{Y:b}a|{y:b}b|{y:u}c", 0, false, "{Y:b}a b c"},
      {"a  b", 2, false, "a|b"},  // empty display lines disappear
      // A leading blank chosen as the first break: nothing is repeated.
      {"{Y:b}{y:i} abcdefghijk", 1, false, "{Y:b}{y:i}|{y:i}abcdefghijk"},
      // Text after a sixth line is kept.
      {"a|b|c|d|e|f", 0, false, "a b c d e f"},
      {"Slovo", 1, false, "Slovo"},
      {"Slovo", 1, true, std::nullopt},
      {"a|b|c", 3, true, std::nullopt},
      {"a|b|c", 1, true, "a|b c"},
      {"a|b", 0, true, "a b"},  // joining is never skipped
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChangeTextLineCount(c.text, c.breaks, c.maximum, true), c.result)
        << c.text << " " << c.breaks;
}

TEST(LineBreaking, ChangeLineCountRewritesSelectedRows) {
  SubtitleList list;
  list.Assign({"{10}{}Ahoj|jak se máš", "{20}{30}Slovo", "{40}{50}a b", "{60}{70}c|d"});
  list.SetUtf8(true);
  for (int row : {0, 1, 3}) list.SetSelected(row, true);
  ChangeLineCount(list, 1, true);
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"{10}{}Ahoj jak|se máš", "{20}{30}Slovo",
                                                    "{40}{50}a b", "{60}{70}c|d"}));
  // The one-line row was skipped and keeps its selection.
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1}));
}

}  // namespace
}  // namespace velorin
