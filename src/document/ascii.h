#pragma once

// Byte-level text helpers of the core. Text is 8-bit bytes in whatever code
// page the file came in, so only the ASCII letters, digits and blanks have a
// meaning here; every other byte (letters with diacritics too) stays as it is,
// whatever the process locale says.

#include <string>
#include <string_view>

namespace velorin {

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// A blank as the settings file and the number fields skip it: space or tab.
constexpr bool IsAsciiBlank(char c) { return c == ' ' || c == '\t'; }

constexpr char AsciiToLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char AsciiToUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Lower-cases A-Z only.
inline std::string AsciiLowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiToLower(c);
  return out;
}

// Whether a and b are equal when A-Z and a-z count as the same.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiToLower(a[i]) != AsciiToLower(b[i])) return false;
  return true;
}

// s without the blanks (space, tab) at either end.
constexpr std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsAsciiBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsAsciiBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The UTF-8 byte-order mark some editors put at the start of a text file.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

constexpr bool StartsWithUtf8Bom(std::string_view bytes) { return bytes.starts_with(kUtf8Bom); }

// bytes without a byte-order mark at the start.
constexpr std::string_view SkipUtf8Bom(std::string_view bytes) {
  if (StartsWithUtf8Bom(bytes)) bytes.remove_prefix(kUtf8Bom.size());
  return bytes;
}

}  // namespace velorin
