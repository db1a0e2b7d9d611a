#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "film/speech_detector.h"

namespace velorin {

// The finest peaks of a film's first audio stream (see SoundSummary), from
// the film's start. Decodes with FFmpeg at the stream's own rate: nothing is
// resampled. Throws SpeechDetectionError as the speech detector does (no
// audio, unreadable, cancelled through progress).
std::vector<uint8_t> ReadSoundPeaks(const std::string& filmPath, const ListenProgressFn& progress);

}  // namespace velorin
