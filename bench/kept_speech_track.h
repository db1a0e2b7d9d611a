#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "film/speech_detector.h"

namespace velorin::bench {

// The speech track of the film at path. VELORIN_DUMP=DIR keeps each film's
// track there and reads it back on the next run: the alignment can be
// measured again without listening again.
inline SpeechTrack ListenOrReuse(const std::string& path) {
  SpeechTrack track;
  const char* dump = std::getenv("VELORIN_DUMP");
  const std::string kept =
      dump ? std::string(dump) + "/" + std::filesystem::path(path).stem().string() + ".track" : std::string();
  if (dump && std::filesystem::exists(kept)) {
    std::ifstream in(kept);
    char c;
    while (in.get(c))
      if (c == '0' || c == '1') track.speech.push_back(c == '1');
    return track;
  }
  track = MakeFfmpegSpeechDetector()->Detect(path, {});
  if (dump) {
    std::ofstream out(kept);
    for (bool b : track.speech) out << (b ? '1' : '0');
  }
  return track;
}

// VELORIN_THREADS=N has the alignment use N threads (1 without it), to show
// that the results do not depend on them.
inline unsigned AlignThreads() {
  const char* n = std::getenv("VELORIN_THREADS");
  const long threads = n ? std::strtol(n, nullptr, 10) : 1;
  return threads > 0 ? static_cast<unsigned>(threads) : 1;
}

}  // namespace velorin::bench
