#include "sync/frame_rate.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(FrameRate, ParsedFromTheFormsPeopleWrite) {
  const std::pair<std::string, std::optional<int32_t>> cases[] = {
      {"25", 25000},
      {"25,000", 25000},
      {"25.000", 25000},
      {"23,976", 23976},
      {"23.976", 23976},
      {"29,97", 29970},
      {"1000", 1000000},
      {"0,001", 1},
      {"0", std::nullopt},
      {"-25", std::nullopt},
      {"", std::nullopt},
      {"25,0001", std::nullopt},
      {"25fps", std::nullopt},
      {"1000,001", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {",", std::nullopt},
      {"25,0x", std::nullopt},
      {"25,,0", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
      {" 25", std::nullopt},
  };
  for (const auto& [text, thousandths] : cases) {
    const std::optional<FrameRate> rate = FrameRate::Parse(text);
    EXPECT_EQ(rate.has_value(), thousandths.has_value()) << text;
    if (rate && thousandths) {
      EXPECT_EQ(rate->Thousandths(), *thousandths) << text;
    }
  }
}

TEST(FrameRate, TheListsShowThreeDecimalsAndReadThemBack) {
  const char* shown[] = {"23,976", "24,000", "25,000", "29,970", "30,000"};
  for (size_t i = 0; i < kFrameRates.size(); ++i) {
    EXPECT_EQ(kFrameRates[i].Text(), shown[i]);
    EXPECT_EQ(FrameRate::Parse(shown[i]), kFrameRates[i]);
  }
  EXPECT_EQ(FrameRate(1).Text(), "0,001");
  EXPECT_EQ(FrameRate(FrameRate::kMaxThousandths).Text(), "1000,000");
  EXPECT_DOUBLE_EQ(FrameRate(23976).PerSecond(), 23.976);
}

}  // namespace
}  // namespace velorin
