// The least a retiming program can do: read the file, scale the two frame
// numbers of every {first}{second}text line, write it back with CR LF.
// baseline_retime IN OUT OFFSET SCALE
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const double offset = std::nearbyint(std::atof(argv[3]));
  const double scale = std::atof(argv[4]);
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  for (auto& l : lines) {
    if (l.empty() || l[0] != '{') continue;
    char* end = nullptr;
    long first = std::strtol(l.c_str() + 1, &end, 10);
    if (*end != '}' || end[1] != '{') continue;
    long second = std::strtol(end + 2, &end, 10);
    if (*end != '}') continue;
    std::string text(end + 1);
    l = "{" + std::to_string(std::lround(std::nearbyint(static_cast<double>(first) * scale + offset))) + "}{" +
        std::to_string(std::lround(std::nearbyint(static_cast<double>(second) * scale + offset))) + "}" + text;
  }
  std::ofstream out(argv[2], std::ios::binary);
  for (const auto& l : lines) out << l << "\r\n";
  return 0;
}
