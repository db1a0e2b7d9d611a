// Writes a generated frame-based document of N subtitles:
// make_document N FILE [--utf8]
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "bench_data.h"

int main(int argc, char** argv) {
  const bool utf8 = argc == 4 && std::string(argv[3]) == "--utf8";
  if (argc != 3 && !utf8) {
    std::cerr << "usage: make_document N FILE [--utf8]\n";
    return 2;
  }
  const int n = std::atoi(argv[1]);
  std::ofstream(argv[2], std::ios::binary)
      << (utf8 ? velorin::bench::MakeUtf8Document(n) : velorin::bench::MakeDocument(n));
  return 0;
}
