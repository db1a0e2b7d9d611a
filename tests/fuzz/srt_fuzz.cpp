// The SRT and time-code readers and the SRT writer: any bytes either convert
// or stop with ConversionError on a line of the file; every converted line
// is a subtitle line whose frames read back; the SRT written for them is SRT
// and converts again.
#include "convert/srt_export.h"
#include "convert/srt_import.h"
#include "document/subtitle_line.h"
#include "fuzz_support.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)IsSrtText(bytes);
  for (const FrameRate rate : {FrameRate(23976), FrameRate(25000), FrameRate(30000)}) {
    for (bool srt : {true, false}) {
      ConvertedDocument doc;
      try {
        doc = srt ? ConvertSrt(bytes, rate) : ConvertTimeCodeLines(bytes, rate);
      } catch (const ConversionError& e) {
        FUZZ_CHECK(e.Line() > 0);
        fuzz::CheckMessage(e);
        continue;
      }
      for (const std::string& line : doc.lines) {
        FUZZ_CHECK(!line.empty() && line[0] == '{');
        const SubtitleFields f = ParseSubtitleLine(line);  // must not throw
        FUZZ_CHECK(f.first >= 0 && f.second >= 0);
      }
      const std::string srtBytes = ComposeSrtBytes(doc.lines, rate);
      if (doc.lines.empty()) continue;
      FUZZ_CHECK(!srtBytes.empty());
      FUZZ_CHECK(IsSrtText(srtBytes));
      try {
        (void)ConvertSrt(srtBytes, rate);
      } catch (const ConversionError& e) {
        FUZZ_CHECK(false && "the SRT the program writes converts again");
      }
    }
  }
  return 0;
}
