#include "document/error.h"

#include <cstring>

namespace velorin {

std::string Excerpt(std::string_view text) {
  if (text.size() <= kMaxQuotedBytes) return std::string(text);
  size_t cut = kMaxQuotedBytes;
  // Back to the start of a UTF-8 character (at most three continuation bytes).
  for (int i = 0; i < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++i)
    --cut;
  return std::string(text.substr(0, cut)) + "\xE2\x80\xA6";
}

void ThrowInvalidInteger(std::string_view text) {
  throw Error("'" + Excerpt(text) + "' is not a valid integer value");
}

void ThrowIndexOutOfBounds(long long index) {
  throw Error("List index out of bounds (" + std::to_string(index) + ")");
}

void ThrowFileError(const std::string& path, int errnoValue) {
  std::string reason = errnoValue == ENOENT ? "File not found" : std::strerror(errnoValue);
  throw Error(reason + ": " + path);
}

}  // namespace velorin
