#include "sync/time_frames.h"

#include <cmath>

namespace velorin {

namespace {

// A spin field keeps a value within its limits.
int SpinValue(double value, int maxValue) {
  if (!(value > 0)) return 0;
  if (value > maxValue) return maxValue;
  return static_cast<int>(value);
}

}  // namespace

TimeFields FrameToTime(double frame, FrameRate rate) {
  // The remainders are taken by subtracting the whole hours and minutes the
  // fields hold rather than by scaling a fraction back up, so that an exact
  // minute stays 60 seconds and does not come out as 59,999... (0:01:60).
  TimeFields out;
  double t = frame / rate.PerSecond();
  out.hours = SpinValue(std::trunc(t / 3600), kMaxHours);
  t -= out.hours * 3600.0;
  out.minutes = SpinValue(std::trunc(t / 60), kMaxMinutes);
  t -= out.minutes * 60.0;
  out.seconds = SpinValue(std::nearbyint(t), kMaxSeconds);
  return out;
}

int64_t TimeToFrame(const TimeFields& time, FrameRate rate) {
  double seconds = time.hours * 3600.0 + time.minutes * 60.0 + time.seconds;
  return static_cast<int64_t>(std::nearbyint(rate.PerSecond() * seconds));
}

int NearestFrameRate(int64_t lengthMs, int64_t lengthFrames, int current) {
  if (lengthMs <= 0) return current;
  double seconds = static_cast<double>(lengthMs) / 1000.0;
  double fps = static_cast<double>(lengthFrames) / seconds;
  int best = current;
  double bestDiff = 1000.0;
  for (size_t i = 0; i < kFrameRates.size(); ++i) {
    double diff = std::fabs(kFrameRates[i].PerSecond() - fps);
    if (diff < bestDiff) {
      bestDiff = diff;
      best = static_cast<int>(i);
    }
  }
  return best;
}

}  // namespace velorin
