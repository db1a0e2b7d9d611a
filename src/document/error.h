#pragma once

#include <stdexcept>
#include <string>

namespace velorin {

// An error of an operation the program does not guard itself. The text is the
// program's own message and is shown as it stands in the general error box.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "'%s' is not a valid integer value"
[[noreturn]] void ThrowInvalidInteger(const std::string& text);
// "List index out of bounds (%d)"
[[noreturn]] void ThrowIndexOutOfBounds(long long index);
// A file operation that failed: the system's reason, with the file named.
[[noreturn]] void ThrowFileError(const std::string& path, int errnoValue);

}  // namespace velorin
