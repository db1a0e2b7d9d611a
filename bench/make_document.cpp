// Writes a generated frame-based document of N subtitles: make_document N FILE
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "bench_data.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_document N FILE\n";
    return 2;
  }
  std::ofstream(argv[2], std::ios::binary) << velorin::bench::MakeDocument(std::atoi(argv[1]));
  return 0;
}
