#include "document/error.h"

#include <cstring>

namespace velorin {

void ThrowInvalidInteger(const std::string& text) {
  throw Error("'" + text + "' is not a valid integer value");
}

void ThrowIndexOutOfBounds(long long index) {
  throw Error("List index out of bounds (" + std::to_string(index) + ")");
}

void ThrowFileError(const std::string& path, int errnoValue) {
  std::string reason = errnoValue == ENOENT ? "File not found" : std::strerror(errnoValue);
  throw Error(reason + ": " + path);
}

}  // namespace velorin
