#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "film/speech_detector.h"

namespace velorin {

// The finest peaks of a film's first audio stream (see SoundSummary), from
// the film's start. Decodes with FFmpeg at the stream's own rate: nothing is
// resampled. A long film is read in stretches by `threads` decoders at once
// (0: one per core), each placing its first sound by its time. Throws
// SpeechDetectionError as the speech detector does (no audio, unreadable,
// cancelled through progress).
std::vector<uint8_t> ReadSoundPeaks(const std::string& filmPath, const ListenProgressFn& progress,
                                    int threads = 0);

}  // namespace velorin
