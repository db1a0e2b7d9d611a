#pragma once

#include <cstdint>
#include <string>

namespace velorin {

// A film length as hh:mm:ss; parts of a second are cut off, not rounded, and
// 100 hours or more show all their digits.
std::string FilmLengthText(int64_t lengthMs);

}  // namespace velorin
