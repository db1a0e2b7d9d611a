#include "document/text_encoding.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(TextEncoding, Cp1250CzechLettersRoundTripAndEveryByteSurvives) {
  const std::string cp =
      "\x9e\x6c\x75\x9d\x6f\x75\xe8\x6b\xfd \xec\x9a\xe8\xf8\x9e\xfd\xe1\xed\xe9\xf9";
  const std::string utf8 = "žluťoučký ěščřžýáíéů";
  EXPECT_EQ(Cp1250ToUtf8(cp), utf8);
  EXPECT_EQ(Utf8ToCp1250(utf8), cp);
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToCp1250(Cp1250ToUtf8(all)), all);
}

TEST(TextEncoding, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1250("a日b"), "a?b");
  EXPECT_EQ(Utf8ToCp1250("a\xff"
                         "b"),
            "a?b");
  EXPECT_EQ(Utf8ToCp1250("€"), "\x80");
}

}  // namespace
}  // namespace velorin
