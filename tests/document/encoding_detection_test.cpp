#include "document/encoding_detection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velorin {
namespace {

// Subtitle files as people write them, each line encoded in the code page
// named. The held-out cases were added after the rules were settled and
// never tuned on.
struct Case {
  const char* name;
  TextEncoding written;
  std::vector<std::string> lines;  // UTF-8 text of the file's lines
  TextEncoding shown;
};

std::string FileBytes(const Case& c) {
  std::string bytes;
  for (const std::string& line : c.lines) bytes += EncodeText(line, c.written) + "\r\n";
  return bytes;
}

constexpr auto k1250 = TextEncoding::Windows1250;
constexpr auto k1252 = TextEncoding::Windows1252;

const Case kCases[] = {
    // Short Czech files, where detectors guess IBM852, ISO-8859-2, Windows-1258
    // or Windows-1252: the default stays.
    {"one Czech word", k1250, {"{1}{25}Pojď sem!"}, k1250},
    {"Czech, Ó only", k1250, {"{1}{25}Ó ne!"}, k1250},
    {"Czech, ý only", k1250, {"{1}{25}Dobrý den, pane."}, k1250},
    {"Czech, no š ž ť", k1250, {"{1}{25}Zítra ráno v osm."}, k1250},
    {"Czech, two lines", k1250, {"{1}{25}Tak jo.|Půjdeme.", "{30}{60}Počkej!"}, k1250},
    {"Czech with š ž ť",
     k1250,
     {"{1}{25}Šťastnou cestu.", "{30}{60}Jsem rád, že tě vidím."},
     k1250},
    {"Slovak", k1250, {"{1}{25}Ďakujem, mám sa dobre.", "{30}{60}Ľúbim ťa, pôjdeme spolu."}, k1250},
    {"Czech in ISO-8859-2",
     TextEncoding::Iso8859_2,
     {"{1}{25}Příliš žluťoučký kůň úpěl ďábelské ódy.", "{30}{60}Šťastný nový rok, Žofie!",
      "{70}{99}Nešťastná žena šla domů."},
     TextEncoding::Iso8859_2},
    // Western European files.
    {"French",
     k1252,
     {"{1}{25}Où est la gare ?", "{30}{60}Je ne sais pas, c'est à droite.",
      "{70}{99}Ça va très bien, merci.", "{100}{140}Il a été là-bas avant nous."},
     k1252},
    {"German",
     k1252,
     {"{1}{25}Das ist schön.", "{30}{60}Grüße aus München!", "{70}{99}Wir müssen über die Brücke."},
     k1252},
    {"Spanish",
     k1252,
     {"{1}{25}¿Dónde está el baño?", "{30}{60}Mañana por la mañana.",
      "{70}{99}¡Qué niño tan pequeño!"},
     k1252},
    {"Russian",
     TextEncoding::Windows1251,
     {"{1}{25}Привет, как дела?", "{30}{60}Я не знаю, что сказать.", "{70}{99}Пойдём домой."},
     TextEncoding::Windows1251},
    // Held out.
    {"held out: Czech dialogue",
     k1250,
     {"{1}{25}Co tady děláš?", "{30}{60}Nevím.|Hodně štěstí.", "{70}{99}Řekni mi to."},
     k1250},
    {"held out: French dialogue",
     k1252,
     {"{1}{25}Tu viens avec moi ?", "{30}{60}Non, je reste à la maison.",
      "{70}{99}Peut-être demain, après l'école."},
     k1252},
    {"held out: Portuguese",
     k1252,
     {"{1}{25}Não sei o que fazer.", "{30}{60}Você está com fome?", "{70}{99}Obrigação é ação."},
     k1252},
};

TEST(EncodingDetection, RealShapedFilesAreShownInTheirCodePage) {
  for (const Case& c : kCases) {
    const std::string bytes = FileBytes(c);
    EXPECT_EQ(InfoOf(DetectEncoding(bytes)).name, std::string(InfoOf(c.shown).name)) << c.name;
    // Lines the reader kept give the same answer.
    LineStore lines;
    for (const std::string& line : c.lines) lines.push_back(EncodeText(line, c.written));
    EXPECT_EQ(DetectEncoding(lines, false), c.shown) << c.name;
  }
}

TEST(EncodingDetection, Utf8AndPlainAsciiAreUtf8) {
  EXPECT_EQ(DetectEncoding("{1}{2}Příliš žluťoučký kůň\r\n"), TextEncoding::Utf8);
  EXPECT_EQ(DetectEncoding("{1}{2}plain\r\n"), TextEncoding::Utf8);
  EXPECT_EQ(DetectEncoding("\xEF\xBB\xBF{1}{2}x"), TextEncoding::Utf8);
  EncodingDetector nothing;
  EXPECT_EQ(nothing.Guess(), kDefaultEightBitEncoding);
}

}  // namespace
}  // namespace velorin
