// The least a loader and saver can do: read the file, split it into lines,
// write them back with CR LF. baseline_copy IN OUT
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  std::ofstream out(argv[2], std::ios::binary);
  for (const auto& l : lines) out << l << "\r\n";
  return 0;
}
