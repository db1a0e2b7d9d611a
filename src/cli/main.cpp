#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // RunCli answers every failure itself; this is for what happens before it.
  try {
    std::vector<std::string> args(argv + 1, argv + argc);
    return velorin::RunCli(args, std::cin, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "velorin-cli: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "velorin-cli: failed for an unknown reason\n";
  }
  return 1;
}
