#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace velorin {

// Runs velorin-cli with its arguments (without the program name); returns the
// exit status. Output and errors go to the given streams.
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err);

}  // namespace velorin
