// Encodings: every code page gives every byte back after a round trip through
// UTF-8, decoding gives valid UTF-8, and detection names UTF-8 exactly for
// valid UTF-8 text (a byte-order mark aside).
#include "document/encoding_detection.h"
#include "document/subtitle_file.h"
#include "document/text_encoding.h"
#include "fuzz_support.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const TextEncoding detected = DetectEncoding(bytes);
  FUZZ_CHECK((detected == TextEncoding::Utf8) ==
             (IsValidUtf8(bytes) || bytes.substr(0, 3) == "\xEF\xBB\xBF"));
  for (const EncodingInfo& info : Encodings()) {
    if (info.id == TextEncoding::Utf8) continue;
    const std::string utf8 = DecodeText(bytes, info.id);
    FUZZ_CHECK(IsValidUtf8(utf8));
    size_t lost = 0;
    FUZZ_CHECK(EncodeText(utf8, info.id, &lost) == bytes);
    FUZZ_CHECK(lost == 0);
  }
  // Any text goes into any code page without growing: one byte or '?' a character.
  for (const EncodingInfo& info : Encodings())
    if (info.id != TextEncoding::Utf8)
      FUZZ_CHECK(EncodeText(bytes, info.id).size() <= bytes.size());
  return 0;
}
