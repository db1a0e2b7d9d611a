#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velorin {

// An error of an operation the program does not guard itself. The text is the
// program's own message and is shown as it stands in the general error box.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How much of a text a message quotes.
inline constexpr size_t kMaxQuotedBytes = 40;

// A text as a message quotes it: whole up to kMaxQuotedBytes bytes, else its
// start (not cutting a UTF-8 character) followed by "…", so that a message
// stays short whatever the input held.
std::string Excerpt(std::string_view text);

// "'%s' is not a valid integer value", the text cut as Excerpt cuts it
[[noreturn]] void ThrowInvalidInteger(std::string_view text);
// "List index out of bounds (%d)"
[[noreturn]] void ThrowIndexOutOfBounds(long long index);
// A file operation that failed: the system's reason, with the file named.
[[noreturn]] void ThrowFileError(const std::string& path, int errnoValue);

}  // namespace velorin
