#pragma once

// UTF-16 text files (with a byte-order mark, as Windows Notepad saves
// "Unicode") are read as their UTF-8 text: every reader of subtitle, SRT,
// time-code and synchronization files works on bytes, and UTF-16 would be
// one line of NUL-laden bytes to them. Other files are read as they are.

#include <cstddef>
#include <string>
#include <string_view>

namespace velorin {

enum class Utf16Order { None, LittleEndian, BigEndian };

// The byte order that a UTF-16 byte-order mark at the start names; None when
// the bytes begin otherwise.
Utf16Order Utf16OrderOf(std::string_view bytes);

// Decodes UTF-16 pieces of any size, byte-order mark first, to UTF-8. A lone
// surrogate and an odd last byte become U+FFFD.
class Utf16Decoder {
 public:
  explicit Utf16Decoder(Utf16Order order) : bigEndian_(order == Utf16Order::BigEndian) {}
  // Appends the UTF-8 of piece to out.
  void Feed(std::string_view piece, std::string& out);
  // What a piece left unfinished (an odd byte, a lone high surrogate).
  void Finish(std::string& out);

 private:
  void Unit(char16_t unit, std::string& out);

  bool bigEndian_;
  bool bomSeen_ = false;
  int held_ = -1;          // a first byte waiting for its second, or -1
  char16_t high_ = 0;      // a high surrogate waiting for its low one, or 0
};

// The UTF-8 of a whole UTF-16 text with its byte-order mark.
std::string Utf16ToUtf8(std::string_view bytes);

// A file's bytes as the readers take them: a view of the bytes themselves,
// or of their UTF-8 decoding when they are UTF-16.
class TextBytes {
 public:
  explicit TextBytes(std::string_view bytes);
  TextBytes(const TextBytes&) = delete;
  TextBytes& operator=(const TextBytes&) = delete;
  std::string_view View() const { return view_; }
  bool FromUtf16() const { return fromUtf16_; }

 private:
  std::string decoded_;
  std::string_view view_;
  bool fromUtf16_ = false;
};

// How many first bytes decide whether a file is text at all.
inline constexpr size_t kTextProbeBytes = 4096;

// Whether the start of a file shows it is no text file: a NUL byte among its
// first kTextProbeBytes bytes (a picture, a film, a sparse or zeroed file),
// unless the bytes are UTF-16.
bool LooksBinary(std::string_view head);
// The same test on the start of a file. Throws Error when it cannot be read.
bool FileLooksBinary(const std::string& path);

}  // namespace velorin
