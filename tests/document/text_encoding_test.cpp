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

namespace velorin {
namespace {

TEST(TextEncoding, EachCodePageReadsItsLettersAndKeepsEveryByte) {
  struct Case {
    TextEncoding encoding;
    std::string bytes, utf8;
  };
  const Case cases[] = {
      {TextEncoding::Windows1252,
       "o\xF9 \xE0 \xE7"
       "a \x9C \xF1 \xBF \x80",
       "où à ça œ ñ ¿ €"},
      {TextEncoding::Iso8859_2, "\xB9\xBE\xBB \xE8", "šžť č"},
      {TextEncoding::Iso8859_15, "\xA4 \xBD", "€ œ"},
      {TextEncoding::Windows1251, "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},
      {TextEncoding::Koi8R, "\xF0\xD2\xC9\xD7\xC5\xD4", "Привет"},
      {TextEncoding::Iso8859_5, "\xBF\xE0\xD8\xD2\xD5\xE2", "Привет"},
      {TextEncoding::Windows1253, "\xE3\xE5\xE9\xDC", "γειά"},
      {TextEncoding::Windows1254, "\xF0\xFE\xFD", "ğşı"},
      {TextEncoding::Windows1255, "\xF9\xEC\xE5\xED", "שלום"},
      {TextEncoding::Windows1257, "\xE0\xE8\xFE", "ąčž"},
      {TextEncoding::Utf8, "\xC5\xBE", "ž"},
  };
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (const Case& c : cases) {
    const char* name = InfoOf(c.encoding).name;
    EXPECT_EQ(DecodeText(c.bytes, c.encoding), c.utf8) << name;
    size_t lost = 0;
    EXPECT_EQ(EncodeText(c.utf8, c.encoding, &lost), c.bytes) << name;
    EXPECT_EQ(lost, 0u) << name;
  }
  // Undefined bytes included, for every code page offered.
  for (const EncodingInfo& info : Encodings()) {
    if (info.id != TextEncoding::Utf8) {
      EXPECT_EQ(EncodeText(DecodeText(all, info.id), info.id), all) << info.name;
    }
  }
}

TEST(TextEncoding, LostCharactersAreCountedAndNamesFound) {
  size_t lost = 0;
  EXPECT_EQ(EncodeText("ñandú 日本", TextEncoding::Windows1250, &lost), "?and\xFA ??");
  EXPECT_EQ(lost, 3u);
  lost = 0;
  EXPECT_EQ(EncodeText("a\xFF"
                       "b",
                       TextEncoding::Utf8, &lost),
            "a?b");
  EXPECT_EQ(lost, 1u);
  EXPECT_EQ(EncodingByName("windows-1252"), TextEncoding::Windows1252);
  EXPECT_EQ(EncodingByName("UTF-8"), TextEncoding::Utf8);
  EXPECT_EQ(EncodingByName("CP1252"), std::nullopt);
  for (const EncodingInfo& info : Encodings()) EXPECT_EQ(InfoOf(info.id).id, info.id);
}

}  // namespace
}  // namespace velorin
