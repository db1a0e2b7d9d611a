#pragma once

#include <string>

namespace velorin::bench {

// A frame-based document of n subtitles, as a file would hold it: Czech
// Windows-1250 text, one or two display lines, some formatting tags.
inline std::string MakeDocument(int n) {
  static const char* texts[] = {"Ahoj, jak se m\xe1\xe8?", "{Y:i}To je kr\xe1sn\xe9|a co ty?",
                                "Nev\xedm, co \xf8\xed"
                                "ct.",
                                "{c:$00FFFF}Pozor!|Za tebou!"};
  std::string out;
  out.reserve(static_cast<size_t>(n) * 48);
  for (int i = 0; i < n; ++i) {
    int first = 100 + i * 60;
    out += '{';
    out += std::to_string(first);
    out += "}{";
    out += std::to_string(first + 45);
    out += '}';
    out += texts[i % 4];
    out += "\r\n";
  }
  return out;
}

// The same in UTF-8 with two display lines a subtitle, as most files people
// download today are: about 78 bytes a line.
inline std::string MakeUtf8Document(int n) {
  static const char* texts[] = {
      "Ahoj, jak se máš? Dlouho jsme se neviděli.|{y:i}Docela dobře, díky.",
      "{Y:i}To je krásné, opravdu krásné.|A co ty, jak se máš?",
      "Nevím, co říct, všechno se změnilo.|Pojď, půjdeme dál.",
      "{c:$00FFFF}Pozor! Za tebou je někdo!|Utíkej, rychle!"};
  std::string out;
  out.reserve(static_cast<size_t>(n) * 80);
  for (int i = 0; i < n; ++i) {
    int first = 100 + i * 60;
    out += '{';
    out += std::to_string(first);
    out += "}{";
    out += std::to_string(first + 45);
    out += '}';
    out += texts[i % 4];
    out += "\r\n";
  }
  return out;
}

}  // namespace velorin::bench
