// The FFmpeg speech detector as a module that velorin-cli loads when a
// command needs it (see src/cli/listen_loader.h).
#include "film/speech_detector.h"

extern "C" __attribute__((visibility("default"))) velorin::SpeechDetector*
velorin_make_speech_detector() {
  return velorin::MakeFfmpegSpeechDetector().release();
}
