#include "sync/frame_rate.h"

#include <cstdio>
#include <cstdlib>

namespace velorin {

std::optional<FrameRate> FrameRate::Parse(std::string_view text) {
  int64_t value = 0;
  int decimals = -1;  // -1: before the decimal separator
  bool digits = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (decimals >= 3) return std::nullopt;
      if (decimals >= 0) ++decimals;
      value = value * 10 + (c - '0');
      if (value > int64_t{kMaxThousandths} * 1000) return std::nullopt;
      digits = true;
    } else if ((c == ',' || c == '.') && decimals < 0) {
      decimals = 0;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  for (int d = decimals < 0 ? 0 : decimals; d < 3; ++d) value *= 10;
  if (value <= 0 || value > kMaxThousandths) return std::nullopt;
  return FrameRate(static_cast<int32_t>(value));
}

std::string FrameRate::Text() const {
  char text[24];
  std::snprintf(text, sizeof text, "%d,%03d", thousandths_ / 1000, std::abs(thousandths_ % 1000));
  return text;
}

}  // namespace velorin
