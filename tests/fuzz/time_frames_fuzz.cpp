// Times and frames: the time dialog's fields stay within their limits and
// lead back to the frame they came from (within the rounding of a second);
// SRT times written for a frame read back to it or the frame before.
#include <cmath>

#include "convert/srt_export.h"
#include "convert/srt_import.h"
#include "fuzz_support.h"
#include "sync/time_frames.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const double frame = input.ConsumeFloatingPoint<double>();
  const int offered = input.ConsumeIntegralInRange(0, 4);
  const int32_t srtFrame = input.ConsumeIntegral<int32_t>();
  const FrameRate rate(input.ConsumeIntegralInRange<int32_t>(1, FrameRate::kMaxThousandths));
  const int64_t lengthMs = input.ConsumeIntegral<int64_t>();
  const int64_t lengthFrames = input.ConsumeIntegral<int64_t>();
  const std::string text = input.ConsumeRemainingBytesAsString();

  const FrameRate offeredRate = kFrameRates[static_cast<size_t>(offered)];
  const double fps = offeredRate.PerSecond();
  const TimeFields t = FrameToTime(frame, offeredRate);
  FUZZ_CHECK(t.hours >= 0 && t.hours <= kMaxHours);
  FUZZ_CHECK(t.minutes >= 0 && t.minutes <= kMaxMinutes);
  FUZZ_CHECK(t.seconds >= 0 && t.seconds <= kMaxSeconds);
  if (frame >= 0 && frame < 24 * 3600 * fps) {
    const int64_t back = TimeToFrame(t, offeredRate);
    FUZZ_CHECK(std::fabs(static_cast<double>(back) - frame) <= fps / 2 + 1);
  }
  const int nearest = NearestFrameRate(lengthMs, lengthFrames, offered);
  FUZZ_CHECK(nearest >= 0 && nearest < static_cast<int>(kFrameRates.size()));

  if (const std::optional<FrameRate> r = FrameRate::Parse(text)) {
    FUZZ_CHECK(r->Thousandths() > 0 && r->Thousandths() <= FrameRate::kMaxThousandths);
    FUZZ_CHECK(FrameRate::Parse(r->Text()) == r);
  }

  const std::string time = FormatSrtTime(srtFrame, rate);
  if (srtFrame >= 1) {
    const ConvertedTimes times = ParseSrtTimes(time + " --> " + time, rate);
    const int64_t back = times.start / 1000;
    FUZZ_CHECK(times.start == times.end);
    FUZZ_CHECK(back == srtFrame || back == int64_t{srtFrame} - 1);
  }
  try {
    const ConvertedTimes any = ParseSrtTimes(text, rate);
    FUZZ_CHECK(any.start >= 0 && any.end >= 0);
    (void)FrameFieldText(any.start);
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  try {
    const TimeCodeLine line = ParseTimeCodeLine(text, rate);
    FUZZ_CHECK(line.start >= 0 && line.end >= 0);
    FUZZ_CHECK(line.text.empty() ||
               (line.text.data() >= text.data() &&
                line.text.data() + line.text.size() <= text.data() + text.size()));
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  return 0;
}
