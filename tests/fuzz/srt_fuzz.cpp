// libFuzzer target for the SRT and time-code readers and the SRT writer: any
// bytes either convert or stop with ConversionError, and every converted line
// is a subtitle line whose frames read back. Built by hand for now:
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc tests/fuzz/srt_fuzz.cpp \
//     src/convert/srt_*.cpp src/document/{subtitle_file,subtitle_line,subtitle_list,error,file_names}.cpp \
//     src/layout/tags.cpp -o build-fuzz/srt_fuzz
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "convert/srt_export.h"
#include "convert/srt_import.h"
#include "document/subtitle_line.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  IsSrtText(bytes);
  for (int32_t rate : {23976, 25000, 30000}) {
    for (bool srt : {true, false}) {
      ConvertedDocument doc;
      try {
        doc = srt ? ConvertSrt(bytes, rate) : ConvertTimeCodeLines(bytes, rate);
      } catch (const ConversionError& e) {
        if (e.Line() == 0) std::abort();
        continue;
      }
      for (const std::string& line : doc.lines) {
        if (line.empty() || line[0] != '{') std::abort();
        SubtitleFields f = ParseSubtitleLine(line);  // must not throw
        if (f.first < 0 || f.second < 0) std::abort();
      }
      std::string srtBytes = ComposeSrtBytes(doc.lines, rate);
      if (!doc.lines.empty() && srtBytes.empty()) std::abort();
    }
  }
  return 0;
}
