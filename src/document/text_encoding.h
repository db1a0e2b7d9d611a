#pragma once

#include <string>
#include <string_view>

namespace velorin {

// Windows-1250 bytes as UTF-8. Bytes the code page leaves undefined map to the
// control characters of the same value, so every byte survives a round trip.
std::string Cp1250ToUtf8(std::string_view bytes);

// UTF-8 text as Windows-1250; characters the code page lacks become '?'.
std::string Utf8ToCp1250(std::string_view utf8);

}  // namespace velorin
