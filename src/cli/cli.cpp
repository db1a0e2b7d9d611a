#include "cli/cli.h"

#include <iostream>

namespace velorin {

int RunCli(const std::vector<std::string>& args, std::istream&, std::ostream& out,
           std::ostream& err) {
  if (!args.empty() && args[0] == "--version") {
    out << "velorin-cli 0.1.0\n";
    return 0;
  }
  err << "usage: velorin-cli --version\n";
  return 2;
}

}  // namespace velorin
