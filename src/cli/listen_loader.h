#pragma once

#include <memory>

#include "film/speech_detector.h"

namespace velorin {

// The FFmpeg speech detector from its module (libvelorin_listen.so), loaded
// the first time it is asked for: from beside the program, from
// ../lib/velorin when installed, or from the build that made the program.
// Throws Error when none of them loads.
std::unique_ptr<SpeechDetector> LoadSpeechDetector();

}  // namespace velorin
