#pragma once

#include <cstdint>

#include "sync/frame_rate.h"

namespace velorin {

// Hours, minutes and seconds as the time dialog's spin fields hold them.
struct TimeFields {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  bool operator==(const TimeFields&) const = default;
};

// Limits of the time dialog's fields.
inline constexpr int kMaxHours = 24;
inline constexpr int kMaxMinutes = 60;
inline constexpr int kMaxSeconds = 60;

// A frame shown as a time at a rate: hours and minutes cut, seconds rounded
// (halves to even). Each field is capped at its limit the moment it is set and
// the next field carries on from the capped value, so 25 h shows 24:60:00.
TimeFields FrameToTime(double frame, FrameRate rate);

// The frame of a time at a rate: rate x seconds rounded to the nearest whole
// frame, halves to even.
int64_t TimeToFrame(const TimeFields& time, FrameRate rate);

// Frame-rate detection: the index of the offered rate nearest to the film's
// measured rate (frames / seconds). The earlier rate wins a tie; a rate 1000 or
// more away from all of them, or a film of length 0 ms, keeps `current`.
int NearestFrameRate(int64_t lengthMs, int64_t lengthFrames, int current);

}  // namespace velorin
