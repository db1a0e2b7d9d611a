#pragma once

// Shared by the libFuzzer targets: each asserts the invariants of the
// functions it drives, so a wrong result counts as a crash, not only a
// memory error.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "document/error.h"

// Stops the run, and libFuzzer keeps the input, when an invariant fails.
#define FUZZ_CHECK(condition)                                                                 \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                           \
    }                                                                                         \
  } while (0)

namespace velorin::fuzz {

// An error the program shows stays short, whatever the input held.
inline void CheckMessage(const std::exception& e) {
  FUZZ_CHECK(std::string_view(e.what()).size() < 200 + 2 * kMaxQuotedBytes);
}

// Lines of a small document: the bytes cut at '\n', at most max lines.
inline std::vector<std::string> SplitLines(std::string_view bytes, size_t max = 64) {
  std::vector<std::string> lines;
  while (!bytes.empty() && lines.size() < max) {
    const size_t nl = bytes.find('\n');
    lines.emplace_back(bytes.substr(0, nl));
    if (nl == std::string_view::npos) break;
    bytes.remove_prefix(nl + 1);
  }
  return lines;
}

// Whether text is nothing but brace groups "{...}" without braces inside:
// a tag prefix as the program writes it.
inline bool IsTagSequence(std::string_view text) {
  bool inside = false;
  for (char c : text) {
    if (c == '{') {
      if (inside) return false;
      inside = true;
    } else if (c == '}') {
      if (!inside) return false;
      inside = false;
    } else if (!inside) {
      return false;
    }
  }
  return !inside;
}

}  // namespace velorin::fuzz
