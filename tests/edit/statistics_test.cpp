#include "edit/statistics.h"

#include <gtest/gtest.h>

#include "document/error.h"

namespace velorin {
namespace {

using Lines = std::vector<std::string>;

TEST(Statistics, SummaryOfADocument) {
  struct Case {
    Lines lines;
    bool utf8;
    SubtitleStatistics expected;
  } cases[] = {
      {{"{10}{20}a", "{30}{40}{Y:b}bb|ccc"}, true, {10, 30, 2, 1, 2, 30}},
      // Equally long lines: the earlier subtitle wins.
      {{"{5}{}abc", "{9}{}xyz"}, true, {5, 9, 2, 0, 1, 5}},
      // Seven lines count as seven; only the first five are measured.
      {{"{1}{}a|b|c|d|e|ffffff|g", "{2}{}xx"}, true, {1, 2, 2, 0, 7, 2}},
      // Any brace counts as formatting; tags are not measured.
      {{"{1}{}{x", "{2}{}{Y:b}bb"}, true, {1, 2, 2, 2, 1, 2}},
      {{"{1}{}", "{2}{}|"}, true, {1, 2, 2, 0, 2, 0}},
      // Characters, not bytes: "ššš" is three in UTF-8 and shorter than "abcd".
      {{"{1}{}\xC5\xA1\xC5\xA1\xC5\xA1", "{2}{}abcd"}, true, {1, 2, 2, 0, 1, 2}},
      {{"{1}{}\x9A\x9A\x9A\x9A\x9A", "{2}{}abcd"}, false, {1, 2, 2, 0, 1, 1}},
      {{}, true, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SubtitleList list;
    list.Assign(c.lines);
    list.SetUtf8(c.utf8);
    EXPECT_EQ(ComputeStatistics(list), c.expected) << (c.lines.empty() ? "" : c.lines[0]);
  }
}

TEST(Statistics, AFrameThatCannotBeReadIsAnError) {
  SubtitleList list;
  list.Assign({"{1}{2}a", "{99999999999}{}b"});
  EXPECT_THROW(ComputeStatistics(list), Error);
}

}  // namespace
}  // namespace velorin
