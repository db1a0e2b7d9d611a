#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velorin {

// How a document's bytes are shown and how typed text is written back. The
// bytes themselves are never converted by choosing an encoding.
enum class TextEncoding : uint8_t {
  Utf8,
  Windows1250,
  Iso8859_2,
  Windows1252,
  Iso8859_15,
  Windows1251,
  Koi8R,
  Iso8859_5,
  Windows1253,
  Iso8859_7,
  Windows1254,
  Iso8859_9,
  Windows1255,
  Windows1256,
  Windows1257,
  Iso8859_13,
};

// Shown when detection cannot tell: most of the program's files are Czech.
inline constexpr TextEncoding kDefaultEightBitEncoding = TextEncoding::Windows1250;

struct EncodingInfo {
  TextEncoding id;
  const char* name;    // as the window shows it and the settings keep it
  const char* region;  // what the code page is for, in Czech
  const char* iconv;   // the name glibc's iconv knows it by
};

// Every encoding the program offers, UTF-8 first, in menu order.
std::span<const EncodingInfo> Encodings();
const EncodingInfo& InfoOf(TextEncoding encoding);
// By name (case does not matter); nothing for an unknown name.
std::optional<TextEncoding> EncodingByName(std::string_view name);

// Bytes in the encoding as UTF-8. A byte the code page leaves undefined maps to
// a character of its own (C1 control or private use), so every byte survives a
// round trip. UTF-8 bytes are returned as they are.
std::string DecodeText(std::string_view bytes, TextEncoding encoding);

// UTF-8 text in the encoding; each character the encoding lacks (and each
// byte of broken UTF-8) becomes '?' and is counted in *lost when given.
std::string EncodeText(std::string_view utf8, TextEncoding encoding, size_t* lost = nullptr);

// Windows-1250 bytes as UTF-8 and back (the two calls above for Windows-1250).
std::string Cp1250ToUtf8(std::string_view bytes);
std::string Utf8ToCp1250(std::string_view utf8);

}  // namespace velorin
