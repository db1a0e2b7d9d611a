#include "film/film_info.h"

namespace velorin {

namespace {

std::string TwoDigits(int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); }

}  // namespace

std::string FilmLengthText(int64_t lengthMs) {
  if (lengthMs < 0) lengthMs = 0;
  int64_t h = lengthMs / 3600000;
  int64_t m = (lengthMs - h * 3600000) / 60000;
  int64_t s = (lengthMs - h * 3600000 - m * 60000) / 1000;
  return TwoDigits(h) + ":" + TwoDigits(m) + ":" + TwoDigits(s);
}

}  // namespace velorin
