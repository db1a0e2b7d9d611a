// The line grammar {first}{second}text: any bytes take apart without a
// failure other than the invalid-number error, and a parsed line composes
// back to a line that parses to the same fields.
#include <array>
#include <charconv>

#include "document/subtitle_line.h"
#include "fuzz_support.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const SubtitleLineView view(line);
  FUZZ_CHECK(view.TextStart() <= line.size());
  FUZZ_CHECK(view.Text() == line.substr(view.TextStart()));
  const std::optional<int32_t> first = view.FirstField().Value();
  const std::optional<int32_t> second = view.SecondField().Value();
  try {
    const SubtitleFields f = ParseSubtitleLine(line);
    FUZZ_CHECK(first && second && f.first == *first && f.second == *second);
    FUZZ_CHECK(f.first >= 0 && f.second >= 0);
    FUZZ_CHECK(f.text == view.Text());
    const std::string composed = ComposeSubtitleLine(f.first, f.second, f.text);
    FUZZ_CHECK(ParseSubtitleLine(composed) == f);
    FUZZ_CHECK(ComposeSubtitleLine(f.first, f.second, f.text) == composed);
  } catch (const Error& e) {
    FUZZ_CHECK(!first || !second);
    fuzz::CheckMessage(e);
  }
  // The first frame alone reads no further than its own field.
  try {
    const int32_t alone = ParseFirstFrame(line);
    FUZZ_CHECK(first && alone == *first);
  } catch (const Error& e) {
    FUZZ_CHECK(!first);
    fuzz::CheckMessage(e);
  }

  // The display lines split into five slots join back to the text.
  std::array<std::string, 5> pieces;
  SplitByChar('|', line, pieces);
  const int count = DisplayLineCount(line);
  std::string joined = pieces[0];
  for (int i = 1; i < std::min(count, 5); ++i) joined += "|" + pieces[static_cast<size_t>(i)];
  FUZZ_CHECK(joined == line);

  // A number field reads as from_chars reads a plain decimal number.
  try {
    const int32_t value = ToInt32(line);
    std::string_view digits = line;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    int32_t expected = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), expected);
    FUZZ_CHECK(ec == std::errc() && end == digits.data() + digits.size() && value == expected);
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  return 0;
}
