#pragma once
// velorin-cli run in the test's own process: its exit status and what it
// wrote to standard output and standard error.
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace velorin::test {

struct CliRun {
  int status;
  std::string out, err;
};

inline CliRun Cli(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = RunCli(args, in, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace velorin::test
