// Offsets and scales: every number ParseDecimal reads, and every finite
// double, FormatDecimal writes as a text that reads back to it (to the 15
// digits shown); a recomputed line is what RetimeFrame says or nothing.
#include <cmath>
#include <cstring>

#include "document/subtitle_line.h"
#include "fuzz_support.h"
#include "sync/retiming.h"

using namespace velorin;

namespace {

void CheckWritesBack(double value) {
  const std::string text = FormatDecimal(value);
  const std::optional<double> back = ParseDecimal(text);
  FUZZ_CHECK(back.has_value());
  FUZZ_CHECK(std::fabs(*back - value) <= std::fabs(value) * 1e-14 + 1e-323);
  FUZZ_CHECK(text.find('.') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const double raw = input.ConsumeFloatingPoint<double>();
  const int32_t frames[4] = {input.ConsumeIntegral<int32_t>(), input.ConsumeIntegral<int32_t>(),
                             input.ConsumeIntegral<int32_t>(), input.ConsumeIntegral<int32_t>()};
  const std::string scaleText = input.ConsumeRandomLengthString(24);
  const std::string offsetText = input.ConsumeRandomLengthString(24);
  const std::string line = input.ConsumeRemainingBytesAsString();

  if (std::isfinite(raw)) CheckWritesBack(raw);
  const std::optional<double> scale = ParseDecimal(scaleText);
  const std::optional<double> offset = ParseDecimal(offsetText);
  for (const std::optional<double>& v : {scale, offset}) {
    if (!v) continue;
    FUZZ_CHECK(std::isfinite(*v));
    CheckWritesBack(*v);
  }

  const long double rounded = RoundHalfEven(static_cast<long double>(raw));
  if (std::isfinite(raw)) {
    FUZZ_CHECK(std::fabs(rounded - static_cast<long double>(raw)) <= 0.5L);
    FUZZ_CHECK(std::floor(rounded) == rounded);
  }

  // The two frame pairs of "=": a success gives texts that read back.
  const RetimingValues values = ComputeRetiming(frames[0], frames[1], frames[2], frames[3]);
  FUZZ_CHECK(values.success == (frames[0] < frames[1] && frames[2] < frames[3]));
  if (values.success) {
    FUZZ_CHECK(ParseDecimal(FormatDecimal(values.offset)).has_value());
    FUZZ_CHECK(ParseDecimal(FormatDecimal(values.scale)).has_value());
  }

  // One line recomputed as "Přepočítat" does it.
  if (scale && offset) {
    try {
      const long double off = RoundHalfEven(*offset);
      const std::optional<std::string> retimed = RetimeLine(line, off, *scale);
      const SubtitleLineView before(line);
      const long double first = RetimeFrame(before.First(), off, *scale);
      const long double second = RetimeFrame(before.Second(), off, *scale);
      const bool fits = first <= INT32_MAX && second <= INT32_MAX;
      FUZZ_CHECK(retimed.has_value() == fits);
      if (retimed) {
        const SubtitleFields f = ParseSubtitleLine(*retimed);
        FUZZ_CHECK(f.first == static_cast<int32_t>(first));
        FUZZ_CHECK(f.second == (second >= first ? static_cast<int32_t>(second) : 0));
        FUZZ_CHECK(f.text == before.Text());
      }
    } catch (const Error& e) {
      fuzz::CheckMessage(e);
    }
  }
  return 0;
}
