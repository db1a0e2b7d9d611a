#include "film/film_info.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(FilmLengthText, CutsPartsOfASecond) {
  const std::pair<int64_t, const char*> cases[] = {
      {5405678, "01:30:05"},  {59999, "00:00:59"},   {3600000, "01:00:00"},
      {0, "00:00:00"},        {999, "00:00:00"},     {360000000, "100:00:00"},
      {36000000, "10:00:00"}, {3599999, "00:59:59"}, {-1, "00:00:00"},
  };
  for (auto [ms, text] : cases) EXPECT_EQ(FilmLengthText(ms), text) << ms;
}

}  // namespace
}  // namespace velorin
