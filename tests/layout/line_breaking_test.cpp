#include "layout/line_breaking.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

const std::string kKino = "Dnes večer půjdeme spolu do kina";  // 32 characters, UTF-8

TEST(LineBreaking, NearestSpace) {
  EXPECT_EQ(FindNearestSpace(kKino, 16, true), 19u);
  EXPECT_EQ(FindNearestSpace("a b c", 3), 2u);  // equally near: the leftmost
  EXPECT_EQ(FindNearestSpace("Slovo", 3), 0u);
  EXPECT_EQ(FindNearestSpace(" " + std::string(30000, 'a'), 15000), 1u);  // however far
}

TEST(LineBreaking, BreakIntoLinesCountsCharacters) {
  struct Case {
    std::string text;
    int breaks;
    std::string broken;
  } cases[] = {
      {kKino, 1, "Dnes večer půjdeme|spolu do kina"},
      {kKino, 2, "Dnes večer|půjdeme|spolu do kina"},
      {"Ahoj jak se máš", 1, "Ahoj jak|se máš"},        // 7.5 rounds to 8
      {"abc  defg", 1, "abc| defg"},                    // 4.5 rounds to 4
      {"abcdefg hi jžžžžžž", 1, "abcdefg|hi jžžžžžž"},  // in bytes the target would be 12
      {"abc ", 1, "abc "},                              // a blank at the end stays
      {"abcdefgh ijklmnop", 2, "abcdefgh|ijklmnop"},    // two targets, one blank
      {"a b c d e f", 4, "a|b|c|d|e f"},
  };
  for (const auto& c : cases) EXPECT_EQ(BreakIntoLines(c.text, c.breaks, true), c.broken);
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
      {"{y:i}a|{y:b}b|c d e", 2, false, "{y:i}a|{y:b}b c|{y:b}d e"},  // old line 2's tags
      {"{x:1}{Y:b}a|{y:b}b|{y:u}c", 0, false, "{Y:b}a b c"},
      {"a  b", 2, false, "a|b"},  // empty display lines disappear
      {"{Y:b}{y:i} abcdefghijk", 1, false, "{Y:b}{y:i}|{y:i}abcdefghijk"},  // nothing repeated
      {"a|b|c|d|e|f", 0, false, "a b c d e f"},
      {"Slovo", 1, true, std::nullopt},
      {"a|b|c", 1, true, "a|b c"},
      {"a|b", 0, true, "a b"},  // joining is never skipped
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChangeTextLineCount(c.text, c.breaks, c.maximum, true), c.result) << c.text;
}

TEST(LineBreaking, ChangeLineCountLeavesSkippedRowsSelected) {
  SubtitleList list;
  list.Assign({"{10}{}Ahoj|jak se máš", "{20}{30}Slovo", "{40}{50}a b"});
  list.SetUtf8(true);
  list.SetSelected(0, true);
  list.SetSelected(1, true);
  ChangeLineCount(list, 1, true);
  EXPECT_EQ(list.Lines(),
            (std::vector<std::string>{"{10}{}Ahoj jak|se máš", "{20}{30}Slovo", "{40}{50}a b"}));
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1}));
}

}  // namespace
}  // namespace velorin
