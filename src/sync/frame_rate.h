#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velorin {

// A frame rate in exact thousandths of a frame per second (25 fps is 25000,
// 23,976 fps is 23976). The rates subtitles are made for have at most three
// decimals, so held this way a time turns into a frame without the rate
// itself being rounded: 00:00:01,160 at 25 fps is frame 29, not 28.999... .
class FrameRate {
 public:
  // The highest rate: 1000 frames per second.
  static constexpr int32_t kMaxThousandths = 1000000;

  constexpr explicit FrameRate(int32_t thousandths) : thousandths_(thousandths) {}

  // A rate written with a decimal comma or point and at most three decimals
  // ("25", "25,000", "23.976"); nothing for any other text (also the empty
  // text of a list with no entry chosen), for 0 and for rates above 1000.
  static std::optional<FrameRate> Parse(std::string_view text);

  constexpr int32_t Thousandths() const { return thousandths_; }
  constexpr double PerSecond() const { return thousandths_ / 1000.0; }
  // As the rate lists show it: three decimals after a comma, "23,976".
  std::string Text() const;

  constexpr bool operator==(const FrameRate&) const = default;

 private:
  int32_t thousandths_;
};

// The frame rates offered everywhere a rate is chosen, in list order.
inline constexpr std::array<FrameRate, 5> kFrameRates = {
    FrameRate(23976), FrameRate(24000), FrameRate(25000), FrameRate(29970), FrameRate(30000)};

}  // namespace velorin
