#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "document/line_store.h"
#include "document/text_encoding.h"

namespace velorin {

// Guesses the 8-bit code page of text that is not UTF-8, from the first
// kSampleBytes of its lines that hold bytes above 127. uchardet names the
// candidates; Windows-1250 wins whenever the evidence does not clearly point
// elsewhere, because short Czech files are where detectors err most.
class EncodingDetector {
 public:
  static constexpr size_t kSampleBytes = size_t{1} << 20;

  EncodingDetector();
  ~EncodingDetector();
  EncodingDetector(const EncodingDetector&) = delete;
  EncodingDetector& operator=(const EncodingDetector&) = delete;

  // One line (or any piece that does not split a line); pure ASCII is passed
  // over. False once the sample is complete and more text changes nothing.
  bool Feed(std::string_view text);
  // The code page for the text fed so far; the default when nothing above
  // 127 was seen.
  TextEncoding Guess();

 private:
  struct Uchardet;
  std::unique_ptr<Uchardet> detector_;
  std::array<size_t, 128> high_{};  // how often each byte 0x80..0xFF came
  size_t sampled_ = 0;
  std::optional<std::optional<TextEncoding>> named_;  // uchardet's answer, once asked
};

// The encoding to show text in: UTF-8 when the whole text is valid UTF-8,
// otherwise the detector's guess. A UTF-8 byte-order mark counts as UTF-8.
TextEncoding DetectEncoding(std::string_view bytes);
// The same for lines whose UTF-8 validity the reader already found.
TextEncoding DetectEncoding(const LineStore& lines, bool utf8);

}  // namespace velorin
