#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velorin {

// One subtitle line {first}{second}text taken apart.
struct SubtitleFields {
  int32_t first = 0;
  int32_t second = 0;  // 0: the subtitle has no second frame
  std::string text;
  bool operator==(const SubtitleFields&) const = default;
};

// Takes a line apart. Only digits and the count of '}' matter before the text;
// every string yields three fields. Throws Error when a frame field does not
// fit 32 bits.
SubtitleFields ParseSubtitleLine(std::string_view line);

// The first frame alone, without copying the text (for hot loops).
int32_t ParseFirstFrame(std::string_view line);

// {first}{second}text with a frame of 0 written as empty braces.
std::string ComposeSubtitleLine(int32_t first, int32_t second, std::string_view text);

// Splits s at every separator into the caller's slots from index 0. Pieces
// beyond the last slot are joined into it, separators included, so nothing
// is written past the caller's array.
void SplitByChar(char separator, std::string_view s, std::span<std::string> pieces);

// Number of display lines: the count of '|' plus one.
int DisplayLineCount(std::string_view text);

// Decimal value of a string of digits, as the number fields convert it;
// throws the invalid-number error for anything else or above 2147483647.
int32_t ToInt32(std::string_view digits);

}  // namespace velorin
