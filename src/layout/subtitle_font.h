#pragma once

#include <cstdint>
#include <string>

namespace velorin {

// A font subtitles are drawn in, as the width dialog measures with it and the
// settings file keeps it; style bits 1 bold, 2 italic, 4 underline,
// 8 strike-out. The defaults are the width dialog's first font.
struct SubtitleFont {
  std::string name = "Arial";
  int32_t style = 1;
  int32_t size = 22;  // points
  bool operator==(const SubtitleFont&) const = default;
};

}  // namespace velorin
